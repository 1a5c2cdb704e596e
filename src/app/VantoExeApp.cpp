#include <winsock2.h>

#include "app/VantoExeApp.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "app/AppDirs.h"
#include "app/AppGlobals.h"
#include "app/AppLaunch.h"
#include "app/AppMessage.h"
#include "app/BPServer.h"
#include "app/ResultFile.h"
#include "app/SockUtil.h"
#include "app/SpecialDirs.h"
#include "config/CfgNormalize.h"
#include "config/CommandLine.h"
#include "http/CertificateRetry.h"
#include "http/RequestFlags.h"
#include "http/ServerConfigDownload.h"
#include "util/PathText.h"
#include "util/TextConv.h"
#include "util/VantoResult.h"

namespace {
CVantoExeApp* g_pApp = nullptr;
constexpr UINT kIdsSocketsInitFailed = 103;

std::string LoadResourceText(UINT id, const char* fallback) {
  wchar_t buffer[256];
  const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id, buffer, 256);
  if (length <= 0) return fallback;
  return WideToCp949(std::wstring(buffer, length));
}
}  // namespace

CVantoExeApp* GetVantoExeApp() { return g_pApp; }

std::string GetCommandLineTail(const char* fullCommandLine) {
  const char* p = fullCommandLine ? fullCommandLine : "";
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

CVantoExeApp::CVantoExeApp() { g_pApp = this; }

CVantoExeApp::~CVantoExeApp() {
  if (g_pMyLog == m_pLog.get()) g_pMyLog = nullptr;
  if (g_pApp == this) g_pApp = nullptr;
}

void CVantoExeApp::FailStart(const std::string& message) {
  g_nStartFailFlag = 1;
  ShowAppMessage(message);
}

void CVantoExeApp::FailFatal(const std::string& message) {
  g_nResult = VANTO_FATAL_ERROR;
  ShowAppMessage(message);
}

std::string CVantoExeApp::MutexName() const {
  if (m_strCmdLine == "R") return "VantoExeMutexRun";
  if (m_strCmdLine == "N") return "VantoExeMutexNew";
  return "VantoExeMutex";
}

int CVantoExeApp::CheckLaunchName() {
  char path[512] = "";
  ::GetModuleFileNameA(nullptr, path, sizeof(path));
  const std::string dir = FolderOfPath(path);
  if (dir.empty()) return 0;
  // The folder is shorter than the 512-byte path it came from.
  std::memcpy(g_szModuleDir, dir.c_str(), dir.size() + 1);
  const std::string name = NameOfPath(path);
  if (m_strCmdLine.empty() &&
      (::lstrcmpiA(name.c_str(), g_szExeNames[1]) == 0 || ::lstrcmpiA(name.c_str(), g_szExeNames[2]) == 0)) {
    ShowAppMessage("이 파일은 사용자가 직접 실행 할 수 없습니다.");
    return 0;
  }
  return 1;
}

std::string CVantoExeApp::GetDefaultIniPath() {
  char path[1024] = "";
  ::GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string text = path;
  if (HasBackslash(text)) text = FolderOfPath(text);
  return text + "\\Vanto.ini";
}

std::string CVantoExeApp::GetAppVersion() {
  char path[512] = "";
  ::GetModuleFileNameA(nullptr, path, sizeof(path));
  DWORD handle = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(path, &handle);
  if (size == 0) return std::string();
  std::string block(size, '\0');
  if (!::GetFileVersionInfoA(path, 0, size, &block[0])) return std::string();
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info) return std::string();
  char text[64];
  std::snprintf(text, sizeof(text), "%d.%d.%d.%d", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
  return text;
}

void CVantoExeApp::LoadSpecialDirMap() {
  FillSpecialDirMap(m_mapSpecialDir);
  for (const auto& entry : m_mapSpecialDir) {
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::LoadSpecialDirMap> %s = [%s]", entry.first.c_str(),
                  entry.second.c_str());
  }
}

void CVantoExeApp::ClearSpecialDirMap() {
  if (g_pMyLog) {
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::ClearSpecialDirMap> Map Count = %d",
                  static_cast<int>(m_mapSpecialDir.size()));
  }
  m_mapSpecialDir.clear();
}

