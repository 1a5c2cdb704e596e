#pragma once
// Test helpers: stamp a file with a chosen last-write time.
#include <windows.h>

#include <cstdio>
#include <string>

// 14-digit text of calendar fields.
inline std::string TimeText(const SYSTEMTIME& st) {
  char text[32];
  std::snprintf(text, sizeof(text), "%04d%02d%02d%02d%02d%02d", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
                st.wSecond);
  return text;
}

inline SYSTEMTIME Fields(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(minute);
  st.wSecond = static_cast<WORD>(second);
  return st;
}

// Calendar fields moved by seconds.
inline SYSTEMTIME AddSeconds(const SYSTEMTIME& st, long long seconds) {
  FILETIME ft;
  ::SystemTimeToFileTime(&st, &ft);
  ULARGE_INTEGER ticks;
  ticks.LowPart = ft.dwLowDateTime;
  ticks.HighPart = ft.dwHighDateTime;
  ticks.QuadPart += static_cast<ULONGLONG>(seconds * 10000000LL);
  ft.dwLowDateTime = ticks.LowPart;
  ft.dwHighDateTime = ticks.HighPart;
  SYSTEMTIME out;
  ::FileTimeToSystemTime(&ft, &out);
  return out;
}

inline bool SetWriteTimeUtc(const std::string& path, const SYSTEMTIME& utc) {
  FILETIME ft;
  if (!::SystemTimeToFileTime(&utc, &ft)) return false;
  HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const BOOL ok = ::SetFileTime(file, nullptr, nullptr, &ft);
  ::CloseHandle(file);
  return ok != 0;
}

inline bool SetWriteTimeLocal(const std::string& path, const SYSTEMTIME& local) {
  SYSTEMTIME utc;
  if (!::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)) return false;
  return SetWriteTimeUtc(path, utc);
}

inline SYSTEMTIME WriteTimeUtc(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  ::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
  SYSTEMTIME st;
  ::FileTimeToSystemTime(&data.ftLastWriteTime, &st);
  return st;
}
