#include "run/VantoEngine.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "config/VantoCfg.h"
#include "run/RunDialog.h"
#include "run/RunServices.h"
#include "http/CertificateRetry.h"
#include "run/RunTexts.h"
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
    const CVantoCfg& cfg = *m_ctx.pCfg;
    m_services.CopyServerListFileToLocalListFile(*m_ctx.pListFileItem);
    if (cfg.ALL_REG_FLAG == 1) m_services.HandleRegisterTypeFilesByRegSvr32(true, 1);
    m_services.HandleExecuteTypeFiles();
    m_services.HandleRegisterTypeFilesByRegAsm(1);
    m_services.HandleFontTypeFiles();
    completion = RUN_COMPLETE_UP_TO_DATE_OR_STOPPED;
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
    if (go()) m_services.HandleExecuteTypeFiles();
    if (go() && m_services.HandleZipTypeFiles(1) < 0) success = 0;
    if (go() && m_services.HandleRegistryTypeFiles() < 0) success = 0;
    if (go() && m_services.HandleRegisterTypeFilesByRegSvr32(cfg.ALL_REG_FLAG == 1, 1) < 0) success = 0;
    if (go() && m_services.HandleRegisterTypeFilesByRegAsm(1) < 0) success = 0;
    if (go()) m_services.HandleDeleteTypeFiles();
    if (go() && m_services.HandleFontTypeFiles() < 0) success = 0;
    if (go() && m_services.HandleZipRegTypeFiles(1) < 0) success = 0;

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
      m_strMsg = BPDownloadFlag() == 1 ? "BP 서버에서 일부 프로그램 파일 다운로드 실패" : "일부 프로그램 파일 다운로드 실패";
      ErrorRow(m_strMsg);
      if (BPDownloadFlag() == 1) {
        completion = RUN_COMPLETE_PARTIAL;
        g_nResult = VANTO_PARTIAL_FAILURE;
      } else {
        m_strMsg = std::string("모든 다운로드 과정을 완료했지만,\n\n") + "일부 다운로드에 실패한 파일들이 있습니다.\n\n" +
                   "계속 진행하시겠습니까?\n\n" + "계속 진행하실 경우 시스템이 정상적으로 동작하지 않을수도 있습니다.";
        if (m_dialog.AskUser(m_strMsg, "Warning", BOX_YESNO | BOX_ICON_QUESTION) == BOX_ANSWER_YES) {
          completion = RUN_COMPLETE_DOWNLOADED;
          g_nResult = VANTO_SUCCESS;
        } else {
          completion = RUN_COMPLETE_PARTIAL;
          g_nResult = VANTO_PARTIAL_FAILURE;
        }
      }
    }
  }
  if (r >= 0)
    Log(LOG_DEBUG, "CVantoExeDlg::OnRequestStart> Post WM_DOWN_COMPLETE Message, %d, %d", static_cast<int>(completion),
        0);
  Log(LOG_INFO, "%s", kRunEndLine);
  m_dialog.PostDialogMessage(WMU_DOWN_COMPLETE, completion, 0);
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

  if (cfg.CHECK_LIST_FILE_FLAG == 1 && m_services.IsListFileDifferent(listItem) == 0) {
    Log(LOG_INFO, "CVantoExeDlg::IsAlreadyLastVersion> Already Last Version.");
    return 1;
  }

  m_dialog.ShowStepMessage("리스트 파일 다운로드중...");
  Log(LOG_INFO, "CVantoExeDlg::DownloadFilesInListFromServer> Try to DownloadOneFileFromServer()");
  int errCode = 0;
  std::string errText;
  const int down = WithCertificateRetry(
      [&] { return m_services.DownloadOneFileFromServer(listItem, 0, 1, errCode, errText); }, errCode, errText,
      "CVantoExeDlg::DownloadFilesInListFromServer> Retry DownloadOneFileFromServer()");
  if (down < 0) {
    m_strMsg = std::string("리스트 파일 다운로드 도중에 오류가 발생했습니다.\n") + "더이상 진행하지 못하고 종료합니다.";
    m_dialog.AskUser(m_strMsg, "", BOX_OK);
    return -1;
  }

  m_dialog.SetProgressPos(IDC_PROGRESS_TOTAL, 1);
  listItem.m_nDownFlag = 1;
  m_dialog.ShowStepMessage("다운로드 대상 파일 확인중...");

  const int n = m_services.GetFileListFromListFile();
  Log(LOG_DEBUG, "CVantoExeDlg::IsAlreadyLastVersion> GetFileListFromListFile(), RetVal = %d", n);
  if (n < 0) {
    Log(LOG_DEBUG, "CVantoExeDlg::IsAlreadyLastVersion> Fail To Get Master File List, RetVal = %d", n);
    Log(LOG_ERROR, "CVantoExeDlg::IsAlreadyLastVersion> Set g_nResult = VANTO_FATAL_ERROR");
    g_nResult = VANTO_FATAL_ERROR;
    m_strMsg = std::string("리스트 파일 데이터가 손상되었습니다.\n") + "더이상 진행하지 못하고 종료합니다.";
    m_dialog.AskUser(m_strMsg, "", BOX_OK);
    return -2;
  }
  return n > 0 ? 0 : 1;
}

