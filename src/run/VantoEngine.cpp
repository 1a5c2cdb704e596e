#include "run/VantoEngine.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <set>
#include <utility>

#include "config/VantoCfg.h"
#include "run/EntryLanePool.h"
#include "run/EntryServices.h"
#include "run/HeldDisplay.h"
#include "run/PublisherSignature.h"
#include "run/RunDialog.h"
#include "run/RunServices.h"
#include "http/CertificateRetry.h"
#include "list/EntryNames.h"
#include "run/RunTexts.h"
#include "util/Cp949Case.h"
#include "util/MyLog.h"
#include "util/VantoResult.h"

namespace {
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void Log(int level, const char* format, ...) {
  if (!g_pMyLog) return;
  va_list args;
  va_start(args, format);
  g_pMyLog->LogV(level, format, args);
  va_end(args);
}

const char* const kRunStartLine =
    "--------------------------------------------------------------------------------------S";
const char* const kRunEndLine =
    "--------------------------------------------------------------------------------------E";
}  // namespace

CVantoEngine::CVantoEngine(IRunDialog& dialog, IRunServices& services, const VantoRunContext& context)
    : m_dialog(dialog), m_services(services), m_ctx(context) {
  // Without application flags the run keeps its own (tools, tests).
  if (!m_ctx.pBPDownloadFlag) m_ctx.pBPDownloadFlag = &m_nLocalBPFlag;
  if (!m_ctx.pCertIgnoreFlag) m_ctx.pCertIgnoreFlag = &m_nLocalCertFlag;
}

void CVantoEngine::ErrorRow(const std::string& text) { m_dialog.AddListMessage(LIST_ROW_ERROR, text); }

int CVantoEngine::WithCertificateRetry(const std::function<int()>& call, const int& errCode,
                                       const std::string& errText, const char* retryLine) {
  if (!m_ctx.pCfg) return call();
  int32_t& certIgnoreFlag = *m_ctx.pCertIgnoreFlag;
  const CertificateRetry rule{
      m_ctx.pCfg->SVR_HTTPS, certIgnoreFlag,
      [this](const std::string& question) {
        m_strMsg = question;
        return m_dialog.AskUser(m_strMsg, "", BOX_YESNO | BOX_ICON_EXCLAMATION) == BOX_ANSWER_YES;
      },
      [this](int32_t code) { return m_services.IsCertificateError(code); }, retryLine};
  return CallWithCertificateRetry(rule, call, errCode, errText);
}

void CVantoEngine::SwitchToMainServer() {
  CVantoCfg& cfg = *m_ctx.pCfg;
  Log(LOG_DEBUG, "CVantoExeDlg::OnRequestStart> >>>>>>>>>>>>>>>> Start the download from the Main server.");
  // Start-up saved the main server only when it switched to the BP server;
  // otherwise the configured server and its connection are the main ones.
  if (cfg.m_strOrgSvrIpAddr.empty()) return;
  cfg.SVR_IP_ADDR = cfg.m_strOrgSvrIpAddr;
  cfg.SVR_PORT_NO = cfg.m_strOrgSvrPortNo;
  if (!m_services.ReopenSharedConnection("VantoExe"))
    Log(LOG_ERROR, "CVantoExeDlg::OnRequestStart> m_pVantoExeApp->g_pHttpConnection is null.");
}

void CVantoEngine::OnRequestStart(int wParam, int lParam) {
  // Start is enabled again after Stop while the loop finishes, and the run
  // dispatches waiting messages: a second start would clear the lists under
  // the running loop.
  if (m_bRunActive) {
    Log(LOG_WARN, "CVantoExeDlg::OnRequestStart> A run is in progress, WMU_REQUEST_START ignored. WPARAM = %d, LPARAM = %d",
        wParam, lParam);
    return;
  }
  struct ActiveRun {
    bool& active;
    explicit ActiveRun(bool& flag) : active(flag) { active = true; }
    ~ActiveRun() { active = false; }
  } activeRun(m_bRunActive);
  try {
    Run(wParam, lParam);
  } catch (const std::exception& e) {
    // Out of memory (a list without end) ends the run as a failure, never
    // as a crash of the program.
    const std::string what = std::string(e.what()).substr(0, 512);
    Log(LOG_ERROR, "CVantoExeDlg::OnRequestStart> Error : %s, Set g_nResult = VANTO_FATAL_ERROR", what.c_str());
    g_nResult = VANTO_FATAL_ERROR;
    m_dialog.PostDialogMessage(WMU_DOWN_COMPLETE, RUN_COMPLETE_FATAL, 0);
  }
}

