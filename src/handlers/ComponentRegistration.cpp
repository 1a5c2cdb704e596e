#include "handlers/ComponentRegistration.h"

#include "handlers/RegistrationPlatform.h"
#include "util/LogIfOpen.h"
#include "util/PathText.h"
#include "util/RunDisplay.h"
#include "util/TotalLine.h"

namespace {
const char kRegSvr32[] = "CVantoExeDlg::HandleRegisterTypeFilesByRegSvr32> ";
const char kByRegSvr32[] = "CVantoExeDlg::ProcessRegisterFileByRegSvr32> ";
const char kByRegSvr32Two[] = "CVantoExeDlg::ProcessRegisterFile2ByRegSvr32> ";
const char kRegAsm[] = "CVantoExeDlg::HandleRegisterTypeFilesByRegAsm> ";
const char kRegAsmPath[] = "CVantoExeDlg::GetRegAsmFilePath> ";
const char kByRegAsm[] = "CVantoExeDlg::ProcessRegisterFileByRegAsm> ";
const char kZipReg[] = "CVantoExeDlg::HandleZipRegTypeFiles> ";

const char kRegisterStep[] = "프로그램 파일 시스템 등록중...";

const char kStartLine[] = "--------------------------------------------------------------------------------------S";
const char kEndLine[] = "--------------------------------------------------------------------------------------E";

bool IsProcessable(const FileItem& item, int32_t kind) { return item.m_nFileType == kind && item.m_nDownFlag == 1; }
}  // namespace

std::string QuoteCommandArgument(const std::string& text) { return "\"" + text + "\""; }

CComponentRegistration::CComponentRegistration(IRunDisplay& display, IRegistrationPlatform& platform, int registryMode,
                                               const std::string& systemDir, std::string& message)
    : m_display(display),
      m_platform(platform),
      m_nRegistryMode(registryMode),
      m_strSystemDir(systemDir),
      m_strMsg(message) {}

unsigned CComponentRegistration::RunInFileFolder(const std::string& tool, const char* toolSwitch,
                                                 const std::string& filePath) {
  // The tool gets the bare name and finds the file in its current folder.
  m_platform.ChangeCurrentDirectory(FolderOfPath(filePath));
  return m_platform.RunHidden(tool + " " + toolSwitch + " " + QuoteCommandArgument(NameOfPath(filePath)));
}

void CComponentRegistration::DeleteFailedFile(const char* logPrefix, const std::string& path) {
  LogIfOpen(LOG_WARN, "%sDelete Local Flle = %s", logPrefix, path.c_str());
  if (!m_platform.RemoveFile(path)) {
    LogIfOpen(LOG_ERROR, "%sDeleteFile(%s) Error, ErrCode = %d", logPrefix, path.c_str(),
              static_cast<int>(m_platform.LastErrorCode()));
    m_platform.LastErrorText();
  }
}

