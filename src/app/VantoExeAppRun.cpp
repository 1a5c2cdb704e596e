// The last start-up step: the progress dialog, run modally, in which the
// whole synchronisation happens.
#include <winsock2.h>

#include "http/FileMove.h"
#include "app/AppGlobals.h"
#include "app/AppLaunch.h"
#include "app/VantoExeApp.h"
#include "run/SelfUpdate.h"
#include "run/VantoEngine.h"
#include "run/VantoRunServices.h"
#include "ui/VantoExeDlg.h"
#include "util/VantoResult.h"

void CVantoExeApp::RunProgressDialog() {
  VantoDialogInfo info;
  info.strVersion = m_strVersion;
  info.strWindowsDir = m_strWindowsDir;
  info.strSystemDir = m_strSystemDir;
  info.strModuleDir = g_szModuleDir;
  info.strExeName = g_szExeNames[0];
  info.strCommandLine = m_strCmdLine;
  info.pLists = &m_lists;
  CVantoExeDlg dialog(info);
  CVantoRunServices services(*m_pHttp, dialog, m_lists, m_mapSpecialDir, m_strSystemDir, m_strWindowsDir);
  VantoRunContext context;
  context.pCfg = m_pCfg.get();
  context.pLists = &m_lists;
  context.pListFileItem = &m_ListFileItem;
  // The request layer reads the two flags where the run changes them.
  context.pBPDownloadFlag = &m_pHttp->m_nBPDownloadFlag;
  context.pCertIgnoreFlag = &m_pHttp->m_nCertIgnoreFlag;
  CVantoEngine engine(dialog, services, context);
  services.SetEngine(&engine);
  dialog.SetEngine(&engine);
  // The "R" copy first compares the program file with the server's.
  CSelfUpdateCheck selfUpdate(dialog, services, m_pCfg.get(), m_pHttp->m_nCertIgnoreFlag, m_nRestartFlag,
                              engine.m_strMsg);
  selfUpdate.m_fnStartUpdatedCopy = [] { return CopyAndStartSelf("N"); };
  selfUpdate.m_fnReplaceProgram = [](const std::string& from, const std::string& to) {
    return MoveFileReplacing(from, to);
  };
  dialog.m_fnSelfUpdateCheck = [&selfUpdate, &info] {
    return selfUpdate.CheckAtDialogStart(info.strModuleDir, info.strExeName);
  };
  dialog.DoModal();
  m_nBPDownloadFlag = m_pHttp->m_nBPDownloadFlag;
  m_nCertIgnoreFlag = m_pHttp->m_nCertIgnoreFlag;
}
