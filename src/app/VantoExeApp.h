#pragma once
// The application object: decides the run mode from the command line, hands
// the work to a copy of the program where that is the rule, guards against a
// second instance, loads the configuration, prepares folders and log, and at
// exit reports the result and restarts the companion programs.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/WinsockSession.h"
#include "config/VantoCfg.h"
#include "http/HttpContext.h"
#include "list/FileItemLists.h"
#include "ui/GdiplusSession.h"
#include "util/MyLog.h"
#include "util/SpecialDirMap.h"
#include "util/WinHandles.h"

class CVantoExeApp {
 public:
  CVantoExeApp();
  virtual ~CVantoExeApp();
  CVantoExeApp(const CVantoExeApp&) = delete;
  CVantoExeApp& operator=(const CVantoExeApp&) = delete;

  // The command line after the program name, as the framework hands it over.
  void SetCommandLine(const std::string& commandLine) { m_strCmdLine = commandLine; }

  // Framework hooks: start-up always answers FALSE (no message loop of its
  // own; the dialog runs modally), then the exit hook runs.
  BOOL InitInstance();
  int ExitInstance();

  // 1 allowed, 0 refused; fills g_szModuleDir.
  int CheckLaunchName();
  // "%s\Vanto.ini" in the program's folder.
  static std::string GetDefaultIniPath();
  // File version of the program as "%d.%d.%d.%d"; empty when unreadable.
  static std::string GetAppVersion();

  void LoadSpecialDirMap();
  void ClearSpecialDirMap();
  // Copies the token's folder into out512; leaves it unchanged otherwise.
  void GetSpecialDir(const char* token, char* out512) const;
  const SpecialDirMap& GetSpecialDirMap() const { return m_mapSpecialDir; }

  int CreateEnvLink();
  void WriteDownloadDate();

  // Set by the self-update check after it started the updated copy.
  int32_t m_nRestartFlag = 0;
  int32_t m_nBPDownloadFlag = 0;
  int32_t m_nCertIgnoreFlag = 0;
  uint32_t m_dwConnectTimeOut = 1800000;
  uint32_t m_dwSendTimeOut = 1800000;
  uint32_t m_dwRecvTimeOut = 1800000;
  std::string m_strWindowsDir;
  std::string m_strSystemDir;

 private:
  // Start-up failures: shown, and flagged for the exit hook.
  void FailStart(const std::string& message);                        // g_nStartFailFlag = 1
  void FailFatal(const std::string& message);                        // g_nResult = 2
  int LoadConfiguration();                                           // step 9; 1 go on
  void ApplyBPServer();
  // Web start mode: configuration from the server. Negative = failure.
  int LoadWebModeConfig();
  // Session, connection and progress dialog. The HTTP request frame and the
  // dialog plug in here; until then start-up ends after the browsers stop.
  void RunServerSession();
  // Releases what RunServerSession opened (exit steps for the connection and
  // the session).
  void CloseServerSession();
  // Start-up step 30: the progress dialog, run modally, with the run engine.
  void RunProgressDialog();
  std::string MutexName() const;

  std::string m_strCmdLine;
  std::string m_strVersion = "x, x, x, x";
  std::unique_ptr<CMyLog> m_pLog;  // g_pMyLog points here while it lives
  std::unique_ptr<CVantoCfg> m_pCfg;
  // The shared session and connection (g_pInetSession, g_pHttpConnection).
  std::unique_ptr<CHttpContext> m_pHttp;
  // The seven lists of the run and the list file's own item.
  CFileItemLists m_lists;
  FileItem m_ListFileItem;
  SpecialDirMap m_mapSpecialDir;
  UniqueHandle m_hMutex;
  // Started by InitInstance, ended by ExitInstance (GDI+ first, sockets
  // last), or by the destructor after a start-up that returned early.
  std::unique_ptr<CGdiplusSession> m_gdiplus;
  std::unique_ptr<CWinsockSession> m_winsock;
};

// The running application object, or null outside its life.
CVantoExeApp* GetVantoExeApp();

// The command line after the program name (quoted or not) and the blanks
// that follow it.
std::string GetCommandLineTail(const char* fullCommandLine);
