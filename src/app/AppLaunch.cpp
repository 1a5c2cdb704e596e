#include "app/AppLaunch.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

#include "app/AppGlobals.h"
#include "app/AppMessage.h"
#include "util/LogIfOpen.h"
#include "app/KillUtil.h"
#include "app/RunTwin.h"
#include "util/Cp949Case.h"
#include "util/FileUtil.h"
#include "util/PathText.h"
#include "util/WinHandles.h"

namespace {
// Size in bytes (32-bit) and modification time in whole seconds.
struct FileStatus {
  DWORD size = 0;
  ULONGLONG seconds = 0;
};

bool GetStatus(const std::string& path, FileStatus* status) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  ULARGE_INTEGER t;
  t.LowPart = data.ftLastWriteTime.dwLowDateTime;
  t.HighPart = data.ftLastWriteTime.dwHighDateTime;
  status->size = data.nFileSizeLow;
  status->seconds = t.QuadPart / 10000000ULL;
  return true;
}

bool FileExists(const std::string& path) {
  FileStatus status;
  return GetStatus(path, &status);
}

std::string ProgramFilesDir() {
  char folder[512] = "";
  ::SHGetSpecialFolderPathA(nullptr, folder, CSIDL_PROGRAM_FILES, FALSE);
  return folder;
}

STARTUPINFOA MakeStartupInfo(const std::string& title) {
  STARTUPINFOA si;
  ::GetStartupInfoA(&si);
  si.cb = sizeof(si);
  si.lpTitle = const_cast<char*>(title.c_str());
  si.dwFlags |= STARTF_USESHOWWINDOW;
  si.dwFlags &= ~static_cast<DWORD>(STARTF_USESTDHANDLES);  // no handles are inherited
  si.wShowWindow = SW_SHOW;
  return si;
}

// Refreshes the Run twin from path unless both already agree in size and
// time. A failed copy is logged; the caller still starts the twin.
void RefreshRunTwin(const char* prefix, const std::string& path, const std::string& runPath,
                    bool logMissingOnDelete) {
  FileStatus src, dst;
  if (GetStatus(path, &src) && GetStatus(runPath, &dst) && src.size == dst.size && src.seconds == dst.seconds) {
    LogIfOpen(LOG_INFO, "%sThere is already the same file.(%s)", prefix, runPath.c_str());
    return;
  }
  LogIfOpen(LOG_INFO, "%sClearReadOnlyProperty, File(%s)", prefix, runPath.c_str());
  ClearReadOnlyProperty(runPath);
  LogIfOpen(LOG_INFO, "%sDeleteFile, File(%s)", prefix, runPath.c_str());
  if (!::DeleteFileA(runPath.c_str())) {
    const DWORD error = ::GetLastError();
    if (logMissingOnDelete || error != ERROR_FILE_NOT_FOUND) {
      LogIfOpen(LOG_ERROR, "%sDeleteFile() Fail, ErrCode = %lu", prefix, error);
      LogLastErrorIfOpen();
    }
  }
  LogIfOpen(LOG_INFO, "%sCopyFile, Src(%s) Dst(%s)", prefix, path.c_str(), runPath.c_str());
  if (!::CopyFileA(path.c_str(), runPath.c_str(), FALSE)) {
    LogIfOpen(LOG_ERROR, "%sCopyFile() Fail, ErrCode = %lu", prefix, ::GetLastError());
    LogLastErrorIfOpen();
  }
}

// CreateProcess of a command line in a working directory; the process
// handle is kept for the caller. Returns false and leaves the error set.
bool CreateProgramProcess(const std::string& commandLine, const char* workDir, const std::string& title,
                          PROCESS_INFORMATION* pi) {
  STARTUPINFOA si = MakeStartupInfo(title);
  std::string line = commandLine;
  line.push_back('\0');
  return ::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS,
                          nullptr, workDir, &si, pi) != 0;
}