void CVantoEngine::Run(int wParam, int lParam) {
  Log(LOG_INFO, "%s", kRunStartLine);
  if (m_ctx.pCfg && m_ctx.pCfg->DOWNLOAD_FROM_BP_SERVER != 0) {
    if (m_dialog.GetFirstStartFlag() != 1 && BPDownloadFlag() == 1) {
      BPDownloadFlag() = 0;
      Log(LOG_DEBUG, "CVantoExeDlg::OnRequestStart> Change the download flag. (BP server => Main server)");
    }
    if (BPDownloadFlag() == 1)
      Log(LOG_DEBUG, "CVantoExeDlg::OnRequestStart> >>>>>>>>>>>>>>>> Start the download from the BP server.");
    else
      SwitchToMainServer();
    Log(LOG_DEBUG, "CVantoExeDlg::OnRequestStart> >>>>>>>>>>>>>>>> Server IP : %s, Port : %s",
        m_ctx.pCfg->SVR_IP_ADDR.c_str(), m_ctx.pCfg->BP_SERVER_PORT_NO.c_str());
  }

  m_nRequestStopFlag = 0;
  g_nResult = VANTO_SUCCESS;
  Log(LOG_INFO, "CVantoExeDlg::OnRequestStart> Recv WMU_REQUEST_START Message, WPARAM = %d, LPARAM = %d", wParam,
      lParam);
  Log(LOG_DEBUG, "CVantoExeDlg::OnRequestStart> Set m_nRequestStopFlag = 0");

  m_dialog.SetRunButtons(false, true, false);
  m_dialog.ResetProgressDisplay();

  if (m_dialog.GetFirstStartFlag() == 1) {
    Log(LOG_DEBUG, "CVantoExeDlg::OnButtonStart> Update System Registry Value");
    m_services.UpdateRegisterKeyValue();
    m_dialog.DeleteAllListRows();
    m_dialog.DisplaySystemInfo();
    m_dialog.PumpAllWaitingMessages();
  }
  m_dialog.SetFirstStartFlag(0);

  RunCompletion completion = RUN_COMPLETE_DOWNLOADED;
  const int r = IsAlreadyLastVersion();
  Log(LOG_INFO, "CVantoExeDlg::OnRequestStart> IsAlreadyLastVersion() RetVal = %d", r);
  if (r == 1) {
    // Nothing to fetch: the handlers of every-run kinds still act, and what
    // they fail is reported as on a run that fetched; the list is stamped
    // only when they all succeeded, so that the next run tries again.
    const CVantoCfg& cfg = *m_ctx.pCfg;
    int success = 1;
    if (cfg.ALL_REG_FLAG == 1 && m_services.HandleRegisterTypeFilesByRegSvr32(true, 1) < 0) success = 0;
    m_services.HandleExecuteTypeFiles();
    if (m_services.HandleRegisterTypeFilesByRegAsm(1) < 0) success = 0;
    if (m_services.HandleFontTypeFiles() < 0) success = 0;
    if (success == 1) {
      m_services.CopyServerListFileToLocalListFile(*m_ctx.pListFileItem);
      completion = RUN_COMPLETE_UP_TO_DATE_OR_STOPPED;
    } else {
      Log(LOG_DEBUG, "CVantoExeDlg::OnRequestStart> nAllSequenceSuccessFlag = %d", success);
      completion = EndWithFailures();
    }
  } else if (r < 0) {
    Log(LOG_ERROR,
        "CVantoExeDlg::OnRequestStart> IsAlreadyLastVersion() Fail, RetVal = %d, Set g_nResult = VANTO_FATAL_ERROR", r);
    g_nResult = VANTO_FATAL_ERROR;
    completion = RUN_COMPLETE_FATAL;
  } else {
    const CVantoCfg& cfg = *m_ctx.pCfg;
    int success = 1;
    // Each step runs only while no stop was requested.
    auto go = [this] { return m_nRequestStopFlag == 0; };
    if (go() && DownloadFilesInListFromServer() < 1) success = 0;
    // Also after a stop: what was fetched is owed its installing.
    RecordPendingWork();
    if (m_nRefusedEntries > 0) success = 0;
    if (go()) m_services.HandleExecuteTypeFiles();
    if (go() && !HandlerFinished(FILE_KIND_ZIP, m_services.HandleZipTypeFiles(1))) success = 0;
    if (go() && !HandlerFinished(FILE_KIND_REF, m_services.HandleRegistryTypeFiles())) success = 0;
    if (go() && !HandlerFinished(FILE_KIND_REG, m_services.HandleRegisterTypeFilesByRegSvr32(cfg.ALL_REG_FLAG == 1, 1)))
      success = 0;
    if (go() && !HandlerFinished(FILE_KIND_ASM, m_services.HandleRegisterTypeFilesByRegAsm(1))) success = 0;
    if (go()) m_services.HandleDeleteTypeFiles();
    if (go() && m_services.HandleFontTypeFiles() < 0) success = 0;
    if (go() && !HandlerFinished(FILE_KIND_ZRG, m_services.HandleZipRegTypeFiles(1))) success = 0;

    m_dialog.ShowStepMessage("");
    Log(LOG_DEBUG, "CVantoExeDlg::OnRequestStart> Register Download Info Complete....");
    Log(LOG_DEBUG, "CVantoExeDlg::OnRequestStart> nAllSequenceSuccessFlag = %d", success);
    if (m_nRequestStopFlag != 0) {
      // A stopped run never counts as complete.
      completion = RUN_COMPLETE_UP_TO_DATE_OR_STOPPED;
      g_nResult = VANTO_STOP_BY_USER;
    } else if (success == 1) {
      completion = RUN_COMPLETE_DOWNLOADED;
      Log(LOG_DEBUG, "CVantoExeDlg::OnRequestStart> Hide Vanto Dialog");
      m_services.CopyServerListFileToLocalListFile(*m_ctx.pListFileItem);
      m_strMsg = "프로그램 다운로드 완료";
      m_dialog.AddListMessage(LIST_ROW_INFO, m_strMsg);
    } else {
      completion = EndWithFailures();
    }
  }
  if (r >= 0)
    Log(LOG_DEBUG, "CVantoExeDlg::OnRequestStart> Post WM_DOWN_COMPLETE Message, %d, %d", static_cast<int>(completion),
        0);
  Log(LOG_INFO, "%s", kRunEndLine);
  m_dialog.PostDialogMessage(WMU_DOWN_COMPLETE, completion, 0);
}