int CComponentRegistration::HandleRegisterTypeFilesByRegSvr32(const FileItemList& list, int showFlag) {
  if (list.empty()) {
    LogIfOpen(LOG_DEBUG, "%sReg file item is 0.", kRegSvr32);
    return 0;
  }
  const int count = static_cast<int>(list.size());
  m_display.SetProgressRange(IDC_PROGRESS_TOTAL, 0, count);
  m_display.SetProgressPos(IDC_PROGRESS_TOTAL, 0);
  m_display.SetProgressRange(IDC_PROGRESS_FILE, 0, 100);
  m_display.SetProgressPos(IDC_PROGRESS_FILE, 0);
  if (showFlag == 1) {
    m_display.SetStaticText(IDC_STATIC_FILE, "");
    m_display.ShowStepMessage(kRegisterStep);
  }

  const std::string regSvr32 = RegSvr32Path();
  if (!m_platform.Exists(regSvr32)) {
    if (showFlag == 1)
      m_display.AskUser("시스템에서 regsvr32.exe 파일을 찾을 수 없어 레지스트리에 파일을 등록 할 수가 없습니다.", "",
                        BOX_OK | BOX_ICON_ERROR);
    return -2;
  }
  LogIfOpen(LOG_INFO, "%s", kStartLine);

  bool oleReady = false;
  if (m_nRegistryMode == 1) {
    oleReady = m_platform.OleInitialize();
    // Without OLE the in-process route is skipped for every entry.
    if (!oleReady) LogIfOpen(LOG_ERROR, "%sOleInitialize() is failed.", kRegSvr32);
  }

  bool success = true;
  int i = 1;
  for (const std::unique_ptr<FileItem>& entry : list) {
    const FileItem& item = *entry;
    if (!IsProcessable(item, FILE_KIND_REG)) continue;
    const char* path = item.m_strLocalPath.c_str();
    m_display.SetStaticText(IDC_STATIC_FILE, item.m_strFilePath);
    m_display.SetProgressPos(IDC_PROGRESS_FILE, 50);
    m_display.PumpWaitingMessages();

    if (m_nRegistryMode == 2) {
      const std::string folder = FolderOfPath(item.m_strLocalPath);
      if (folder.empty()) {
        LogIfOpen(LOG_ERROR, "%sInvalid registry file(%s).", kRegSvr32, path);
        success = false;
      } else {
        m_platform.ChangeCurrentDirectory(folder);
        unsigned long exitCode = 0;
        const LaunchResult r = m_platform.StartExeFileByShellExecute(
            regSvr32, "/s " + QuoteCommandArgument(item.m_strLocalPath), 1, exitCode);
        if (r == LAUNCH_STARTED && exitCode == 0) {
          LogIfOpen(LOG_DEBUG, "%sRegistered by StartExeFileByShellExecute(%s).", kRegSvr32, path);
        } else if (r == LAUNCH_STARTED) {
          // Waited for: its exit code tells whether DllRegisterServer succeeded.
          success = false;
          LogIfOpen(LOG_ERROR, "%sregsvr32.exe failed to register (%s), ExitCode = %lu", kRegSvr32, path, exitCode);
        } else {
          success = false;
          LogIfOpen(LOG_ERROR, "%sStartExeFileByShellExecute(%s) failed, GetLastError() = %d", kRegSvr32, path,
                    static_cast<int>(m_platform.LastErrorCode()));
        }
      }
    } else {
      bool registered = false;
      if (oleReady) {
        const int r = m_platform.ProcessRegistryFileByLoadLibrary(&item);
        if (r == 1) {
          LogIfOpen(LOG_DEBUG, "%sFile(%s) is registered.", kRegSvr32, path);
          registered = true;
        } else {
          LogIfOpen(LOG_DEBUG, "%sProcessRegistryFileByLoadLibrary('%s') error(Return='%d').", kRegSvr32, path, r);
        }
      }
      if (!registered && ProcessRegisterFileByRegSvr32(item) < 0) success = false;
    }

    if (i <= count) {
      m_display.SetProgressPos(IDC_PROGRESS_FILE, 100);
      m_display.SetProgressPos(IDC_PROGRESS_TOTAL, i);
      m_display.SetStaticText(IDC_STATIC_TOTAL, FormatTotalLine(i, count));
      ++i;
    }
  }

  m_display.SetProgressPos(IDC_PROGRESS_TOTAL, count);
  m_display.SetProgressPos(IDC_PROGRESS_FILE, 100);
  if (oleReady) m_platform.OleUninitialize();
  LogIfOpen(LOG_INFO, "%s", kEndLine);
  return success ? 0 : -1;
}

int CComponentRegistration::ProcessRegisterFileByRegSvr32(const FileItem& item) {
  const std::string regSvr32 = RegSvr32Path();
  const char* path = item.m_strLocalPath.c_str();
  LogIfOpen(LOG_DEBUG, "%sCmd Str : %s /s %s", kByRegSvr32, regSvr32.c_str(), path);
  const unsigned r = RunInFileFolder(regSvr32, "/s", item.m_strLocalPath);
  if (!WinExecStarted(r)) {
    LogIfOpen(LOG_ERROR, "%sWinExec(%s) 2, ErrCode = %d", kByRegSvr32, path,
              static_cast<int>(m_platform.LastErrorCode()));
    const std::string text = m_platform.LastErrorText();
    if (!text.empty()) {
      m_strMsg = "파일 열기 실패(" + regSvr32 + "). : " + text;
      m_display.AddListMessage(LIST_ROW_ERROR, m_strMsg);
    }
    return -2;
  }
  LogIfOpen(LOG_INFO, "%sFile(%s) is registered. RetVal = %d", kByRegSvr32, path, static_cast<int>(r));
  return 1;
}

int CComponentRegistration::ProcessRegisterFile2ByRegSvr32(const std::string& path) {
  if (path.empty()) {
    LogIfOpen(LOG_ERROR, "%sUnknown file path.", kByRegSvr32Two);
    return -1;
  }
  LogIfOpen(LOG_DEBUG, "%sTarget file = %s", kByRegSvr32Two, path.c_str());
  m_platform.ChangeCurrentDirectory(FolderOfPath(path));
  const std::string command = RegSvr32Path() + " /s " + QuoteCommandArgument(NameOfPath(path));
  LogIfOpen(LOG_DEBUG, "%sCmd Str = %s", kByRegSvr32Two, command.c_str());
  const unsigned r = m_platform.RunHidden(command);
  if (!WinExecStarted(r)) {
    LogIfOpen(LOG_ERROR, "%sWinExec(%s) Fail, ErrCode = %d", kByRegSvr32Two, path.c_str(),
              static_cast<int>(m_platform.LastErrorCode()));
    m_platform.LastErrorText();
    return -2;
  }
  LogIfOpen(LOG_INFO, "%sFile(%s) is registered. RetVal = %d", kByRegSvr32Two, path.c_str(), static_cast<int>(r));
  return 1;
}