int KillRun(const char* prefix, const std::string& path, bool twin) {
  if (path.empty()) {
    LogIfOpen(LOG_INFO, "%sFile Path Length = 0, So Return", prefix);
    return 0;
  }
  LogIfOpen(LOG_INFO, "%sstrProgFilePath = %s", prefix, path.c_str());
  if (path.find('.') == std::string::npos) {
    LogIfOpen(LOG_INFO, "%s1 ReverseFind() Fail...", prefix);
    return -1;
  }
  if (!FileExists(path)) return -1;
  const std::string fileName = NameOfPath(path);
  const size_t dot = fileName.rfind('.');
  if (dot == std::string::npos) {
    LogIfOpen(LOG_INFO, "%s2 ReverseFind() Fail...", prefix);
    return -1;
  }
  std::string killName = fileName;
  std::string killPath = path;
  if (twin) {
    LogIfOpen(LOG_INFO, "%sstrFileName = %s", prefix, fileName.c_str());
    LogIfOpen(LOG_INFO, "%sstrFileTitle = %s", prefix, fileName.substr(0, dot).c_str());
    killPath = MakeRunTwin(path);
    killName = MakeRunTwin(fileName);
    LogIfOpen(LOG_INFO, "%sstrRunProgFilePath = %s", prefix, killPath.c_str());
    LogIfOpen(LOG_INFO, "%sstrRunProgFileName = %s", prefix, killName.c_str());
  }
  CKillUtil killer;
  const bool killed = killer.KillProcess(killName.c_str(), killPath.c_str());
  LogIfOpen(LOG_ERROR, "%sKillProcess Return Value = %d", prefix, killed ? 1 : 0);
  return 0;
}
}  // namespace

int CopyAndStartSelf(const char* mode) {
  const bool run = std::string(mode) == "R";
  const std::string dest = std::string(g_szModuleDir) + "\\" + (run ? g_szExeNames[1] : g_szExeNames[2]);
  const std::string source = std::string(g_szModuleDir) + "\\" + g_szExeNames[0];
  KillVantoExe(dest);

  FileStatus src, dst;
  const bool same = GetStatus(source, &src) && GetStatus(dest, &dst) && src.size == dst.size &&
                    (src.seconds > dst.seconds ? src.seconds - dst.seconds : dst.seconds - src.seconds) <= 60;
  if (!same && !::CopyFileA(source.c_str(), dest.c_str(), FALSE)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return -1;
    const std::string systemText = GetSystemErrorText(error);
    char message[1024];
    if (!systemText.empty()) {
      std::snprintf(message, sizeof(message),
                    "프로그램을 복사할 수 없습니다.\n기존에 실행중인 프로그램을 종료후 다시시작하세요.\n에러 내용 : (%lu) %s",
                    error, systemText.c_str());
    } else {
      std::snprintf(message, sizeof(message),
                    "프로그램을 복사할 수 없습니다.\n기존에 실행중인 프로그램을 종료후 다시시작하세요.\n에러 내용 : %lu",
                    error);
    }
    ShowAppMessage(message);
    return 0;
  }
  if (GetOsMajorVersion() > 5) {
    StartExeByShellExecute(dest, mode);
  } else {
    StartExeByCreateProcess(dest, mode, "VantoExe");
  }
  return 0;
}

int KillVantoExe(const std::string& path) {
  if (path.empty()) {
    LogIfOpen(LOG_INFO, "CVantoExeApp::KillVantoExe> File Path Length = 0, So Return");
    return 0;
  }
  LogIfOpen(LOG_INFO, "CVantoExeApp::KillVantoExe> strProgFilePath = %s", path.c_str());
  if (path.find('.') == std::string::npos) {
    LogIfOpen(LOG_INFO, "CVantoExeApp::KillVantoExe> 1 ReverseFind() Fail...");
    return -1;
  }
  if (!FileExists(path)) return -2;
  CKillUtil killer;
  const bool killed = killer.KillProcess(NameOfPath(path).c_str(), path.c_str());
  LogIfOpen(LOG_ERROR, "CVantoExeApp::KillVantoExe> KillProcess Return Value = %d", killed ? 1 : 0);
  return 1;
}