RunCompletion CVantoEngine::EndWithFailures() {
  m_strMsg = BPDownloadFlag() == 1 ? "BP 서버에서 일부 프로그램 파일 다운로드 실패" : "일부 프로그램 파일 다운로드 실패";
  ErrorRow(m_strMsg);
  if (BPDownloadFlag() == 1) {
    g_nResult = VANTO_PARTIAL_FAILURE;
    return RUN_COMPLETE_PARTIAL;
  }
  m_strMsg = std::string("모든 다운로드 과정을 완료했지만,\n\n") + "일부 다운로드에 실패한 파일들이 있습니다.\n\n" +
             "계속 진행하시겠습니까?\n\n" + "계속 진행하실 경우 시스템이 정상적으로 동작하지 않을수도 있습니다.";
  if (m_dialog.AskUser(m_strMsg, "Warning", BOX_YESNO | BOX_ICON_QUESTION) == BOX_ANSWER_YES) {
    g_nResult = VANTO_SUCCESS;
    return RUN_COMPLETE_DOWNLOADED;
  }
  g_nResult = VANTO_PARTIAL_FAILURE;
  return RUN_COMPLETE_PARTIAL;
}

void CVantoEngine::RecordPendingWork() {
  // The copies now carry this run's download outcome.
  CarryDownloadOutcome(*m_ctx.pLists);
  const CFileItemLists& lists = *m_ctx.pLists;
  const bool regFromDownList = m_ctx.pCfg->ALL_REG_FLAG != 1;  // else every run registers them all
  bool changed = false;
  auto addFetched = [&](const FileItemList& list, int32_t kind) {
    for (const std::unique_ptr<FileItem>& item : list)
      if (item->m_nFileType == kind && item->m_nDownFlag == 1 && m_pendingWork.Add(kind, item->m_strLocalPath))
        changed = true;
  };
  addFetched(lists.ZipFileItemList, FILE_KIND_ZIP);
  addFetched(lists.DownFileItemList, FILE_KIND_REF);
  if (regFromDownList) addFetched(lists.DownFileItemList, FILE_KIND_REG);
  addFetched(lists.RegAsmFileItemList, FILE_KIND_ASM);
  addFetched(lists.ZipRegFileItemList, FILE_KIND_ZRG);
  if (changed) {
    Log(LOG_DEBUG, "CVantoExeDlg::OnRequestStart> Pending Work Recorded, Count = %d", m_pendingWork.Count());
    m_services.SavePendingWork(*m_ctx.pListFileItem, m_pendingWork);
  }
}

bool CVantoEngine::HandlerFinished(int32_t kind, int result) {
  if (result < 0) return false;
  if (m_pendingWork.ClearKind(kind)) m_services.SavePendingWork(*m_ctx.pListFileItem, m_pendingWork);
  return true;
}

