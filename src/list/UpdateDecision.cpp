#include "list/UpdateDecision.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "http/DownloadBackup.h"
#include "list/EntryNames.h"
#include "list/FolderListings.h"
#include "util/MyLog.h"

namespace {
int Field(const std::string& text, size_t pos, size_t count) {
  return std::atoi(text.substr(pos, count).c_str());
}

// Seconds of local calendar fields; daylight saving as the C library decides.
long long CalendarSeconds(std::tm fields) {
  fields.tm_isdst = -1;
  return static_cast<long long>(std::mktime(&fields));
}

std::tm FromSystemTime(const SYSTEMTIME& st) {
  std::tm fields = {};
  fields.tm_year = st.wYear - 1900;
  fields.tm_mon = st.wMonth - 1;
  fields.tm_mday = st.wDay;
  fields.tm_hour = st.wHour;
  fields.tm_min = st.wMinute;
  fields.tm_sec = st.wSecond;
  return fields;
}

std::string FormatFields(int year, int month, int day, int hour, int minute, int second) {
  char text[64];
  std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
  return text;
}

std::string FormatSystemTime(const SYSTEMTIME& st) {
  return FormatFields(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

// Leading decimal digits, as atol reads them, without its 32-bit overflow.
long long LeadingNumber(const std::string& text) {
  return std::strtoll(text.c_str(), nullptr, 10);
}

void Log(int level, const char* format, const char* path) {
  if (g_pMyLog) g_pMyLog->Log(level, format, path);
}

// Whether path is proven missing without asking the file system.
bool KnownAbsent(CFolderListings* listings, const std::string& path) {
  return listings && listings->IsKnownAbsent(path);
}
}  // namespace

int IsFileDifferent(const FileItem& item, const std::string& localPath, int sizeFlag, const CVantoCfg& cfg,
                    CFolderListings* listings) {
  const bool gmtVariant = cfg.FILE_COMPARE_GMT_TIME != 0;
  const char* serverPath = item.m_strFilePath.c_str();
  const char* localArg = localPath.c_str();

  if (item.m_nFileType == FILE_KIND_DEL) {
    Log(LOG_DEBUG,
        gmtVariant ? "CVantoExeDlg::IsFileDifferent> '%s' >> Files that need to be deleted."
                   : "CVantoExeDlg::IsFileToDownload> File(%s) is Delete Type File",
        serverPath);
    return 0;
  }

  if (item.m_nSysFileFlag == 1) {
    if (!KnownAbsent(listings, item.m_strLocalPath) &&
        ::GetFileAttributesA(item.m_strLocalPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
      Log(LOG_INFO, "CVantoExeDlg::IsFileDifferent> '%s' >> A system file that already exists locally.", localArg);
      return 0;
    }
    Log(LOG_INFO, "CVantoExeDlg::IsFileDifferent> '%s' >> This file does not exist locally.", localArg);
    return 1;
  }

  const std::string& serverTime = item.m_strModifyTime;
  if (serverTime.size() != 14) {
    Log(LOG_ERROR,
        serverTime.empty() ? "CVantoExeDlg::IsFileDifferent> '%s' >> The last modified time of the file is unknown."
                           : "CVantoExeDlg::IsFileDifferent> '%s' >> The string for the last modified time is invalid.",
        serverPath);
    return 1;
  }

  if (KnownAbsent(listings, localPath)) return 1;  // as the file system says "not found"
  WIN32_FILE_ATTRIBUTE_DATA status;
  if (!::GetFileAttributesExA(localPath.c_str(), GetFileExInfoStandard, &status)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return 1;
    if (g_pMyLog) {
      g_pMyLog->Log(LOG_DEBUG, "CVantoExeDlg::IsFileDifferent> '%s' >> Failed to check file status. [LastErrorCode=(%d)]",
                    localArg, static_cast<int>(error));
      ::SetLastError(error);
      g_pMyLog->LogLastErrorText();
    }
    return 1;
  }

  if (sizeFlag) {
    if (item.m_nChunkedFlag == 1) {
      Log(LOG_INFO, "CVantoExeDlg::IsFileDifferent> '%s' >> Transfer encoded chunked files cannot be compared in size.",
          localArg);
    } else if (!item.m_strFileSize.empty()) {
      const long long serverSize = LeadingNumber(item.m_strFileSize);
      const long long localSize =
          (static_cast<long long>(status.nFileSizeHigh) << 32) | static_cast<long long>(status.nFileSizeLow);
      if (serverSize >= 1 && serverSize != localSize) {
        if (g_pMyLog)
          g_pMyLog->Log(LOG_INFO,
                        "CVantoExeDlg::IsFileDifferent> '%s' >> The size of the file is different. [Local=(%lld), "
                        "Server=(%lld)]",
                        serverPath, localSize, serverSize);
        return 1;
      }
    }
  }

  std::tm serverFields = {};
  serverFields.tm_year = Field(serverTime, 0, 4) - 1900;
  serverFields.tm_mon = Field(serverTime, 4, 2) - 1;
  serverFields.tm_mday = Field(serverTime, 6, 2);
  serverFields.tm_hour = Field(serverTime, 8, 2);
  serverFields.tm_min = Field(serverTime, 10, 2);
  serverFields.tm_sec = Field(serverTime, 12, 2);
  const long long serverSeconds = CalendarSeconds(serverFields);

  SYSTEMTIME utcWrite;
  ::FileTimeToSystemTime(&status.ftLastWriteTime, &utcWrite);
  SYSTEMTIME localWrite = utcWrite;
  ::SystemTimeToTzSpecificLocalTime(nullptr, &utcWrite, &localWrite);
  const long long localSeconds = CalendarSeconds(FromSystemTime(gmtVariant ? utcWrite : localWrite));

  const long long gap = localSeconds > serverSeconds ? localSeconds - serverSeconds : serverSeconds - localSeconds;
  if (gap <= static_cast<long long>(cfg.TIME_CHECK_SPAN)) return 0;

  if (g_pMyLog) {
    if (gmtVariant) {
      const std::string serverText = FormatFields(Field(serverTime, 0, 4), Field(serverTime, 4, 2), Field(serverTime, 6, 2),
                                                  Field(serverTime, 8, 2), Field(serverTime, 10, 2), Field(serverTime, 12, 2));
      g_pMyLog->Log(LOG_DEBUG,
                    "CVantoExeDlg::IsFileDifferent> '%s' >> The last modified time is different. [TimeGab=(%d), "
                    "TimeCheckSpan=(%d), ServerGMT=(%s), LocalGMT=(%s), LocalTime=(%s)]",
                    serverPath, static_cast<int>(gap), cfg.TIME_CHECK_SPAN, serverText.c_str(),
                    FormatSystemTime(utcWrite).c_str(), FormatSystemTime(localWrite).c_str());
    } else {
      g_pMyLog->Log(LOG_DEBUG, "CVantoExeDlg::IsFileDifferent> File(%s) dwTimeGab = %d, m_nTimeCheckSpan = %d", localArg,
                    static_cast<int>(gap), cfg.TIME_CHECK_SPAN);
    }
  }
  return 1;
}

int CheckDownloadAndSettleBackup(const FileItem& item, const CVantoCfg& cfg, CFolderListings* listings) {
  const int different = IsFileDifferent(item, item.m_strLocalPath, 1, cfg, listings);
  SettleInterruptedDownload(item, different == 0, listings);
  return different;
}

void SettleInterruptedDownload(const FileItem& item, bool current, CFolderListings* listings) {
  if (item.m_nFileType == FILE_KIND_DEL || item.m_nSysFileFlag == 1) return;
  if (KnownAbsent(listings, EntryBackupPath(item))) return;
  SettleLeftoverBackup(item.m_strLocalPath, item.m_strBackupPath, current, "CVantoExeDlg::IsFileToDownload> ");
  ForgetDownloadNames(item, listings);
}

void ForgetDownloadNames(const FileItem& item, CFolderListings* listings) {
  if (!listings) return;
  listings->Forget(item.m_strLocalPath);
  listings->Forget(EntryBackupPath(item));
  listings->Forget(EntryPartPath(item));
}

int IsListFileDifferent(const FileItem& listItem, const CVantoCfg& cfg) {
  return IsFileDifferent(listItem, listItem.m_strLocalPath + "." + cfg.RUN_MODE, 0, cfg);
}