int16_t StartExeByShellExecute(const std::string& path, const std::string& argument) {
  if (path.empty()) {
    LogIfOpen(LOG_DEBUG, "CVantoExeApp::StartExeByShellExecute> File path is empty. So return.");
    return -1;
  }
  LogIfOpen(LOG_DEBUG, "CVantoExeApp::StartExeByShellExecute> pProgramFilePath='%s', pProgramArgument='%s'",
           path.c_str(), argument.c_str());
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = "runas";
  info.lpFile = path.c_str();
  info.lpParameters = argument.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExA(&info)) {
    const DWORD error = ::GetLastError();
    char message[128];
    std::snprintf(message, sizeof(message), "Can't Execute Version Management Program, ErrCode = %lu", error);
    ShowAppMessage(message);
    LogIfOpen(LOG_ERROR, "CVantoExeApp::StartExeByShellExecute> Can't Execute Version Management Program, ErrCode = %lu",
             error);
    return -1;
  }
  if (info.hProcess) ::CloseHandle(info.hProcess);
  LogIfOpen(LOG_DEBUG, "CVantoExeApp::StartExeByShellExecute> Success.");
  return 0;
}

int16_t StartExeByCreateProcess(const std::string& path, const std::string& argument, const std::string& title) {
  if (path.empty()) {
    LogIfOpen(LOG_DEBUG, "CVantoExeApp::StartExeByCreateProcess> File path is empty. So return.");
    return -1;
  }
  LogIfOpen(LOG_DEBUG,
           "CVantoExeApp::StartExeByCreateProcess> pProgramFilePath='%s', pProgramArgument='%s', pWndTitle='%s'",
           path.c_str(), argument.c_str(), title.c_str());
  const std::string commandLine = BuildCommandLine(path, argument, false);
  LogIfOpen(LOG_DEBUG, "CVantoExeApp::StartExeByCreateProcess> pCmdPath='%s'", commandLine.c_str());
  PROCESS_INFORMATION pi = {};
  if (!CreateProgramProcess(commandLine, nullptr, title, &pi)) {
    LogIfOpen(LOG_ERROR, "CVantoExeApp::StartExeByCreateProcess> Can't Execute Version Management Program, ErrCode = %lu",
             ::GetLastError());
    return -1;
  }
  UniqueHandle process(pi.hProcess), thread(pi.hThread);
  LogIfOpen(LOG_DEBUG, "CVantoExeApp::StartExeByCreateProcess> Success.");
  return 0;
}

int GetOsMajorVersion() {
  OSVERSIONINFOEXA extended = {};
  extended.dwOSVersionInfoSize = sizeof(extended);
  if (::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&extended))) return static_cast<int>(extended.dwMajorVersion);
  OSVERSIONINFOA basic = {};
  basic.dwOSVersionInfoSize = sizeof(basic);
  if (::GetVersionExA(&basic)) return static_cast<int>(basic.dwMajorVersion);
  return 0;
}

std::string GetInternetExplorerPath(bool* x86Exists, std::string* x86Path, std::string* plainPath) {
  // The 32-bit copy lives in "<Program Files> (x86)" on 64-bit Windows.
  const std::string programFiles = ProgramFilesDir();
  const std::string plain = programFiles + "\\Internet Explorer\\IEXPLORE.EXE";
  const std::string x86 = programFiles + " (x86)\\Internet Explorer\\IEXPLORE.EXE";
  const bool exists = FileExists(x86);
  if (x86Exists) *x86Exists = exists;
  if (x86Path) *x86Path = x86;
  if (plainPath) *plainPath = plain;
  return exists ? x86 : plain;
}