int CVantoEngine::IsAlreadyLastVersion() {
  if (!HasApp()) return -1;
  const CVantoCfg& cfg = *m_ctx.pCfg;
  FileItem& listItem = *m_ctx.pListFileItem;
  listItem = FileItem();
  listItem.m_strFilePath = cfg.LIST_FILE_NAME;
  listItem.m_strLocalPath = cfg.TARGET_DIR + "\\" + cfg.LIST_FILE_NAME;
  listItem.m_strTargetPath = cfg.LIST_FILE_NAME;
  listItem.m_nFileType = FILE_KIND_NORMAL;
  listItem.m_nSysFileFlag = 2;

  m_ctx.pLists->ClearAllFileItemLists();
  m_dialog.ShowStepMessage("리스트 파일 정보 확인중");

  const int info = m_services.GetServerFileInfo(listItem);
  if (info < 0) {
    Log(LOG_ERROR, "CVantoExeDlg::IsAlreadyLastVersion> Can't Get Server File Info, Ret Val = %d", info);
    // The main server follows a BP run, so no message here.
    if (cfg.DOWNLOAD_FROM_BP_SERVER != 0 && BPDownloadFlag() == 1) return -1;
    m_strMsg = std::string("리스트 파일 정보를 가져오는 도중에 오류가 발생했습니다.\n") + "더이상 진행하지 못하고 종료합니다.";
    m_dialog.AskUser(m_strMsg, "", BOX_OK);
    return -1;
  }

  // Work an earlier run left undone keeps the list from counting as done.
  m_pendingWork = m_services.LoadPendingWork(listItem);
  if (!m_pendingWork.Empty())
    Log(LOG_INFO, "CVantoExeDlg::IsAlreadyLastVersion> Pending Work Of An Earlier Run, Count = %d",
        m_pendingWork.Count());
  if (cfg.CHECK_LIST_FILE_FLAG == 1 && m_pendingWork.Empty() && m_services.IsListFileDifferent(listItem) == 0) {
    Log(LOG_INFO, "CVantoExeDlg::IsAlreadyLastVersion> Already Last Version.");
    return 1;
  }

  m_dialog.ShowStepMessage("리스트 파일 다운로드중...");
  Log(LOG_INFO, "CVantoExeDlg::DownloadFilesInListFromServer> Try to DownloadOneFileFromServer()");
  // Signed mode: the list waits beside the previous one until its
  // signature is checked.
  const bool signedMode = !cfg.PUBLISHER_KEY.empty();
  const std::string finalPath = listItem.m_strLocalPath;
  const std::string stagedPath = UnverifiedPathOf(finalPath);
  if (signedMode) {
    m_services.DeleteLocalFile(stagedPath);
    listItem.m_strLocalPath = stagedPath;
  }
  int errCode = 0;
  std::string errText;
  const int down = WithCertificateRetry(
      [&] { return m_services.DownloadOneFileFromServer(listItem, 0, 1, errCode, errText); }, errCode, errText,
      "CVantoExeDlg::DownloadFilesInListFromServer> Retry DownloadOneFileFromServer()");
  listItem.m_strLocalPath = finalPath;
  if (down < 0) {
    if (signedMode) m_services.DeleteLocalFile(stagedPath);
    m_strMsg = std::string("리스트 파일 다운로드 도중에 오류가 발생했습니다.\n") + "더이상 진행하지 못하고 종료합니다.";
    m_dialog.AskUser(m_strMsg, "", BOX_OK);
    return -1;
  }
  if (signedMode && !AcceptSignedList(stagedPath, finalPath)) return -3;

  m_dialog.SetProgressPos(IDC_PROGRESS_TOTAL, 1);
  listItem.m_nDownFlag = 1;
  m_dialog.ShowStepMessage("다운로드 대상 파일 확인중...");

  m_nRefusedEntries = 0;
  const int n = m_services.GetFileListFromListFile(m_pendingWork, signedMode, m_nRefusedEntries);
  Log(LOG_DEBUG, "CVantoExeDlg::IsAlreadyLastVersion> GetFileListFromListFile(), RetVal = %d", n);
  if (n < 0) {
    Log(LOG_DEBUG, "CVantoExeDlg::IsAlreadyLastVersion> Fail To Get Master File List, RetVal = %d", n);
    Log(LOG_ERROR, "CVantoExeDlg::IsAlreadyLastVersion> Set g_nResult = VANTO_FATAL_ERROR");
    g_nResult = VANTO_FATAL_ERROR;
    m_strMsg = std::string("리스트 파일 데이터가 손상되었습니다.\n") + "더이상 진행하지 못하고 종료합니다.";
    m_dialog.AskUser(m_strMsg, "", BOX_OK);
    return -2;
  }
  // Only what the published list still names is ever installed.
  if (m_pendingWork.KeepListed(m_ctx.pLists->DownFileItemList)) m_services.SavePendingWork(listItem, m_pendingWork);
  // Refused entries make the run a partial failure even when nothing else
  // is left to fetch.
  return n > 0 || m_nRefusedEntries > 0 ? 0 : 1;
}

