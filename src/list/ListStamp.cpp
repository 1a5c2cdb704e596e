#include "list/ListStamp.h"

#include <windows.h>

#include <cstdio>

#include "util/FileUtil.h"
#include "util/MyLog.h"

int CopyServerListFileToLocalListFile(const FileItem& listItem, const CVantoCfg& cfg) {
  if (cfg.CHECK_LIST_FILE_FLAG != 1) {
    if (g_pMyLog)
      g_pMyLog->Log(LOG_INFO,
                    "CVantoExeDlg::CopyServerListFileToLocalListFile> m_nCheckListFileFlag is 0, So Don't Copy List File");
    return 0;
  }
  const std::string& listPath = listItem.m_strLocalPath;
  const std::string stampPath = listPath + "." + cfg.RUN_MODE;

  if (!::CopyFileA(listPath.c_str(), stampPath.c_str(), FALSE)) {
    const DWORD error = ::GetLastError();
    if (g_pMyLog)
      g_pMyLog->Log(LOG_INFO, "CVantoExeDlg::CopyServerListFileToLocalListFile> CopyFile(%s -> %s) Fail, ErrCode = %d",
                    listPath.c_str(), stampPath.c_str(), static_cast<int>(error));
    return 0;
  }
  if (g_pMyLog) {
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeDlg::CopyServerListFileToLocalListFile> Copy %s -> %s", listPath.c_str(),
                  stampPath.c_str());
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeDlg::CopyServerListFileToLocalListFile> Change Local List File Modify Date.");
  }

  if (FILE* stamp = std::fopen(stampPath.c_str(), "wb")) {
    std::fputc('_', stamp);
    std::fclose(stamp);
    ::Sleep(100);
  }

  const int result = SetFileModifyDate(stampPath, listItem.m_strModifyTime, cfg.FILE_COMPARE_GMT_TIME);
  if (result < 0) {
    if (g_pMyLog)
      g_pMyLog->Log(LOG_ERROR, "CVantoExeDlg::CopyServerListFileToLocalListFile> SetFileModifyDate() Fail, RetVal = %d",
                    result);
    return -5;
  }
  if (g_pMyLog) g_pMyLog->Log(LOG_DEBUG, "CVantoExeDlg::CopyServerListFileToLocalListFile> Set File Modify Date Success");
  return 0;
}
