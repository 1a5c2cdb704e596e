#include "FileUtil.h"

#include <windows.h>

#include <cstdlib>

namespace {
int Digits(const std::string& text, size_t pos, size_t count) {
  return std::atoi(text.substr(pos, count).c_str());
}
}  // namespace

int SetFileModifyDate(const std::string& filePath, const std::string& timeText, int gmtFlag) {
  if (timeText.size() != 14) return -1;
  WIN32_FILE_ATTRIBUTE_DATA status;
  if (!::GetFileAttributesExA(filePath.c_str(), GetFileExInfoStandard, &status)) return -1;

  SYSTEMTIME local = {};
  local.wYear = static_cast<WORD>(Digits(timeText, 0, 4));
  local.wMonth = static_cast<WORD>(Digits(timeText, 4, 2));
  local.wDay = static_cast<WORD>(Digits(timeText, 6, 2));
  local.wHour = static_cast<WORD>(Digits(timeText, 8, 2));
  local.wMinute = static_cast<WORD>(Digits(timeText, 10, 2));
  local.wSecond = static_cast<WORD>(Digits(timeText, 12, 2));
  // The text read as local calendar time, daylight saving taken for that date.
  SYSTEMTIME utc;
  FILETIME written;
  if (!::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !::SystemTimeToFileTime(&utc, &written))
    return -1;

  if (gmtFlag != 0) {
    // The text was GMT: move it by the zone's offset (and the daylight
    // offset when daylight saving is in effect now).
    TIME_ZONE_INFORMATION zone;
    const DWORD zoneId = ::GetTimeZoneInformation(&zone);
    LONGLONG shiftSeconds = -60LL * zone.Bias;
    if (zoneId == TIME_ZONE_ID_DAYLIGHT) shiftSeconds += -60LL * zone.DaylightBias;
    ULARGE_INTEGER ticks;
    ticks.LowPart = written.dwLowDateTime;
    ticks.HighPart = written.dwHighDateTime;
    ticks.QuadPart += static_cast<ULONGLONG>(shiftSeconds * 10000000LL);
    written.dwLowDateTime = ticks.LowPart;
    written.dwHighDateTime = ticks.HighPart;
  }

  HANDLE file = ::CreateFileA(filePath.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  const BOOL ok = ::SetFileTime(file, nullptr, nullptr, &written);
  ::CloseHandle(file);
  return ok ? 0 : -1;
}

int ClearReadOnlyProperty(const std::string& filePath) {
  const DWORD attributes = ::GetFileAttributesA(filePath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return -1;
  if (attributes & FILE_ATTRIBUTE_READONLY) ::SetFileAttributesA(filePath.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  return 0;
}

void CreateDirectoryPath(const std::string& filePath) {
  const size_t lastSlash = filePath.rfind('\\');
  if (lastSlash == std::string::npos) return;
  const std::string directory = filePath.substr(0, lastSlash);
  if (::GetFileAttributesA(directory.c_str()) == FILE_ATTRIBUTE_DIRECTORY) return;
  for (size_t i = 0; i < directory.size(); ++i) {
    if (directory[i] == '\\') ::CreateDirectoryA(directory.substr(0, i).c_str(), nullptr);
  }
  ::CreateDirectoryA(directory.c_str(), nullptr);
}