bool CVantoEngine::AcceptSignedList(const std::string& stagedPath, const std::string& finalPath) {
  const CVantoCfg& cfg = *m_ctx.pCfg;
  const std::string key = AcceptedListKey(cfg);
  ReleaseRules rules;
  rules.fileName = cfg.LIST_FILE_NAME;
  rules.requireTimestamp = true;
  rules.now = m_services.CurrentUnixTime();
  rules.lastAccepted = m_services.LoadAcceptedListTime(key);
  const PublisherCheck check =
      CheckPublisherSignature(m_services, cfg, BuildFileUrl(cfg.DOWNLOAD_BASE_URL, cfg.LIST_FILE_NAME), stagedPath, rules);
  if (!check.accepted) {
    m_services.DeleteLocalFile(stagedPath);
    if (check.fetched && check.verdict == ReleaseVerdict::Rollback) {
      Log(LOG_ERROR, "CVantoExeDlg::IsAlreadyLastVersion> Older list file refused (replayed release) : %s",
          check.reason.c_str());
      m_strMsg = "이전 버전 리스트 파일 거부 : 서명 시각이 이미 받은 리스트보다 이전임(재전송 의심)";
    } else {
      Log(LOG_ERROR, "CVantoExeDlg::IsAlreadyLastVersion> List file signature refused : %s", check.reason.c_str());
      m_strMsg = "리스트 파일 서명 확인 실패 : " + RefusalRowReason(check);
    }
    ErrorRow(m_strMsg);
    return false;
  }
  if (!m_services.ReplaceLocalFile(stagedPath, finalPath)) {
    Log(LOG_ERROR, "CVantoExeDlg::IsAlreadyLastVersion> Verified list file could not replace %s", finalPath.c_str());
    m_services.DeleteLocalFile(stagedPath);
    m_strMsg = "리스트 파일 교체 실패 : " + finalPath;
    ErrorRow(m_strMsg);
    return false;
  }
  Log(LOG_INFO, "CVantoExeDlg::IsAlreadyLastVersion> List file signature verified, key id %s, timestamp %llu",
      check.keyId.c_str(), static_cast<unsigned long long>(check.timestamp));
  if (check.timestamp > rules.lastAccepted && !m_services.StoreAcceptedListTime(key, check.timestamp))
    Log(LOG_WARN, "CVantoExeDlg::IsAlreadyLastVersion> The accepted list timestamp could not be stored (%s)",
        key.c_str());
  return true;
}

int CVantoEngine::DownloadFilesInListFromServer() {
  if (!HasApp()) return -1;
  const CVantoCfg& cfg = *m_ctx.pCfg;
  Log(LOG_DEBUG, "CVantoExeDlg::DownloadFilesInListFromServer> Start Download From Server(%s, %d)",
      cfg.SVR_IP_ADDR.c_str(), std::atoi(cfg.SVR_PORT_NO.c_str()));
  m_dialog.SetStaticText(IDC_STATIC_FILE, "");
  const std::string step = std::string(BPDownloadFlag() == 1 ? "BP " : "") + "서버로 부터 파일 다운로드 중...";
  m_dialog.ShowStepMessage(step.c_str());

  const int total = static_cast<int>(m_ctx.pLists->DownFileItemList.size());
  m_dialog.SetProgressRange(IDC_PROGRESS_TOTAL, 0, total);
  Log(LOG_DEBUG, "CVantoExeDlg::DownloadFilesInListFromServer> Total File Count = %d", total);

  if (cfg.PARALLEL_CONNECTIONS > 1 && total > 1) {
    std::vector<std::unique_ptr<IEntryLane>> lanes;
    const int wanted = std::min(cfg.PARALLEL_CONNECTIONS, total);
    for (int i = 0; i < wanted; ++i) {
      std::unique_ptr<IEntryLane> lane = m_services.OpenEntryLane(m_nRequestStopFlag);
      if (!lane) break;
      lanes.push_back(std::move(lane));
    }
    // Without a lane of its own the run asks one question at a time.
    if (!lanes.empty()) return DownloadEntriesOnLanes(total, std::move(lanes));
  }
  return DownloadEntriesInTurn(total);
}


