#include "handlers/CommandFiles.h"

#include <windows.h>

#include "handlers/RegistryFileCommand.h"
#include "handlers/ShellLaunch.h"
#include "util/LogIfOpen.h"
#include "util/RunDisplay.h"

int HandleExecuteTypeFiles(const FileItemList& cmdItems, IRunDisplay& display, const int32_t& stopFlag) {
  display.SetStaticText(IDC_STATIC_FILE, "");
  display.ShowStepMessage("실행 파일 처리중...");
  int success = 1;
  // Every entry runs, fetched this time or not.
  for (const std::unique_ptr<FileItem>& entry : cmdItems) {
    const FileItem& item = *entry;
    if (item.m_nFileType != FILE_KIND_EXE) continue;
    LaunchResult r = LAUNCH_STARTED;
    if (item.m_nWaitFlag != 0) {
      r = StartExeFileByShellExecuteAndWaitClose(item.m_strLocalPath, item.m_strArgument, display, stopFlag);
      if (r != LAUNCH_STARTED)
        LogIfOpen(LOG_WARN,
                  "CVantoExeDlg::HandleExecuteTypeFiles> StartExeFileByShellExecuteAndWaitClose() Fail, RetVal = %d, "
                  "File = %s",
                  static_cast<int>(r), item.m_strLocalPath.c_str());
    } else {
      r = StartExeFileByShellExecute(item.m_strLocalPath, item.m_strArgument, 0);
      if (r != LAUNCH_STARTED)
        LogIfOpen(LOG_WARN,
                  "CVantoExeDlg::HandleExecuteTypeFiles> StartExeFileByShellExecute() Fail, RetVal = %d, File = %s",
                  static_cast<int>(r), item.m_strLocalPath.c_str());
    }
    if (r != LAUNCH_STARTED) success = 0;
  }
  return success == 1 ? 0 : -1;
}

int HandleDeleteTypeFiles(const FileItemList& downItems, IRunDisplay& display) {
  display.SetStaticText(IDC_STATIC_FILE, "");
  display.ShowStepMessage("삭제 파일 처리중...");
  for (const std::unique_ptr<FileItem>& entry : downItems) {
    const FileItem& item = *entry;
    if (item.m_nFileType != FILE_KIND_DEL) continue;
    LogIfOpen(LOG_INFO, "CVantoExeDlg::HandleDeleteTypeFiles> Delete Local Flle = %s", item.m_strLocalPath.c_str());
    if (::DeleteFileA(item.m_strLocalPath.c_str())) continue;
    const DWORD error = ::GetLastError();
    LogIfOpen(LOG_INFO, "CVantoExeDlg::HandleDeleteTypeFiles> DeleteFile(%s) Error, ErrCode = %d",
              item.m_strLocalPath.c_str(), static_cast<int>(error));
    const std::string text = LogErrorTextIfOpen(error);
    if (!text.empty()) display.AddListMessage(LIST_ROW_ERROR, "파일 삭제 실패(" + item.m_strLocalPath + "). : " + text);
  }
  return 0;
}

bool ProcessRegistryFile(const FileItem& item) {
  const char kPrefix[] = "CSyncEngine::ProcessRegistryFile> ";
  LogIfOpen(LOG_DEBUG, "%sCmd Str : regedit -s %s ", kPrefix, item.m_strLocalPath.c_str());
  const intptr_t r = ShellOpen("regedit", RegistryFileParameters(item.m_strLocalPath),
                               RegistryFileFolder(item.m_strLocalPath), SW_HIDE);
  if (r > 32) {
    LogIfOpen(LOG_DEBUG, "%s%s Success To Regist File.", kPrefix, item.m_strLocalPath.c_str());
    return true;
  }
  LogIfOpen(LOG_DEBUG, "%s%s Fail To Regist File..", kPrefix, item.m_strLocalPath.c_str());
  return false;
}

int HandleRegistryTypeFiles(const FileItemList& downItems, IRunDisplay& display, RegistryFileImport import) {
  int success = 1;
  display.SetStaticText(IDC_STATIC_FILE, "");
  display.ShowStepMessage("레지스트리 파일 처리중...");
  for (const std::unique_ptr<FileItem>& entry : downItems) {
    const FileItem& item = *entry;
    if (item.m_nFileType != FILE_KIND_REF || item.m_nDownFlag != 1) continue;
    if (import(item)) continue;
    LogIfOpen(LOG_WARN, "CSyncEngine::HandleRegistryTypeFiles> Delete Local Flle = %s", item.m_strLocalPath.c_str());
    if (!::DeleteFileA(item.m_strLocalPath.c_str())) {
      const DWORD error = ::GetLastError();
      LogIfOpen(LOG_ERROR, "CSyncEngine::HandleRegistryTypeFiles> DeleteFile(%s) Error, ErrCode = %d",
                item.m_strLocalPath.c_str(), static_cast<int>(error));
      LogErrorTextIfOpen(error);
    }
    success = 0;
  }
  return success == 1 ? 0 : -1;
}
