#include "FileUtil.h"

#include <windows.h>

#include <cstdlib>

#include "PathText.h"
#include "WinHandles.h"

namespace {
constexpr LONGLONG kTicksPerSecond = 10000000;

int Digits(const std::string& text, size_t pos, size_t count) {
  return std::atoi(text.substr(pos, count).c_str());
}

// Seconds to add to a GMT text read as local time: the zone's bias, plus
// the daylight bias when daylight saving is in effect now (not at the
// text's date).
LONGLONG GmtShiftSeconds() {
  TIME_ZONE_INFORMATION zone = {};
  const DWORD zoneId = ::GetTimeZoneInformation(&zone);
  if (zoneId == TIME_ZONE_ID_INVALID) return 0;
  LONGLONG seconds = -60LL * zone.Bias;
  if (zoneId == TIME_ZONE_ID_DAYLIGHT) seconds += -60LL * zone.DaylightBias;
  return seconds;
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
  // Local calendar time with daylight saving as it applies at that date.
  // The system's zone, not the C library's: the CRT takes its zone from the
  // TZ variable and can disagree with the system.
  SYSTEMTIME utc;
  FILETIME written;
  if (!::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !::SystemTimeToFileTime(&utc, &written))
    return -2;

  if (gmtFlag != 0) {
    ULARGE_INTEGER ticks;
    ticks.LowPart = written.dwLowDateTime;
    ticks.HighPart = written.dwHighDateTime;
    ticks.QuadPart += static_cast<ULONGLONG>(GmtShiftSeconds() * kTicksPerSecond);
    written.dwLowDateTime = ticks.LowPart;
    written.dwHighDateTime = ticks.HighPart;
  }

  // Only the modification time changes; creation and access times and the
  // attributes (read-only included) stay as they are.
  UniqueFileHandle file(::CreateFileA(filePath.c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return -3;
  return ::SetFileTime(file.get(), nullptr, nullptr, &written) ? 0 : -3;
}

int ClearReadOnlyProperty(const std::string& filePath) {
  const DWORD attributes = ::GetFileAttributesA(filePath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return -1;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    const DWORD cleared = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesA(filePath.c_str(), cleared != 0 ? cleared : FILE_ATTRIBUTE_NORMAL);
  }
  return 0;
}

void CreateDirectoryPath(const std::string& filePath) {
  if (!HasBackslash(filePath)) return;
  const std::string directory = FolderOfPath(filePath);
  // Only a plain directory counts as present; one with any other attribute
  // bit goes through the creation attempts, which then fail harmlessly.
  if (::GetFileAttributesA(directory.c_str()) == FILE_ATTRIBUTE_DIRECTORY) return;
  for (size_t i = 0; i < directory.size(); ++i) {
    if (directory[i] == '\\') ::CreateDirectoryA(directory.substr(0, i).c_str(), nullptr);
  }
  ::CreateDirectoryA(directory.c_str(), nullptr);
}