int CVantoEngine::DownloadEntriesInTurn(int total) {
  int result = 1;
  int index = 0;
  const CallWithRetry retry = [this](const std::function<int()>& call, const int& errCode,
                                     const std::string& errText, const char* retryLine) {
    return WithCertificateRetry(call, errCode, errText, retryLine);
  };
  try {
    for (const std::unique_ptr<FileItem>& entry : m_ctx.pLists->DownFileItemList) {
      FileItem& item = *entry;
      m_dialog.PumpWaitingMessages();
      if (item.m_nFileType == FILE_KIND_DEL) {
        Log(LOG_DEBUG,
            "CVantoExeDlg::DownloadFilesInListFromServer> This is a file that needs to be deleted. So I skip. => %s",
            item.m_strLocalPath.c_str());
        continue;
      }
      m_dialog.PumpWaitingMessages();
      ++index;
      m_dialog.SetProgressPos(IDC_PROGRESS_TOTAL, index);
      if (total != 0) m_dialog.SetStaticText(IDC_STATIC_TOTAL, FormatTotalLine(index, total));
      if (WorkOnEntry(item, m_services, m_dialog, m_strMsg, retry) == 0) result = 0;

      if (m_nRequestStopFlag != 0) {
        Log(LOG_DEBUG, "CVantoExeDlg::DownloadFilesInListFromServer> m_nRequestStopFlag = %d", m_nRequestStopFlag);
        return result;
      }
    }
  } catch (const std::exception& e) {
    const std::string what = std::string(e.what()).substr(0, 512);
    Log(LOG_DEBUG, "CVantoExeDlg::DownloadFilesInListFromServer> Error : %s", what.c_str());
    m_strMsg = "프로그램 장애 : " + what;
    ErrorRow(m_strMsg);
    return -2;
  }
  return result;
}

int CVantoEngine::WorkOnEntry(FileItem& item, IEntryServices& services, IRunDisplay& display, std::string& message,
                              const CallWithRetry& retry) {
  const CVantoCfg& cfg = *m_ctx.pCfg;
  int result = 1;
  int known = 1;
  const std::string name = DisplayNameOf(item.m_strFilePath);
  const bool askServer = item.m_nChunkedFlag == 0 ? (item.m_strFileSize.empty() || item.m_strModifyTime.empty())
                                                  : item.m_strModifyTime.empty();
  if (askServer) {
    known = 0;
    const std::string url = BuildFileUrl(cfg.DOWNLOAD_BASE_URL, item.m_strFilePath);
    Log(LOG_DEBUG, "CVantoExeDlg::DownloadFilesInListFromServer> URL = %s", url.c_str());
    Log(LOG_INFO, "CVantoExeDlg::DownloadOneFileFromServer> Try to GetServerFileInfo()");
    std::string time, size;
    int errCode = 0;
    std::string errText;
    auto query = [&] {
      return services.QueryServerFileInfo(url, time, size, item.m_nChunkedFlag, item.m_nGzipFlag, errCode, errText);
    };
    const int q = retry(query, errCode, errText, "CVantoExeDlg::DownloadOneFileFromServer> Retry GetServerFileInfo()");
    if (q == 0) {
      known = 1;
      item.m_strModifyTime = time;
      if (item.m_nChunkedFlag == 0) {
        item.m_strFileSize = size;
        Log(LOG_DEBUG, "CVantoExeDlg::DownloadOneFileFromServer> Server File ModifyTime = %s, FileSize = %s",
            item.m_strModifyTime.c_str(), item.m_strFileSize.c_str());
      } else {
        Log(LOG_DEBUG, "CVantoExeDlg::DownloadOneFileFromServer> Server File ModifyTime = %s, FileSize = unknown",
            item.m_strModifyTime.c_str());
      }
    } else {
      item.m_nDownFlag = 0;
      Log(LOG_ERROR, "CVantoExeDlg::DownloadOneFileFromServer> GetServerFileInfo() Fail, RetVal = %d", q);
      char text[4096];
      std::snprintf(text, sizeof(text), "%s 파일 버전 정보 추출 실패(에러코드 : %d)", item.m_strFilePath.c_str(), q);
      message = text;
      display.AddListMessage(LIST_ROW_ERROR, message);
    }
  }

  const std::string sizeText = item.m_nChunkedFlag != 0 ? std::string("unknown")
                                                        : FormatSizeWithCommas(item.m_strFileSize);
  display.SetStaticText(IDC_STATIC_FILE, name + " (크기 : " + sizeText + ")");

  if (known == 0) {
    if (item.m_nPassFlag == 0) result = 0;
  } else if (services.CheckDownloadAndSettleBackup(item) != 1) {
    item.m_nDownFlag = 1;
  } else {
    Log(LOG_INFO, "CVantoExeDlg::DownloadFilesInListFromServer> Try to DownloadOneFileFromServer()");
    int errCode = 0;
    std::string errText;
    const int d = retry([&] { return services.DownloadOneFileFromServer(item, 1, 1, errCode, errText); }, errCode,
                        errText, "CVantoExeDlg::DownloadFilesInListFromServer> Retry DownloadOneFileFromServer()");
    if (d >= 0) {
      item.m_nDownFlag = 1;
    } else {
      item.m_nDownFlag = 0;
      Log(LOG_DEBUG, "CVantoExeDlg::DownloadFilesInListFromServer> DownloadOneFileFromServer() Fail, RetVal = %d", d);
      message = BuildDownloadFailureText(item.m_strFilePath, d);
      display.AddListMessage(LIST_ROW_ERROR, message);
      if (item.m_nPassFlag == 0) result = 0;
    }
  }
  return result;
}

