#pragma once
// One synchronisation run and its end, driven by the dialog's two messages:
// list file, download loop, kind handlers, list stamp, summary and result
// code. Talks to the window only through IRunDialog and to the server and
// the list file only through IRunServices.
#include <cstdint>
#include <functional>
#include <string>

#include "list/FileItem.h"
#include "list/FileItemLists.h"

class CVantoCfg;
class IRunDialog;
class IRunServices;

// Application state the run reads and writes; the application owns it.
struct VantoRunContext {
  CVantoCfg* pCfg = nullptr;  // null: there is no application object
  CFileItemLists* pLists = nullptr;
  FileItem* pListFileItem = nullptr;  // m_ListFileItem
  int32_t* pBPDownloadFlag = nullptr;   // m_nBPDownloadFlag
  int32_t* pCertIgnoreFlag = nullptr;   // m_nCertIgnoreFlag
};

class CVantoEngine {
 public:
  CVantoEngine(IRunDialog& dialog, IRunServices& services, const VantoRunContext& context);

  // Handler of WMU_REQUEST_START: a whole run, ending with WMU_DOWN_COMPLETE.
  // Ignored (logged) while a run is active.
  void OnRequestStart(int wParam, int lParam);
  // Handler of WMU_DOWN_COMPLETE.
  void OnDownComplete(int wParam, int lParam);
  // 1 nothing to do, 0 entries to download, -1 list not obtainable, -2 unreadable.
  int IsAlreadyLastVersion();
  // 1 all current or fetched (or only PASS entries failed), 0 some failed,
  // -1 no application object, -2 the loop broke off.
  int DownloadFilesInListFromServer();

  // 0 while a run may go on, 1 once the user asked to stop.
  int32_t m_nRequestStopFlag = 0;
  // Text of the last row or message box built by the run.
  std::string m_strMsg;

 private:
  // The body of OnRequestStart.
  void Run(int wParam, int lParam);
  void SwitchToMainServer();
  // Repeats a failed call once when the user accepts a certificate error.
  int WithCertificateRetry(const std::function<int()>& call, const int& errCode, const std::string& errText,
                           const char* retryLine);
  void ErrorRow(const std::string& text);
  bool HasApp() const { return m_ctx.pCfg && m_ctx.pLists && m_ctx.pListFileItem; }
  int32_t& BPDownloadFlag() { return *m_ctx.pBPDownloadFlag; }

  IRunDialog& m_dialog;
  IRunServices& m_services;
  VantoRunContext m_ctx;
  int32_t m_nLocalBPFlag = 0;
  int32_t m_nLocalCertFlag = 0;
  bool m_bRunActive = false;  // inside OnRequestStart
};