int CVantoEngine::DownloadFilesInListFromServer() {
  if (!HasApp()) return -1;
  const CVantoCfg& cfg = *m_ctx.pCfg;
  Log(LOG_DEBUG, "CVantoExeDlg::DownloadFilesInListFromServer> Start Download From Server(%s, %d)",
      cfg.SVR_IP_ADDR.c_str(), std::atoi(cfg.SVR_PORT_NO.c_str()));
  m_dialog.SetStaticText(IDC_STATIC_FILE, "");
  const std::string step = std::string(BPDownloadFlag() == 1 ? "BP " : "") + "서버로 부터 파일 다운로드 중...";
  m_dialog.ShowStepMessage(step.c_str());

  FileItemList& items = m_ctx.pLists->DownFileItemList;
  const int total = static_cast<int>(items.size());
  m_dialog.SetProgressRange(IDC_PROGRESS_TOTAL, 0, total);
  int result = 1;
  Log(LOG_DEBUG, "CVantoExeDlg::DownloadFilesInListFromServer> Total File Count = %d", total);

  int index = 0;
  try {
    for (const std::unique_ptr<FileItem>& entry : items) {
      FileItem& item = *entry;
      m_dialog.PumpWaitingMessages();
      if (item.m_nFileType == FILE_KIND_DEL) {
        Log(LOG_DEBUG,
            "CVantoExeDlg::DownloadFilesInListFromServer> This is a file that needs to be deleted. So I skip. => %s",
            item.m_strLocalPath.c_str());
        continue;
      }
      int known = 1;
      m_dialog.PumpWaitingMessages();
      ++index;
      m_dialog.SetProgressPos(IDC_PROGRESS_TOTAL, index);
      const std::string name = DisplayNameOf(item.m_strFilePath);
      if (total != 0) m_dialog.SetStaticText(IDC_STATIC_TOTAL, FormatTotalLine(index, total));

      const bool askServer = item.m_nChunkedFlag == 0
                                 ? (item.m_strFileSize.empty() || item.m_strModifyTime.empty())
                                 : item.m_strModifyTime.empty();
      if (askServer) {
        known = 0;
        const std::string url = BuildFileUrl(cfg.DOWNLOAD_BASE_URL, item.m_strFilePath);
        Log(LOG_DEBUG, "CVantoExeDlg::DownloadFilesInListFromServer> URL = %s", url.c_str());
        Log(LOG_INFO, "CVantoExeDlg::DownloadOneFileFromServer> Try to GetServerFileInfo()");
        std::string time, size;
        int errCode = 0;
        std::string errText;
        const int q = WithCertificateRetry(
            [&] {
              return m_services.QueryServerFileInfo(url, time, size, item.m_nChunkedFlag, item.m_nGzipFlag, errCode,
                                                    errText);
            },
            errCode, errText, "CVantoExeDlg::DownloadOneFileFromServer> Retry GetServerFileInfo()");
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
          m_strMsg = text;
          ErrorRow(m_strMsg);
        }
      }

      const std::string sizeText = item.m_nChunkedFlag != 0 ? std::string("unknown")
                                                            : FormatSizeWithCommas(item.m_strFileSize);
      m_dialog.SetStaticText(IDC_STATIC_FILE, name + " (크기 : " + sizeText + ")");

      if (known == 0) {
        if (item.m_nPassFlag == 0) result = 0;
      } else if (m_services.CheckDownloadAndSettleBackup(item) != 1) {
        item.m_nDownFlag = 1;
      } else {
        Log(LOG_INFO, "CVantoExeDlg::DownloadFilesInListFromServer> Try to DownloadOneFileFromServer()");
        int errCode = 0;
        std::string errText;
        const int d = WithCertificateRetry(
            [&] { return m_services.DownloadOneFileFromServer(item, 1, 1, errCode, errText); }, errCode, errText,
            "CVantoExeDlg::DownloadFilesInListFromServer> Retry DownloadOneFileFromServer()");
        if (d >= 0) {
          item.m_nDownFlag = 1;
        } else {
          item.m_nDownFlag = 0;
          Log(LOG_DEBUG, "CVantoExeDlg::DownloadFilesInListFromServer> DownloadOneFileFromServer() Fail, RetVal = %d",
              d);
          m_strMsg = BuildDownloadFailureText(item.m_strFilePath, d);
          ErrorRow(m_strMsg);
          if (item.m_nPassFlag == 0) result = 0;
        }
      }

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