// One entry of a parallel run, from the dialog's thread to a lane and back.
struct EntryJob {
  FileItem* item = nullptr;
  bool skipped = false;  // a delete entry: only its line
  std::vector<std::string> keys;  // the names it writes (file, backup, partial file), upper-cased
  int certIgnoreFlag = 0;          // as it was when the entry was handed on
  std::atomic<bool> done{false};
  int outcome = 1;
  CMyLog::HeldLines lines;
  std::vector<CHeldDisplay::Row> rows;
  std::string message;
  // A certificate question became due: where the entry stood then.
  bool certificateDue = false;
  size_t linesBeforeQuestion = 0;
  int certErrCode = 0;
  std::string certErrText;
  const char* retryLine = nullptr;
  // What the work threw.
  bool threw = false;
  std::string what;
};


void CVantoEngine::WorkOnLane(IEntryLane& lane, EntryJob& job) {
  CHeldLogLines held;
  CHeldDisplay display;
  const int certIgnoreFlag = job.certIgnoreFlag;
  const int16_t https = m_ctx.pCfg->SVR_HTTPS;
  // The question cannot be asked here: the dialog's thread asks it when the
  // entry's turn comes, and the entry is worked on once more there.
  const CallWithRetry retry = [&](const std::function<int()>& call, const int& errCode, const std::string& errText,
                                  const char* retryLine) {
    const int result = call();
    if (result < 0 && !job.certificateDue && https == 2 && certIgnoreFlag == 0 &&
        m_services.IsCertificateError(errCode)) {
      job.certificateDue = true;
      job.linesBeforeQuestion = held.Count();
      job.certErrCode = errCode;
      job.certErrText = errText;
      job.retryLine = retryLine;
    }
    return result;
  };
  try {
    lane.BeginEntry(certIgnoreFlag, display, job.message);
    job.outcome = WorkOnEntry(*job.item, lane, display, job.message, retry);
  } catch (const std::exception& e) {
    job.threw = true;
    job.what = std::string(e.what()).substr(0, 512);
  }
  job.lines = held.Take();
  job.rows = display.Rows();
  job.done = true;
}

int CVantoEngine::ShowFinishedEntry(EntryJob& job, int& finished, int total) {
  FileItem& item = *job.item;
  if (job.skipped) {
    Log(LOG_DEBUG,
        "CVantoExeDlg::DownloadFilesInListFromServer> This is a file that needs to be deleted. So I skip. => %s",
        item.m_strLocalPath.c_str());
    return 1;
  }
  ++finished;
  m_dialog.SetProgressPos(IDC_PROGRESS_TOTAL, finished);
  if (total != 0) m_dialog.SetStaticText(IDC_STATIC_TOTAL, FormatTotalLine(finished, total));

  if (job.certificateDue && !job.threw) {
    // The entry's lines up to the question, then the question in list
    // order; after yes the entry is worked on again here.
    CMyLog::HeldLines before(job.lines.begin(), job.lines.begin() + static_cast<std::ptrdiff_t>(job.linesBeforeQuestion));
    if (g_pMyLog) g_pMyLog->WriteHeld(before);
    const CallWithRetry retry = [this](const std::function<int()>& call, const int& errCode,
                                       const std::string& errText, const char* retryLine) {
      return WithCertificateRetry(call, errCode, errText, retryLine);
    };
    if (*m_ctx.pCertIgnoreFlag == 1) return WorkOnEntry(item, m_services, m_dialog, m_strMsg, retry);
    // The lane's failure stands in for the first call; on yes the entry is
    // worked on again here.
    bool asked = false;
    const int again = WithCertificateRetry(
        [&] {
          if (!asked) {
            asked = true;
            return -1;
          }
          return WorkOnEntry(item, m_services, m_dialog, m_strMsg, retry);
        },
        job.certErrCode, job.certErrText, job.retryLine);
    if (again >= 0) return again;
    CMyLog::HeldLines after(job.lines.begin() + static_cast<std::ptrdiff_t>(job.linesBeforeQuestion), job.lines.end());
    if (g_pMyLog) g_pMyLog->WriteHeld(after);
  } else if (g_pMyLog) {
    g_pMyLog->WriteHeld(job.lines);
  }
  for (const CHeldDisplay::Row& row : job.rows) {
    m_strMsg = row.second;
    m_dialog.AddListMessage(row.first, row.second);
  }
  const std::string sizeText = item.m_nChunkedFlag != 0 ? std::string("unknown")
                                                        : FormatSizeWithCommas(item.m_strFileSize);
  m_dialog.SetStaticText(IDC_STATIC_FILE, DisplayNameOf(item.m_strFilePath) + " (크기 : " + sizeText + ")");
  return job.outcome;
}