void CVantoExeApp::GetSpecialDir(const char* token, char* out512) const {
  std::string value;
  if (!FindSpecialDir(m_mapSpecialDir, token, value)) return;
  std::snprintf(out512, 512, "%s", value.c_str());
}

int CVantoExeApp::LoadConfiguration() {
  CVantoCfg& cfg = *m_pCfg;
  const char first = m_strCmdLine.empty() ? '\0' : m_strCmdLine[0];
  int accepted = 1;
  switch (first) {
    case '0':
    case '1':
      accepted = ParseLongCommandLine(m_strCmdLine, cfg);
      break;
    case '2':
      accepted = ParseWebCommandLine(m_strCmdLine, cfg);
      break;
    case '3':
      accepted = ParseFileCommandLine(m_strCmdLine, cfg);
      break;
    case '\0':
    case 'R':
    case 'N':
      cfg.m_strStartMode = "3";
      cfg.m_strCfgFilePath = GetDefaultIniPath();
      cfg.m_strCfgFileSectionName = "VANTO";
      cfg.LoadConfigFromIniFile(cfg.m_strCfgFilePath, cfg.m_strCfgFileSectionName);
      if (cfg.TARGET_DIR.empty()) {
        FailStart("Can't get config information, so exit program");
        return 0;
      }
      return 1;
    default: {
      char message[8192];
      std::snprintf(message, sizeof(message), "Invalid program argument, so exit program.\n(Command Line = %s)",
                    m_strCmdLine.c_str());
      FailStart(message);
      return 0;
    }
  }
  if (accepted != 1) {
    FailStart("Invalid program argument, so exit program.");
    return 0;
  }
  return 1;
}

void CVantoExeApp::ApplyBPServer() {
  CVantoCfg& cfg = *m_pCfg;
  if (cfg.DOWNLOAD_FROM_BP_SERVER == 0 || cfg.SVR_IP_ADDR.empty() || cfg.SVR_PORT_NO.empty()) return;
  if (cfg.BP_SERVER_PORT_NO.empty()) {
    ShowAppMessage("BP server port number is unknown.");
    g_pMyLog->Log(LOG_ERROR, "CVantoExeApp::InitInstance> BP server port number is unknown.");
    return;
  }
  CSockUtil::GetLocalIpAddr(g_szLocalIp);
  g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::InitInstance> Local IP : %s", g_szLocalIp);
  BPServerChoice choice;
  const BPServerOutcome outcome = ChooseBPServer(cfg.DOWNLOAD_FROM_BP_SERVER, cfg.SVR_IP_ADDR, cfg.SVR_PORT_NO,
                                                 cfg.BP_SERVER_PORT_NO, g_szLocalIp, &choice);
  if (outcome == BP_INVALID_IP) {
    g_pMyLog->Log(LOG_ERROR, "CVantoExeApp::InitInstance> Not valid IP address.");
  } else if (outcome == BP_SUBSTITUTED) {
    m_nBPDownloadFlag = 1;
    cfg.m_strOrgSvrIpAddr = choice.orgSvrIpAddr;
    cfg.m_strOrgSvrPortNo = choice.orgSvrPortNo;
    cfg.SVR_IP_ADDR = choice.svrIpAddr;
    cfg.SVR_PORT_NO = choice.svrPortNo;
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::InitInstance> BP Server IP : %s, Port : %s", cfg.SVR_IP_ADDR.c_str(),
                  cfg.SVR_PORT_NO.c_str());
  }
}

