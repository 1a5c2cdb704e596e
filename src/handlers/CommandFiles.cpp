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

int ProcessRegistryFile(const FileItem& item, IRunDisplay& display, const int32_t& stopFlag,
                        const std::string& windowsDir) {
  const char kPrefix[] = "CSyncEngine::ProcessRegistryFile> ";
  const char* path = item.m_strLocalPath.c_str();
  LogIfOpen(LOG_DEBUG, "%sCmd Str : regedit -s %s ", kPrefix, path);
  UniqueHandle process;
  const intptr_t r = ShellOpenProcess(RegistryEditorPath(windowsDir), RegistryFileParameters(item.m_strLocalPath),
                                      RegistryFileFolder(item.m_strLocalPath), SW_HIDE, process);
  if (r <= 32) {
    LogIfOpen(LOG_DEBUG, "%s%s Fail To Regist File..", kPrefix, path);
    return -1;
  }
  if (process) {
    // Only the editor's end tells whether the file was imported.
    unsigned long exitCode = 0;
    switch (WaitForProcessEnd(process.get(), display, stopFlag, kRegistryImportWaitMs, exitCode)) {
      case ProcessWaitEnd::Ended:
        if (exitCode == 0) break;
        LogIfOpen(LOG_ERROR, "%s%s regedit Exit Code = %lu", kPrefix, path, exitCode);
        LogIfOpen(LOG_DEBUG, "%s%s Fail To Regist File..", kPrefix, path);
        return -1;
      case ProcessWaitEnd::Stopped:
        LogIfOpen(LOG_DEBUG, "%s%s The wait for regedit has been interrupted.", kPrefix, path);
        return 0;
      case ProcessWaitEnd::TimedOut:
      case ProcessWaitEnd::Failed:
        LogIfOpen(LOG_ERROR, "%s%s regedit Did Not End In %lu Seconds", kPrefix, path, kRegistryImportWaitMs / 1000);
        LogIfOpen(LOG_DEBUG, "%s%s Fail To Regist File..", kPrefix, path);
        return -1;
    }
  }
  LogIfOpen(LOG_DEBUG, "%s%s Success To Regist File.", kPrefix, path);
  return 1;
}

int HandleRegistryTypeFiles(const FileItemList& downItems, IRunDisplay& display, const int32_t& stopFlag,
                            const std::string& windowsDir, const RegistryFileImport& import) {
  int success = 1;
  display.SetStaticText(IDC_STATIC_FILE, "");
  display.ShowStepMessage("레지스트리 파일 처리중...");
  for (const std::unique_ptr<FileItem>& entry : downItems) {
    const FileItem& item = *entry;
    if (item.m_nFileType != FILE_KIND_REF || item.m_nDownFlag != 1) continue;
    if (stopFlag != 0) {
      success = 0;  // not imported: the next run does it
      break;
    }
    const int r = import ? import(item) : ProcessRegistryFile(item, display, stopFlag, windowsDir);
    if (r == 0) success = 0;  // given up for Stop, the file is kept
    if (r >= 0) continue;
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