int CComponentRegistration::HandleRegisterTypeFilesByRegAsm(const FileItemList& list, int showFlag) {
  if (list.empty()) {
    LogIfOpen(LOG_DEBUG, "%sReg Asm file item is 0.", kRegAsm);
    return 0;
  }
  if (showFlag == 1) {
    m_display.SetStaticText(IDC_STATIC_FILE, "");
    m_display.ShowStepMessage(kRegisterStep);
  }
  const std::string regAsm = GetRegAsmFilePath();
  if (regAsm.empty() || !m_platform.Exists(regAsm)) {
    if (showFlag == 1)
      m_display.AskUser("시스템에서 regasm.exe 파일을 찾을 수 없어 레지스트리에 파일을 등록 할 수가 없습니다.", "",
                        BOX_OK | BOX_ICON_ERROR);
    return -2;
  }
  bool success = true;
  for (const std::unique_ptr<FileItem>& entry : list) {
    if (IsProcessable(*entry, FILE_KIND_ASM) && ProcessRegisterFileByRegAsm(*entry, regAsm) < 0) success = false;
  }
  return success ? 0 : -1;
}

std::string CComponentRegistration::GetRegAsmFilePath() {
  std::string windowsDir;
  if (!m_platform.WindowsDirectory(windowsDir)) {
    LogIfOpen(LOG_ERROR, "%sGetWindowsDirectory() Fail, ErrCode = %d", kRegAsmPath,
              static_cast<int>(m_platform.LastErrorCode()));
    m_platform.LastErrorText();
    return {};
  }
  if (windowsDir.empty()) {
    LogIfOpen(LOG_ERROR, "%sWindows directory is empty.", kRegAsmPath);
    return {};
  }
  if (windowsDir.back() != '\\') windowsDir += '\\';
  const std::string frameworkDir = windowsDir + "Microsoft.NET\\Framework\\";
  const uint32_t skipped = FOUND_ATTRIBUTE_HIDDEN | FOUND_ATTRIBUTE_SYSTEM | FOUND_ATTRIBUTE_TEMPORARY;
  for (const FoundFile& found : m_platform.FindFiles(frameworkDir + "*.*")) {
    if ((found.attributes & skipped) != 0 || found.name == "." || found.name == "..") continue;
    if ((found.attributes & FOUND_ATTRIBUTE_DIRECTORY) == 0 || found.name.compare(0, 5, "v2.0.") != 0) continue;
    const std::string candidate = frameworkDir + found.name + "\\RegAsm.exe";
    if (m_platform.Exists(candidate)) return candidate;
  }
  LogIfOpen(LOG_ERROR, "%s'RegAsm.exe' file-directory is empty.", kRegAsmPath);
  return {};
}

int CComponentRegistration::ProcessRegisterFileByRegAsm(const FileItem& item, const std::string& regAsmPath) {
  const char* path = item.m_strLocalPath.c_str();
  LogIfOpen(LOG_DEBUG, "%sCmd Str : %s /silent %s", kByRegAsm, regAsmPath.c_str(), path);
  const unsigned r = RunInFileFolder(regAsmPath, "/silent", item.m_strLocalPath);
  if (!WinExecStarted(r)) {
    LogIfOpen(LOG_ERROR, "%sWinExec(%s) 2, ErrCode = %d", kByRegAsm, path,
              static_cast<int>(m_platform.LastErrorCode()));
    m_platform.LastErrorText();
    return -2;
  }
  LogIfOpen(LOG_INFO, "%sFile(%s) is registered. RetVal = %d", kByRegAsm, path, static_cast<int>(r));
  return 1;
}

int CComponentRegistration::HandleZipRegTypeFiles(const FileItemList& list, int showFlag) {
  if (list.empty()) {
    LogIfOpen(LOG_DEBUG, "%sZipReg file item is 0.", kZipReg);
    return 0;
  }
  bool success = true;
  if (showFlag == 1) {
    m_display.SetStaticText(IDC_STATIC_FILE, "");
    m_display.ShowStepMessage("Zip-Reg 파일 처리중...");
  }
  const bool haveRegSvr32 = m_platform.Exists(RegSvr32Path());
  if (!haveRegSvr32) LogIfOpen(LOG_WARN, "%sCan not find the 'regsvr32.exe' files from your system.", kZipReg);

  for (const std::unique_ptr<FileItem>& entry : list) {
    const FileItem& item = *entry;
    if (!IsProcessable(item, FILE_KIND_ZRG)) continue;
    std::vector<std::string> extracted;
    if (m_platform.ProcessZipFile(item, &extracted) < 0) {
      DeleteFailedFile(kZipReg, item.m_strLocalPath);
      success = false;
      continue;
    }
    bool allRegistered = haveRegSvr32;
    if (haveRegSvr32) {
      for (const std::string& file : extracted) {
        if (ProcessRegisterFile2ByRegSvr32(file) < 0) {
          DeleteFailedFile(kZipReg, file);
          allRegistered = false;
        }
      }
    }
    if (!allRegistered) {
      // Without the archive the next run fetches it again and registers what
      // is missing; kept, it would count as current and the gap would stay.
      DeleteFailedFile(kZipReg, item.m_strLocalPath);
      success = false;
    }
  }
  return success ? 0 : -1;
}