int CVantoExeApp::LoadWebModeConfig() {
  CVantoCfg& cfg = *m_pCfg;
  g_pMyLog->Log(LOG_INFO, "CVantoExeApp::InitInstance> Try to LoadConfigFromServer()");
  int32_t errCode = 0;
  std::string errMsg;
  bool retry = false;
  const CertificateRetry rule{
      cfg.SVR_HTTPS, m_nCertIgnoreFlag,
      [](const std::string& question) { return ShowAppMessage(question, MB_YESNO | MB_ICONEXCLAMATION) == IDYES; },
      nullptr, "CVantoExeApp::InitInstance> Retry LoadConfigFromServer()"};
  return CallWithCertificateRetry(
      rule,
      [&] {
        // The retry goes without the proxy settings.
        const int answer =
            retry ? LoadConfigFromServer(cfg, cfg.SVR_IP_ADDR, cfg.SVR_PORT_NO, cfg.SVR_HTTPS, cfg.m_strSvrCfgFilePath,
                                         m_nCertIgnoreFlag, errCode, errMsg, "", "", "", 0)
                  : LoadConfigFromServer(cfg, cfg.SVR_IP_ADDR, cfg.SVR_PORT_NO, cfg.SVR_HTTPS,
                                         cfg.m_strSvrCfgFilePath, m_nCertIgnoreFlag, errCode, errMsg,
                                         cfg.PROXY_IP_ADDR, cfg.PROXY_USER_NAME, cfg.PROXY_USER_PASSWORD,
                                         cfg.PROXY_AUTH_MODE);
        retry = true;
        return answer;
      },
      errCode, errMsg);
}

void CVantoExeApp::RunServerSession() {
  m_pHttp = std::make_unique<CHttpContext>(*m_pCfg);
  m_pHttp->m_nBPDownloadFlag = m_nBPDownloadFlag;
  m_pHttp->m_nCertIgnoreFlag = m_nCertIgnoreFlag;
  if (!m_pHttp->OpenShared("CVantoExeApp::InitInstance> ")) {
    FailFatal("Can't get a HTTP connection, so exit program.");
    return;
  }
  RunProgressDialog();
}

void CVantoExeApp::CloseServerSession() {
  if (!m_pHttp) return;
  if (m_pHttp->Connection() && g_pMyLog) g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::ExitInstance> Close HTTP Connection");
  m_pHttp->CloseConnection();
  if (m_pHttp->Session() && g_pMyLog) g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::ExitInstance> Close Internet Sesion");
  m_pHttp->CloseSession();
  m_pHttp.reset();
}

