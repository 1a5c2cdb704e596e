// Exit sequence of the application object: result file, links, agent,
// download date, companion browsers, release of everything.
#include <winsock2.h>

#include <cstdio>
#include <ctime>

#include "app/AppGlobals.h"
#include "app/AppLaunch.h"
#include "app/DesktopLinks.h"
#include "app/ResultFile.h"
#include "app/VantoExeApp.h"
#include "util/VantoResult.h"

namespace {
void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size())) {
    text.replace(pos, from.size(), to);
  }
}
}  // namespace

int CVantoExeApp::ExitInstance() {
  m_gdiplus.reset();
  if (g_nStartFailFlag == 1 || g_nStartFailFlag == 2) return 0;

  if (g_szCurrentDir[0] != '\0') {
    if (::SetCurrentDirectoryA(g_szCurrentDir)) {
      g_pMyLog->Log(LOG_INFO, "CVantoExeApp::ExitInstance> Set Current Directory = %s", g_szCurrentDir);
    } else {
      g_pMyLog->Log(LOG_INFO, "CVantoExeApp::ExitInstance> SetCurrentDirectory() Fail, ErrCode = %lu",
                    ::GetLastError());
    }
  }
  if (m_hMutex) {
    if (g_pMyLog) g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::ExitInstance> Close Mutex");
    m_hMutex.reset();
  }
  ClearSpecialDirMap();
  if (g_pMyLog) {
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::ExitInstance> g_nResult = %d", g_nResult);
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::ExitInstance> g_nStartFailFlag = %d", g_nStartFailFlag);
  }

  if (m_nRestartFlag == 0 && m_pCfg) {
    const std::string resultFile = ResultFilePathOf(m_pCfg->TARGET_DIR);
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::ExitInstance> pResultFilePath = %s", resultFile.c_str());
    char resultValue[16];
    std::snprintf(resultValue, sizeof(resultValue), "%d", g_nResult);
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::ExitInstance> pResultValue = %s", resultValue);
    WriteResultFile(resultFile, resultValue);
    CreateEnvLink();
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::ExitInstance> Try to Run Corvo");
    CopyAndRun(m_pCfg->AGENT_PROG_FILE_PATH, m_pCfg->AGENT_PROG_ARGUMENT, "Corvo");
    if (g_nResult == VANTO_SUCCESS) WriteDownloadDate();
  } else if (g_pMyLog) {
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::ExitInstance> Program restart due to update.");
  }

  CloseServerSession();

  if (m_nRestartFlag == 0 && m_pCfg && g_nResult == VANTO_SUCCESS) {
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::ExitInstance> Try to Run loom5Browser");
    StartExeByCreateProcess(m_pCfg->LOOMBROWSER5_PROG_FILE_PATH, m_pCfg->LOOMBROWSER5_PROG_ARGUMENT, "loom5Browser");
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::ExitInstance> Try to Run LoomBrowser");
    CopyAndRunLoomBrowser(m_pCfg->LOOMBROWSER_PROG_FILE_PATH, m_pCfg->LOOMBROWSER_PROG_ARGUMENT, "LoomBrowser");
  }

  m_pCfg.reset();
  if (g_pMyLog) {
    g_pMyLog->Log(LOG_INFO, "CVantoExeApp::ExitInstance> Delete g_pMyLog Object");
    g_pMyLog = nullptr;
    m_pLog.reset();
  }
  m_winsock.reset();
  return 0;
}

void CVantoExeApp::WriteDownloadDate() {
  if (!m_pCfg || m_pCfg->TARGET_DIR.empty()) return;
  std::string path = m_pCfg->TARGET_DIR;
  if (path.back() != '\\') path += '\\';
  path += "_UpdateD.ini";
  const std::time_t now = std::time(nullptr);
  std::tm local = {};
  localtime_s(&local, &now);
  char date[16];
  std::strftime(date, sizeof(date), "%Y%m%d", &local);
  ::WritePrivateProfileStringA("UPDATE", "LAST_DOWN_LOAD_YYYYMMDD", date, path.c_str());
  if (g_pMyLog) {
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::WriteDownloadDate> section=%s, date=%s, path=%s", "UPDATE", date,
                  path.c_str());
  }
}