int CopyAndRun(const std::string& path, const std::string& argument, const std::string& title) {
  static const char kPrefix[] = "CVantoExeApp::CopyAndRun> ";
  if (path.empty()) {
    LogIfOpen(LOG_INFO, "CVantoExeApp::CopyAndRun> File Path Length = 0, So Return");
    return 0;
  }
  if (path.rfind('.') == std::string::npos) {
    LogIfOpen(LOG_INFO, "CVantoExeApp::CopyAndRun> ReverseFind() Fail...");
    return -1;
  }
  const std::string runPath = MakeRunTwin(path);
  RefreshRunTwin(kPrefix, path, runPath, true);
  const std::string commandLine = BuildCommandLine(runPath, argument, true);
  LogIfOpen(LOG_INFO, "CVantoExeApp::CopyAndRun> CmdPath = %s", commandLine.c_str());
  if (!HasBackslash(path)) {
    LogIfOpen(LOG_INFO, "CVantoExeApp::CopyAndRun> nPos = %d, Path = %s", -1, path.c_str());
    return -1;
  }
  const std::string workDir = FolderOfPath(path);
  PROCESS_INFORMATION pi = {};
  if (!CreateProgramProcess(commandLine, workDir.c_str(), title, &pi)) {
    LogIfOpen(LOG_ERROR, "CVantoExeApp::CopyAndRun> CreateProcess() Fail, RetVal = %d, ErrCode = %lu", 0,
             ::GetLastError());
    LogLastErrorIfOpen();
    return -4;
  }
  UniqueHandle process(pi.hProcess), thread(pi.hThread);
  LogIfOpen(LOG_INFO, "CVantoExeApp::CopyAndRun> Agent Start, PID = %lu", pi.dwProcessId);
  return 0;
}

int CopyAndRunLoomBrowser(const std::string& path, const std::string& argument, const std::string& title) {
  static const char kPrefix[] = "CVantoExeApp::CopyAndRunLoomBrowser> ";
  if (path.empty()) {
    LogIfOpen(LOG_INFO, "CVantoExeApp::CopyAndRunLoomBrowser> File Path Length = 0, So Return");
    return 0;
  }
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) {
    LogIfOpen(LOG_INFO, "CVantoExeApp::CopyAndRunLoomBrowser> ReverseFind() Fail...");
    return -1;
  }
  const std::string stem = LowerCp949(path.substr(0, dot));
  LogIfOpen(LOG_INFO, "CVantoExeApp::CopyAndRunLoomBrowser> strTemp3 = %s", stem.c_str());
  std::string program;
  if (stem.find("iexplore") != std::string::npos) {
    LogIfOpen(LOG_INFO, "CVantoExeApp::CopyAndRunLoomBrowser> strProgFilePath = %s, So don't copy", path.c_str());
    program = GetInternetExplorerPath();
    LogIfOpen(LOG_INFO, "CVantoExeApp::CopyAndRunLoomBrowser> iexplorer path = %s", program.c_str());
  } else {
    program = MakeRunTwin(path);
    RefreshRunTwin(kPrefix, path, program, false);
  }
  const std::string commandLine = BuildCommandLine(program, argument, true);
  LogIfOpen(LOG_INFO, "CVantoExeApp::CopyAndRunLoomBrowser> CmdPath = %s", commandLine.c_str());
  if (!HasBackslash(path)) {
    LogIfOpen(LOG_INFO, "CVantoExeApp::CopyAndRunLoomBrowser> nPos = %d, Path = %s", -1, path.c_str());
    return -1;
  }
  const std::string workDir = FolderOfPath(path);
  PROCESS_INFORMATION pi = {};
  if (!CreateProgramProcess(commandLine, workDir.c_str(), title, &pi)) {
    LogIfOpen(LOG_ERROR, "CVantoExeApp::CopyAndRunLoomBrowser> CreateProcess() Fail, RetVal = %d, ErrCode = %lu", 0,
             ::GetLastError());
    LogLastErrorIfOpen();
    return -4;
  }
  UniqueHandle process(pi.hProcess), thread(pi.hThread);
  LogIfOpen(LOG_INFO, "CVantoExeApp::CopyAndRunLoomBrowser> LoomBrowser Start, PID = %lu", pi.dwProcessId);
  LogIfOpen(LOG_INFO, "CVantoExeApp::CopyAndRunLoomBrowser> Before WaitForInputIdle(INFINITE)");
  ::WaitForInputIdle(pi.hProcess, INFINITE);
  LogIfOpen(LOG_INFO, "CVantoExeApp::CopyAndRunLoomBrowser> After WaitForInputIdle(INFINITE)");
  return 0;
}

int KillLoomBrowserRun(const std::string& path) {
  return KillRun("CVantoExeApp::KillLoomBrowserRun> ", path, true);
}

int KillLoomBrowser5Run(const std::string& path) {
  return KillRun("CVantoExeApp::KillLoomBrowser5Run> ", path, false);
}
