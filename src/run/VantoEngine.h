#pragma once
// One synchronisation run and its end, driven by the dialog's two messages:
// list file, download loop, kind handlers, list stamp, summary and result
// code. Talks to the window only through IRunDialog and to the server and
// the list file only through IRunServices.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "list/FileItem.h"
#include "list/FileItemLists.h"
#include "run/PendingWork.h"
#include "run/RunDialog.h"

class CVantoCfg;
class IEntryLane;
class IEntryServices;
class IRunDialog;
class IRunDisplay;
class IRunServices;
struct EntryJob;

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
  // 1 nothing to do, 0 entries to download, -1 list not obtainable, -2
  // unreadable, -3 its signature refused (PUBLISHER_KEY set).
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
  // The run's end when handlers failed: the error row, then result 3 on the
  // BP server or the user's answer; the WPARAM to post.
  RunCompletion EndWithFailures();
  // After the download loop: the pending work of earlier runs together
  // with every entry a handler is about to install, saved before the first
  // handler starts.
  void RecordPendingWork();
  // A handler of kind finished with result: on success its entries leave
  // the record. false when it failed.
  bool HandlerFinished(int32_t kind, int result);
  // Signed mode: checks the staged list's signature and moves it into
  // place; false (logged, error row, staged file deleted) when refused.
  bool AcceptSignedList(const std::string& stagedPath, const std::string& finalPath);
  // Repeats a failed call once when the user accepts a certificate error.
  int WithCertificateRetry(const std::function<int()>& call, const int& errCode, const std::string& errText,
                           const char* retryLine);
  // A call with the certificate rule around it: WithCertificateRetry on the
  // dialog's thread; on a lane the question is only noted as due.
  using CallWithRetry = std::function<int(const std::function<int()>& call, const int& errCode,
                                          const std::string& errText, const char* retryLine)>;
  // The server query (when the list lacks time or size), the decision and
  // the download of one entry, with their log lines and rows; 0 when the
  // entry failed and it counts (not PASS), else 1.
  int WorkOnEntry(FileItem& item, IEntryServices& services, IRunDisplay& display, std::string& message,
                  const CallWithRetry& retry);
  // The loop over the entries one at a time (PARALLEL_CONNECTIONS 1).
  int DownloadEntriesInTurn(int total);
  // The loop with the entries' work on lanes; rows, lines and bars on the
  // dialog's thread, in list order.
  int DownloadEntriesOnLanes(int total, std::vector<std::unique_ptr<IEntryLane>> lanes);
  // A lane's work on one entry (worker thread).
  void WorkOnLane(IEntryLane& lane, EntryJob& job);
  // Shows a finished entry: its lines, rows and the bars; 0 when it failed
  // and counts.
  int ShowFinishedEntry(EntryJob& job, int& finished, int total);
  void ErrorRow(const std::string& text);
  bool HasApp() const { return m_ctx.pCfg && m_ctx.pLists && m_ctx.pListFileItem; }
  int32_t& BPDownloadFlag() { return *m_ctx.pBPDownloadFlag; }

  IRunDialog& m_dialog;
  IRunServices& m_services;
  VantoRunContext m_ctx;
  int32_t m_nLocalBPFlag = 0;
  int32_t m_nLocalCertFlag = 0;
  bool m_bRunActive = false;  // inside OnRequestStart
  CPendingWork m_pendingWork;  // read by IsAlreadyLastVersion
  int m_nRefusedEntries = 0;  // signed mode: entries refused for lacking a SHA-256
};