int CVantoEngine::DownloadEntriesOnLanes(int total, std::vector<std::unique_ptr<IEntryLane>> lanes) {
  FileItemList& items = m_ctx.pLists->DownFileItemList;
  // The entries from the first one not shown to the last one handed on, in
  // list order; an entry's job (its held lines and rows) lives only as long
  // as it is in this window, so a long list costs no more than the lanes do.
  std::deque<std::unique_ptr<EntryJob>> window;
  const auto makeJob = [](FileItem& item) {
    auto job = std::make_unique<EntryJob>();
    job->item = &item;
    job->skipped = item.m_nFileType == FILE_KIND_DEL;
    if (job->skipped) {
      job->done = true;
    } else {
      job->keys = {UpperCp949(item.m_strLocalPath), UpperCp949(EntryBackupPath(item)),
                   UpperCp949(EntryPartPath(item))};
    }
    return job;
  };

  int result = 1;
  int finished = 0;
  size_t given = 0;  // entries handed to the lanes (or skipped), in list order
  size_t working = 0;
  std::multiset<std::string> busy;  // the names the entries on the lanes write
  bool stopped = false;
  std::string broke;  // what an entry's work threw
  {
    CEntryLanePool pool(std::move(lanes));
    Log(LOG_DEBUG, "CVantoExeDlg::DownloadFilesInListFromServer> Parallel Connections = %d",
        static_cast<int>(pool.Size()));
    std::unique_ptr<EntryJob> next;  // the entry after the window, waiting for its turn
    for (;;) {
      m_dialog.PumpAllWaitingMessages();
      if (m_nRequestStopFlag != 0) stopped = true;
      // Hand on the next entries while lanes are free; an entry whose file
      // (or backup) is in work waits for it, and so do the ones after it.
      while (!stopped && broke.empty() && given < items.size() && working < pool.Size()) {
        if (!next) next = makeJob(*items[given]);
        EntryJob& job = *next;
        if (!job.skipped) {
          if (std::any_of(job.keys.begin(), job.keys.end(),
                          [&busy](const std::string& key) { return busy.count(key) != 0; }))
            break;
          busy.insert(job.keys.begin(), job.keys.end());
          ++working;
          job.certIgnoreFlag = *m_ctx.pCertIgnoreFlag;
          pool.Submit([this, &job](IEntryLane& lane) { WorkOnLane(lane, job); });
        }
        window.push_back(std::move(next));
        ++given;
      }
      while (!window.empty() && window.front()->done) {
        std::unique_ptr<EntryJob> job = std::move(window.front());
        window.pop_front();
        if (!job->skipped) {
          --working;
          for (const std::string& key : job->keys) busy.erase(busy.find(key));
        }
        if (ShowFinishedEntry(*job, finished, total) == 0) result = 0;
        if (job->threw && broke.empty()) broke = job->what;
      }
      if (window.empty() && (stopped || !broke.empty() || given == items.size())) break;
      pool.WaitForProgress(std::chrono::milliseconds(20));
    }
  }
  if (!broke.empty()) {
    Log(LOG_DEBUG, "CVantoExeDlg::DownloadFilesInListFromServer> Error : %s", broke.c_str());
    m_strMsg = "프로그램 장애 : " + broke;
    ErrorRow(m_strMsg);
    return -2;
  }
  if (stopped)
    Log(LOG_DEBUG, "CVantoExeDlg::DownloadFilesInListFromServer> m_nRequestStopFlag = %d", m_nRequestStopFlag);
  return result;
}

void CVantoEngine::OnDownComplete(int wParam, int lParam) {
  Log(LOG_INFO, "CVantoExeDlg::OnDownComplete> Recv WMU_DOWN_COMPLETE Message, WPARAM = %d, LPARAM = %d", wParam,
      lParam);
  if (BPDownloadFlag() == 1) {
    Log(LOG_DEBUG, "CVantoExeDlg::OnDownComplete> >>>>>>>>>>>>>>>> Call a download to the Main server.");
    BPDownloadFlag() = 0;
    m_dialog.PostDialogMessage(WMU_REQUEST_START, 2, 0);
    return;
  }
  if (m_ctx.pCfg && m_ctx.pCfg->DELETE_LOCAL_LIST_FILE != 0 && m_ctx.pListFileItem &&
      !m_ctx.pListFileItem->m_strLocalPath.empty())
    std::remove(m_ctx.pListFileItem->m_strLocalPath.c_str());
  if (g_nResult != VANTO_SUCCESS) {
    m_dialog.SetRunButtons(true, false, true);
    return;
  }
  if (m_ctx.pLists) m_ctx.pLists->ClearAllFileItemLists();
  Log(LOG_DEBUG, "CVantoExeDlg::OnDownComplete> Post WM_CLOSE Message");
  m_dialog.PostDialogMessage(WMU_CLOSE_DIALOG, 0, 0);
}