BOOL CVantoExeApp::InitInstance() {
  m_nRestartFlag = 0;
  m_nBPDownloadFlag = 0;
  if (!CheckLaunchName()) {
    g_nStartFailFlag = 2;
    return FALSE;
  }
  if (m_strCmdLine.empty() && CopyAndStartSelf("R") == 0) {
    g_nStartFailFlag = 2;
    return FALSE;
  }
  m_winsock = std::make_unique<CWinsockSession>();
  if (!m_winsock->IsStarted()) {
    m_winsock.reset();
    FailStart(LoadResourceText(kIdsSocketsInitFailed, "Windows 소켓 초기화에 실패하였습니다."));
    return FALSE;
  }

  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  m_gdiplus = std::make_unique<CGdiplusSession>();
  m_nCertIgnoreFlag = 0;

  m_hMutex.reset(::CreateMutexA(nullptr, TRUE, MutexName().c_str()));
  if (m_hMutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
    m_hMutex.reset();
    FailStart("Previous version management program is already running.");
    return FALSE;
  }

  m_strVersion = GetAppVersion();
  m_pCfg = std::make_unique<CVantoCfg>();
  m_pCfg->m_dwConnectTimeOut = m_dwConnectTimeOut;
  m_pCfg->m_dwSendTimeOut = m_dwSendTimeOut;
  m_pCfg->m_dwRecvTimeOut = m_dwRecvTimeOut;
  if (!LoadConfiguration()) return FALSE;
  CVantoCfg& cfg = *m_pCfg;

  TrimDownloadBaseUrl(cfg);
  if (!NormalizeTargetDir(cfg)) {
    FailStart("The target directory is invalid. ");
    return FALSE;
  }
  DWORD error = 0;
  const int created = CreateParentDirectories(cfg.TARGET_DIR + "\\log", &error);
  if (created != 1) {
    char message[128];
    std::snprintf(message, sizeof(message), "Target directory creation failed. (return = %d, error = %lu)", created,
                  error);
    FailStart(message);
    return FALSE;
  }

  const std::string logFolder = cfg.TARGET_DIR + "\\log";
  m_pLog = std::make_unique<CMyLog>();
  g_pMyLog = m_pLog.get();
  g_pMyLog->Init(logFolder.c_str(), "VantoExe", 10, "DEBUG", static_cast<int16_t>(cfg.LOG_ENCODE_FLAG));
  g_pMyLog->Log(LOG_INFO, "%s", std::string(86, '=').c_str());
  g_pMyLog->Log(LOG_INFO, "CVantoExeApp::InitInstance> VantoExe Start, Version = %s", m_strVersion.c_str());
  MarkRunNotFinished(cfg.TARGET_DIR);
  const std::string markedTargetDir = cfg.TARGET_DIR;

  ReplaceLoomBrowserPath(cfg);
  LoadSpecialDirMap();

  if (::GetCurrentDirectoryA(sizeof(g_szCurrentDir), g_szCurrentDir) != 0) {
    g_pMyLog->Log(LOG_INFO, "CVantoExeApp::InitInstance> Current Directory = %s", g_szCurrentDir);
  } else {
    g_szCurrentDir[0] = '\0';
    g_pMyLog->Log(LOG_INFO, "CVantoExeApp::InitInstance> GetCurrentDirectory() Fail, ErrCode = %lu",
                  ::GetLastError());
  }

  if (m_strCmdLine[0] == '2' && LoadWebModeConfig() < 0) {
    g_pMyLog->Log(LOG_ERROR,
                  "CVantoExeApp::InitInstance> Can't get config information, so exit program(DIRECT_EXE_START_WEB_MODE)");
    FailFatal("Can't get config information, so exit program");
    return FALSE;
  }
  if (m_strCmdLine[0] == '3' && cfg.LoadConfigFromIniFile(cfg.m_strCfgFilePath, cfg.m_strCfgFileSectionName) < 0) {
    g_pMyLog->Log(LOG_ERROR,
                  "CVantoExeApp::InitInstance> Can't get config information, so exit program(DIRECT_EXE_START_FILE_MODE)");
    FailFatal("Can't get config information, so exit program");
    return FALSE;
  }
  // Whatever the start mode, the key of the Vanto.ini beside the program holds.
  cfg.LoadPublisherKeyFromIniFile(GetDefaultIniPath(), "VANTO");
  cfg.LogConfigInfo();
  // The server's or the named file's settings may name another folder.
  if (cfg.TARGET_DIR != markedTargetDir) MarkRunNotFinished(cfg.TARGET_DIR);
  ApplyBPServer();

  char folder[512] = "";
  if (::GetWindowsDirectoryA(folder, sizeof(folder)) == 0) {
    g_pMyLog->Log(LOG_ERROR, "CVantoExeApp::InitInstance> GetWindowsDirectory() Fail, ErrCode = %lu",
                  ::GetLastError());
    g_pMyLog->LogLastErrorText();
    FailFatal("Can't get windows directory, so exit program");
    return FALSE;
  }
  g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::InitInstance> Windows Directory : %s", folder);
  m_strWindowsDir = folder;
  if (::GetSystemDirectoryA(folder, sizeof(folder)) == 0) {
    g_pMyLog->Log(LOG_ERROR, "CVantoExeApp::InitInstance> GetSystemDirectory() Fail, ErrCode = %lu",
                  ::GetLastError());
    g_pMyLog->LogLastErrorText();
    FailFatal("Can't get a system Directory, so exit program.");
    return FALSE;
  }
  g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::InitInstance> System Directory : %s", folder);
  m_strSystemDir = folder;

  g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::InitInstance> m_nKillLoomBrowserFlag : %d", cfg.KILL_LOOMBROWSER_FLAG);
  if (cfg.KILL_LOOMBROWSER_FLAG != 0) {
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::InitInstance> Call KillLoomBrowserRun() Func");
    KillLoomBrowserRun(cfg.LOOMBROWSER_PROG_FILE_PATH);
  }
  g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::InitInstance> m_nKillLoomBrowser5Flag : %d", cfg.KILL_LOOMBROWSER5_FLAG);
  if (cfg.KILL_LOOMBROWSER5_FLAG != 0) {
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::InitInstance> Call KillLoomBrowser5Run() Func");
    KillLoomBrowser5Run(cfg.LOOMBROWSER5_PROG_FILE_PATH);
  }

  if (cfg.m_strStartMode.compare(0, 1, "1") == 0) return FALSE;
  RunServerSession();
  return FALSE;
}