int CVantoExeApp::CreateEnvLink() {
  CVantoCfg& cfg = *m_pCfg;
  const int osMajor = GetOsMajorVersion();
  g_pMyLog->Log(LOG_INFO, "CVantoExeApp::CreateEnvLink> nOsMajorVer = %d", osMajor);
  g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::CreateEnvLink> m_strDesktopLinkName = %s", cfg.DESKTOP_LINK_NAME.c_str());
  g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::CreateEnvLink> m_strDesktopLinkUrl = %s", cfg.DESKTOP_LINK_URL.c_str());
  g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::CreateEnvLink> m_strDesktopLinkIconLocation = %s",
                cfg.DESKTOP_LINK_ICON_LOCATION.c_str());
  if (!cfg.DESKTOP_LINK_NAME.empty()) {
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::CreateEnvLink> Try To Create Desktop Web Link");
    bool x86Exists = false;
    std::string x86Path, plainPath;
    const std::string browser = GetInternetExplorerPath(&x86Exists, &x86Path, &plainPath);
    const bool plainExists = ::GetFileAttributesA(plainPath.c_str()) != INVALID_FILE_ATTRIBUTES;
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::CreateEnvLink> szIePath1 = %s", x86Path.c_str());
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::CreateEnvLink> GetStatus(szIePath1) = %d", x86Exists ? 1 : 0);
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::CreateEnvLink> szIePath2 = %s", plainPath.c_str());
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::CreateEnvLink> GetStatus(szIePath2) = %d", plainExists ? 1 : 0);
    CreateDesktopWebLink(cfg.DESKTOP_LINK_NAME, cfg.DESKTOP_LINK_URL, cfg.DESKTOP_LINK_ICON_LOCATION, browser);
    if (osMajor > 5) SetLinkRunAsAdmin(cfg.DESKTOP_LINK_NAME);
  }
  g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::CreateEnvLink> m_strProgramLinkName = %s", cfg.PROGRAM_LINK_NAME.c_str());
  g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::CreateEnvLink> m_strProgramFilePath = %s", cfg.PROGRAM_FILE_PATH.c_str());
  g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::CreateEnvLink> m_strProgramArgument = %s", cfg.PROGRAM_ARGUMENT.c_str());
  g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::CreateEnvLink> m_strProgramLinkIconLocation = %s",
                cfg.PROGRAM_LINK_ICON_LOCATION.c_str());
  if (!cfg.PROGRAM_LINK_NAME.empty()) {
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::CreateEnvLink> Try To Create Desktop Program Link");
    char systemDir[512] = "";
    if (::GetSystemDirectoryA(systemDir, sizeof(systemDir)) == 0) {
      g_pMyLog->Log(LOG_ERROR, "CVantoExeApp::CreateEnvLink> GetSystemDirectory() Fail, ErrCode = %lu",
                    ::GetLastError());
      g_pMyLog->LogLastErrorText();
      systemDir[0] = '\0';
    }
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::CreateEnvLink> System Directory : %s", systemDir);
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::CreateEnvLink> Before Replace : %s", cfg.PROGRAM_FILE_PATH.c_str());
    ReplaceAll(cfg.PROGRAM_FILE_PATH, "%SystemDir%", systemDir);
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::CreateEnvLink> After Replace : %s", cfg.PROGRAM_FILE_PATH.c_str());
    CreateDesktopLink(cfg.PROGRAM_LINK_NAME, cfg.PROGRAM_FILE_PATH, cfg.PROGRAM_ARGUMENT,
                      cfg.PROGRAM_LINK_ICON_LOCATION);
    if (osMajor > 5) SetLinkRunAsAdmin(cfg.PROGRAM_LINK_NAME);
  }
  return 0;
}
