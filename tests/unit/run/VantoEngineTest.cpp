#include "run/VantoEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <mutex>
#include <new>
#include <sstream>
#include <thread>

#include "config/VantoCfg.h"
#include "run/RunFakes.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"
#include "trust/MinisignFormat.h"
#include "trust/MinisignSigner.h"
#include "util/VantoResult.h"

namespace {
constexpr int kYes = 6, kNo = 7;

class VantoEngineTest : public ::testing::Test {
 protected:
  VantoEngineTest() : server(lists) {
    cfg.TARGET_DIR = "C:\\T";
    cfg.LIST_FILE_NAME = "Vanto.lst";
    cfg.DOWNLOAD_BASE_URL = "/pub";
    cfg.SVR_IP_ADDR = "127.0.0.1";
    cfg.SVR_PORT_NO = "8080";
    cfg.SVR_HTTPS = 0;
    cfg.CHECK_LIST_FILE_FLAG = 0;
    cfg.ALL_REG_FLAG = 0;
    cfg.DOWNLOAD_FROM_BP_SERVER = 0;
    cfg.DELETE_LOCAL_LIST_FILE = 0;
    cfg.m_strOrgSvrIpAddr.clear();
    cfg.m_strOrgSvrPortNo.clear();
    g_nResult = 0;
  }

  CVantoEngine& Engine() {
    if (!engine) {
      VantoRunContext ctx;
      ctx.pCfg = &cfg;
      ctx.pLists = &lists;
      ctx.pListFileItem = &listItem;
      ctx.pBPDownloadFlag = &bpFlag;
      ctx.pCertIgnoreFlag = &certFlag;
      engine = std::make_unique<CVantoEngine>(dialog, server, ctx);
    }
    return *engine;
  }

  // Plays the dialog's message queue from one start request until it is empty.
  void Run() {
    dialog.posted.push_back({WMU_REQUEST_START, 0, 0});
    for (size_t i = 0; i < dialog.posted.size() && i < 20; ++i) {
      const PostedMessage m = dialog.posted[i];
      if (m.message == WMU_REQUEST_START) Engine().OnRequestStart(m.wParam, m.lParam);
      if (m.message == WMU_DOWN_COMPLETE) {
        completions.push_back(m.wParam);
        Engine().OnDownComplete(m.wParam, m.lParam);
      }
      if (m.message == WMU_CLOSE_DIALOG) closed = true;
    }
  }

  // A later run of the same program: the dialog's queue starts empty.
  void RunAgain() {
    dialog.posted.clear();
    dialog.questions.clear();
    completions.clear();
    closed = false;
    Run();
  }

  void AddFiles(int n) {
    for (int i = 0; i < n; ++i) {
      ServerEntry e;
      e.path = "bin/file" + std::to_string(i) + ".dll";
      server.entries.push_back(e);
    }
  }

  CVantoCfg cfg;
  CFileItemLists lists;
  FileItem listItem;
  int32_t bpFlag = 0;
  int32_t certFlag = 0;
  CRecordingDialog dialog;
  CScriptedServer server;
  std::unique_ptr<CVantoEngine> engine;
  std::vector<int> completions;
  bool closed = false;
};

TEST_F(VantoEngineTest, FirstRunDownloadsEverythingAndCloses) {
  AddFiles(3);
  Run();
  EXPECT_EQ(g_nResult, VANTO_SUCCESS);
  EXPECT_EQ(completions, std::vector<int>{0});
  EXPECT_TRUE(closed);
  EXPECT_EQ(server.Count("Download:bin/"), 3);
  EXPECT_EQ(server.Count("Download:Vanto.lst:01"), 1);  // list: no date, progress on
  EXPECT_EQ(server.Count("Download:bin/file0.dll:11"), 1);
  EXPECT_EQ(server.Count("CopyServerListFileToLocalListFile"), 1);
  EXPECT_TRUE(dialog.HasRow(LIST_ROW_INFO, "프로그램 다운로드 완료"));
  EXPECT_TRUE(dialog.HasRow(LIST_ROW_INFO, "system info"));
  EXPECT_EQ(server.Count("UpdateRegisterKeyValue"), 1);
  EXPECT_EQ(dialog.firstStart, 0);
  ASSERT_FALSE(dialog.buttons.empty());
  EXPECT_EQ(dialog.buttons.front(), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(dialog.statics[IDC_STATIC_TOTAL].back(), "3 / 3  (100.0%)");
  EXPECT_EQ(dialog.statics[IDC_STATIC_FILE].back(), "file2.dll (크기 : 1,234,567)");
  EXPECT_EQ(dialog.ranges[IDC_PROGRESS_TOTAL], std::make_pair(0, 3));
  EXPECT_TRUE(lists.DownFileItemList.empty());  // cleared before closing
  EXPECT_EQ(listItem.m_strLocalPath, "C:\\T\\Vanto.lst");
  EXPECT_EQ(listItem.m_nDownFlag, 1);
}

TEST_F(VantoEngineTest, HandlersRunInTheirFixedOrder) {
  AddFiles(1);
  Run();
  EXPECT_EQ(server.HandlerCalls(), (std::vector<std::string>{"Execute", "Zip", "Registry", "RegSvr32:DownList",
                                                             "RegAsm", "Delete", "Font", "ZipReg"}));
}

TEST_F(VantoEngineTest, AllRegFlagRegistersFromTheRegList) {
  cfg.ALL_REG_FLAG = 1;
  AddFiles(1);
  Run();
  EXPECT_EQ(server.HandlerCalls()[3], "RegSvr32:RegList");
}

TEST_F(VantoEngineTest, EmptyListIsCurrentAndRunsTheCurrentHandlers) {
  Run();
  EXPECT_EQ(completions, std::vector<int>{1});
  EXPECT_EQ(g_nResult, VANTO_SUCCESS);
  EXPECT_TRUE(closed);
  EXPECT_EQ(server.HandlerCalls(), (std::vector<std::string>{"Execute", "RegAsm", "Font"}));
  EXPECT_EQ(server.Count("CopyServerListFileToLocalListFile"), 1);
}

TEST_F(VantoEngineTest, UnchangedListEndsAfterTheListQuery) {
  cfg.CHECK_LIST_FILE_FLAG = 1;
  server.listDifferent = 0;
  AddFiles(2);
  Run();
  EXPECT_EQ(completions, std::vector<int>{1});
  EXPECT_EQ(server.Count("Download:"), 0);
  EXPECT_EQ(server.Count("GetFileListFromListFile"), 0);
  EXPECT_TRUE(closed);
}

TEST_F(VantoEngineTest, ChangedListIsDownloadedWithCheckFlag) {
  cfg.CHECK_LIST_FILE_FLAG = 1;
  server.listDifferent = 1;
  AddFiles(1);
  Run();
  EXPECT_EQ(server.Count("Download:Vanto.lst"), 1);
  EXPECT_EQ(completions, std::vector<int>{0});
}

TEST_F(VantoEngineTest, ListInformationFailureIsFatalAndKeepsTheDialogOpen) {
  server.listInfoResult = -5;
  Run();
  EXPECT_EQ(g_nResult, VANTO_FATAL_ERROR);
  EXPECT_EQ(completions, std::vector<int>{2});
  EXPECT_FALSE(closed);
  ASSERT_EQ(dialog.questions.size(), 1u);
  EXPECT_EQ(dialog.questions[0].text,
            "리스트 파일 정보를 가져오는 도중에 오류가 발생했습니다.\n더이상 진행하지 못하고 종료합니다.");
  EXPECT_EQ(dialog.buttons.back(), (std::vector<bool>{true, false, true}));
}

TEST_F(VantoEngineTest, ListDownloadFailureIsFatal) {
  server.listDownloadResult = -2;
  Run();
  EXPECT_EQ(g_nResult, VANTO_FATAL_ERROR);
  ASSERT_EQ(dialog.questions.size(), 1u);
  EXPECT_EQ(dialog.questions[0].text,
            "리스트 파일 다운로드 도중에 오류가 발생했습니다.\n더이상 진행하지 못하고 종료합니다.");
}

TEST_F(VantoEngineTest, UnreadableListIsFatal) {
  server.listReadResult = -1;
  Run();
  EXPECT_EQ(g_nResult, VANTO_FATAL_ERROR);
  EXPECT_EQ(completions, std::vector<int>{2});
  ASSERT_EQ(dialog.questions.size(), 1u);
  EXPECT_EQ(dialog.questions[0].text, "리스트 파일 데이터가 손상되었습니다.\n더이상 진행하지 못하고 종료합니다.");
  EXPECT_EQ(Engine().IsAlreadyLastVersion(), -2);
}

TEST_F(VantoEngineTest, FailedEntryAskedYesContinues) {
  AddFiles(2);
  server.entries[1].downloadResult = -2;
  dialog.answers = {kYes};
  Run();
  EXPECT_TRUE(dialog.HasRow(LIST_ROW_ERROR, "bin/file1.dll 파일 다운로드 실패(-2) : 해당 파일이 없음"));
  EXPECT_TRUE(dialog.HasRow(LIST_ROW_ERROR, "일부 프로그램 파일 다운로드 실패"));
  ASSERT_EQ(dialog.questions.size(), 1u);
  EXPECT_EQ(dialog.questions[0].caption, "Warning");
  EXPECT_EQ(dialog.questions[0].type, 0x24u);  // Yes/No, question icon
  EXPECT_EQ(dialog.questions[0].text,
            "모든 다운로드 과정을 완료했지만,\n\n일부 다운로드에 실패한 파일들이 있습니다.\n\n계속 진행하시겠습니까?\n\n"
            "계속 진행하실 경우 시스템이 정상적으로 동작하지 않을수도 있습니다.");
  EXPECT_EQ(g_nResult, VANTO_SUCCESS);
  EXPECT_EQ(completions, std::vector<int>{0});
  EXPECT_TRUE(closed);
  EXPECT_EQ(lists.DownFileItemList.size(), 0u);
}

TEST_F(VantoEngineTest, FailedEntryAskedNoIsPartialFailure) {
  AddFiles(2);
  server.entries[0].downloadResult = -4;
  dialog.answers = {kNo};
  Run();
  EXPECT_EQ(g_nResult, VANTO_PARTIAL_FAILURE);
  EXPECT_EQ(completions, std::vector<int>{3});
  EXPECT_FALSE(closed);
  EXPECT_EQ(server.Count("CopyServerListFileToLocalListFile"), 0);  // no stamp after a failure
  EXPECT_EQ(dialog.buttons.back(), (std::vector<bool>{true, false, true}));
  ASSERT_EQ(lists.DownFileItemList.size(), 2u);
  EXPECT_EQ(lists.DownFileItemList[0]->m_nDownFlag, 0);
  EXPECT_EQ(lists.DownFileItemList[1]->m_nDownFlag, 1);
}

TEST_F(VantoEngineTest, PassEntryFailureDoesNotFailTheRun) {
  AddFiles(2);
  server.entries[1].downloadResult = -2;
  server.entries[1].passFlag = 1;
  Run();
  EXPECT_TRUE(dialog.HasRow(LIST_ROW_ERROR, "bin/file1.dll 파일 다운로드 실패(-2) : 해당 파일이 없음"));
  EXPECT_TRUE(dialog.questions.empty());
  EXPECT_EQ(g_nResult, VANTO_SUCCESS);
  EXPECT_TRUE(closed);
}

TEST_F(VantoEngineTest, StopDuringDownloadsEndsAfterTheCurrentEntry) {
  AddFiles(4);
  server.onDownload = [this](FileItem& item) {
    if (item.m_strFilePath == "bin/file1.dll") {
      // The Stop button, reached through the message pump.
      g_nResult = VANTO_STOP_BY_USER;
      Engine().m_nRequestStopFlag = 1;
    }
  };
  server.entries[1].downloadResult = -7;
  Run();
  EXPECT_EQ(server.Count("Download:bin/"), 2);
  EXPECT_TRUE(server.HandlerCalls().empty());
  EXPECT_EQ(server.Count("CopyServerListFileToLocalListFile"), 0);
  EXPECT_EQ(g_nResult, VANTO_STOP_BY_USER);
  EXPECT_EQ(completions, std::vector<int>{1});
  EXPECT_FALSE(closed);
  EXPECT_TRUE(dialog.HasRow(LIST_ROW_ERROR, "bin/file1.dll 파일 다운로드 실패(-7) : 사용자 중지 요청 발생"));
  EXPECT_TRUE(dialog.questions.empty());
}

TEST_F(VantoEngineTest, StopWithoutFailuresStillCountsAsStopped) {
  AddFiles(2);
  server.onDownload = [this](FileItem&) { Engine().m_nRequestStopFlag = 1; };
  Run();
  EXPECT_EQ(g_nResult, VANTO_STOP_BY_USER);
  EXPECT_EQ(completions, std::vector<int>{1});
}

// Start is enabled again after Stop while the loop finishes; a start request
// dispatched by the loop's message pumping must not restart the run under it.
TEST_F(VantoEngineTest, StartRequestDuringARunIsIgnored) {
  AddFiles(3);
  bool pressed = false;
  server.onDownload = [&](FileItem& item) {
    if (item.m_strFilePath != "bin/file1.dll" || pressed) return;
    pressed = true;
    Engine().OnRequestStart(0, 0);
  };
  Run();
  EXPECT_TRUE(pressed);
  EXPECT_EQ(server.Count("Download:Vanto.lst"), 1);
  EXPECT_EQ(server.Count("Download:bin/"), 3);
  EXPECT_EQ(server.Count("GetFileListFromListFile"), 1);
  EXPECT_EQ(completions, std::vector<int>{0});
  EXPECT_EQ(g_nResult, VANTO_SUCCESS);
  // The next start after the run has ended is a run of its own.
  dialog.posted.clear();
  completions.clear();
  Run();
  EXPECT_EQ(server.Count("Download:Vanto.lst"), 2);
}

// Running out of memory ends the run as a fatal failure, not the program.
TEST_F(VantoEngineTest, AnExceptionEndsTheRunAsFatal) {
  AddFiles(1);
  server.onDownload = [](FileItem& item) {
    if (item.m_strFilePath == "Vanto.lst") throw std::bad_alloc();
  };
  Run();
  EXPECT_EQ(g_nResult, VANTO_FATAL_ERROR);
  EXPECT_EQ(completions, std::vector<int>{2});
  EXPECT_FALSE(closed);
}

TEST_F(VantoEngineTest, ServerQueryFailureIsListedAndFails) {
  AddFiles(2);
  server.entries[0].queryResult = -5;
  dialog.answers = {kNo};
  Run();
  EXPECT_TRUE(dialog.HasRow(LIST_ROW_ERROR, "bin/file0.dll 파일 버전 정보 추출 실패(에러코드 : -5)"));
  EXPECT_EQ(server.Count("Download:bin/file0.dll"), 0);
  EXPECT_EQ(g_nResult, VANTO_PARTIAL_FAILURE);
}

TEST_F(VantoEngineTest, ServerIsAskedOnlyWhenTheListLacksTimeOrSize) {
  AddFiles(2);
  server.entries[0].listTime = "20260101000000";
  server.entries[0].listSize = "10";
  Run();
  EXPECT_EQ(server.Count("Query:/pub/bin/file0.dll"), 0);
  EXPECT_EQ(server.Count("Query:/pub/bin/file1.dll"), 1);
}

TEST_F(VantoEngineTest, CurrentEntriesAreNotFetched) {
  AddFiles(2);
  server.entries[0].needsDownload = 0;
  Run();
  EXPECT_EQ(server.Count("Download:bin/file0.dll"), 0);
  EXPECT_EQ(server.Count("Download:bin/file1.dll"), 1);
  EXPECT_EQ(g_nResult, VANTO_SUCCESS);
}

TEST_F(VantoEngineTest, DeleteEntriesAreSkippedByTheLoop) {
  AddFiles(2);
  for (ServerEntry& e : server.entries) e.kind = FILE_KIND_DEL;
  Run();
  EXPECT_EQ(server.Count("Query:"), 0);
  EXPECT_EQ(server.Count("Download:bin/"), 0);
  EXPECT_EQ(server.Count("H:Delete"), 1);
  EXPECT_EQ(completions, std::vector<int>{0});
}

TEST_F(VantoEngineTest, CertificateErrorAcceptedRetriesOnce) {
  cfg.SVR_HTTPS = 2;
  AddFiles(1);
  server.certErrorsLeft = {"bin/file0.dll"};
  dialog.answers = {kYes};
  Run();
  ASSERT_EQ(dialog.questions.size(), 1u);
  EXPECT_EQ(dialog.questions[0].text,
            "인증서 오류가 발생 했습니다.\r\n오류를 무시(권장하지 않음)하고 계속 진행 하시겠습니까?\r\n\r\ninvalid CA");
  EXPECT_EQ(dialog.questions[0].type, 0x34u);
  EXPECT_EQ(certFlag, 1);
  EXPECT_EQ(server.Count("Download:bin/file0.dll"), 2);
  EXPECT_EQ(g_nResult, VANTO_SUCCESS);
}

TEST_F(VantoEngineTest, CertificateErrorRefusedKeepsTheFailure) {
  cfg.SVR_HTTPS = 2;
  AddFiles(1);
  server.certErrorsLeft = {"bin/file0.dll"};
  dialog.answers = {kNo, kNo};
  Run();
  EXPECT_EQ(certFlag, 0);
  EXPECT_TRUE(dialog.HasRow(LIST_ROW_ERROR, "bin/file0.dll 파일 다운로드 실패(-6) : 통신 에러 발생"));
  EXPECT_EQ(g_nResult, VANTO_PARTIAL_FAILURE);
}

TEST_F(VantoEngineTest, CertificateErrorIsNotAskedWithoutStrictHttps) {
  cfg.SVR_HTTPS = 1;
  AddFiles(1);
  server.certErrorsLeft = {"bin/file0.dll"};
  dialog.answers = {kNo};
  Run();
  ASSERT_EQ(dialog.questions.size(), 1u);  // only the partial-failure question
  EXPECT_EQ(dialog.questions[0].caption, "Warning");
}

TEST_F(VantoEngineTest, UnreachableBpServerIsFollowedByTheMainServer) {
  cfg.DOWNLOAD_FROM_BP_SERVER = 1;
  cfg.BP_SERVER_PORT_NO = "9090";
  cfg.m_strOrgSvrIpAddr = "127.0.0.1";
  cfg.m_strOrgSvrPortNo = "8080";
  cfg.SVR_IP_ADDR = "127.0.0.100";
  cfg.SVR_PORT_NO = "9090";
  bpFlag = 1;
  AddFiles(1);
  int infoCalls = 0;
  server.listInfoResult = -9;
  // The BP server fails; once the main server is connected the list is there.
  server.onDownload = nullptr;
  Engine();
  dialog.posted.push_back({WMU_REQUEST_START, 0, 0});
  for (size_t i = 0; i < dialog.posted.size() && i < 20; ++i) {
    const PostedMessage m = dialog.posted[i];
    if (m.message == WMU_REQUEST_START) {
      if (infoCalls++ == 1) server.listInfoResult = 0;
      Engine().OnRequestStart(m.wParam, m.lParam);
    }
    if (m.message == WMU_DOWN_COMPLETE) {
      completions.push_back(m.wParam);
      Engine().OnDownComplete(m.wParam, m.lParam);
    }
    if (m.message == WMU_CLOSE_DIALOG) closed = true;
  }
  EXPECT_TRUE(dialog.questions.empty());  // the BP failure is silent
  EXPECT_EQ(completions, (std::vector<int>{2, 0}));
  EXPECT_EQ(dialog.posted[2].message, WMU_REQUEST_START);
  EXPECT_EQ(dialog.posted[2].wParam, 2);
  EXPECT_EQ(cfg.SVR_IP_ADDR, "127.0.0.1");
  EXPECT_EQ(cfg.SVR_PORT_NO, "8080");
  EXPECT_EQ(server.Count("Open:VantoExe"), 1);
  EXPECT_EQ(bpFlag, 0);
  EXPECT_EQ(g_nResult, VANTO_SUCCESS);
  EXPECT_TRUE(closed);
}

TEST_F(VantoEngineTest, BpRunWithFailuresIsPartialWithoutAsking) {
  cfg.DOWNLOAD_FROM_BP_SERVER = 1;
  cfg.m_strOrgSvrIpAddr = "127.0.0.1";
  cfg.m_strOrgSvrPortNo = "8080";
  bpFlag = 1;
  AddFiles(1);
  server.entries[0].downloadResult = -2;
  dialog.answers = {kNo};
  Run();
  EXPECT_TRUE(dialog.HasRow(LIST_ROW_ERROR, "BP 서버에서 일부 프로그램 파일 다운로드 실패"));
  EXPECT_EQ(completions.front(), 3);
  // The main-server run that follows asks.
  EXPECT_EQ(dialog.questions.size(), 1u);
  EXPECT_EQ(completions, (std::vector<int>{3, 3}));
  EXPECT_TRUE(dialog.HasRow(LIST_ROW_ERROR, "일부 프로그램 파일 다운로드 실패"));
}

TEST_F(VantoEngineTest, BpEnabledWithoutSubstitutionKeepsTheConfiguredServer) {
  cfg.DOWNLOAD_FROM_BP_SERVER = 1;  // but start-up could not switch (no BP port)
  AddFiles(1);
  Run();
  EXPECT_EQ(cfg.SVR_IP_ADDR, "127.0.0.1");
  EXPECT_EQ(server.Count("Open:"), 0);
  EXPECT_EQ(g_nResult, VANTO_SUCCESS);
}

TEST_F(VantoEngineTest, SecondStartKeepsEarlierRows) {
  AddFiles(1);
  server.entries[0].downloadResult = -2;
  dialog.answers = {kNo, kNo};
  Run();
  const size_t rowsAfterFirst = dialog.rows.size();
  Run();  // Start pressed again
  EXPECT_GT(dialog.rows.size(), rowsAfterFirst);
  EXPECT_EQ(server.Count("UpdateRegisterKeyValue"), 1);
  EXPECT_EQ(dialog.pumpAlls, 1);
}

TEST_F(VantoEngineTest, NoApplicationObject) {
  VantoRunContext none;
  CVantoEngine bare(dialog, server, none);
  EXPECT_EQ(bare.IsAlreadyLastVersion(), -1);
  EXPECT_EQ(bare.DownloadFilesInListFromServer(), -1);
}

TEST_F(VantoEngineTest, DeletesTheListFileWhenAsked) {
  cfg.DELETE_LOCAL_LIST_FILE = 1;
  AddFiles(1);
  Run();
  EXPECT_TRUE(closed);  // the deletion of a missing file does not disturb the end
}
// Lines of a log from their level on (no clock).
std::vector<std::string> LinesWithoutTimes(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t level = line.find(" [");
    lines.push_back(level == std::string::npos ? line : line.substr(level + 1));
  }
  return lines;
}

// The same release with one connection and with eight: the same requests,
// decisions, rows, bars, result and per-entry log lines, in list order.
TEST_F(VantoEngineTest, EightLanesDecideShowAndLogLikeOne) {
  struct Outcome {
    std::vector<std::string> lines;
    std::vector<std::pair<int, std::string>> rows;
    std::vector<std::string> downloads;
    std::vector<int> completions;
    int result;
    int bar;
    std::string totalLine;
    size_t questions;
  };
  auto runWith = [](int connections) {
    CVantoCfg cfg;
    cfg.TARGET_DIR = "C:\\T";
    cfg.LIST_FILE_NAME = "Vanto.lst";
    cfg.DOWNLOAD_BASE_URL = "/pub";
    cfg.PARALLEL_CONNECTIONS = connections;
    CFileItemLists lists;
    FileItem listItem;
    CRecordingDialog dialog;
    dialog.answers = {kYes};  // some entries failed: go on
    CScriptedServer server(lists);
    server.lanes = connections > 1 ? 8 : 0;
    for (int i = 0; i < 12; ++i) {
      ServerEntry e;
      e.path = "bin/file" + std::to_string(i) + ".dll";
      switch (i % 6) {
        case 1: e.queryResult = -5; break;  // 404
        case 2: e.downloadResult = -4; break;  // short body
        case 3: e.downloadResult = -6; e.passFlag = 1; break;  // reset, PASS entry
        case 4: e.kind = FILE_KIND_DEL; break;
        case 5: e.needsDownload = 0; e.listTime = "20261201101010"; e.listSize = "10"; break;
        default: break;
      }
      server.entries.push_back(e);
    }
    g_nResult = 0;
    LogCapture log;
    VantoRunContext ctx;
    ctx.pCfg = &cfg;
    ctx.pLists = &lists;
    ctx.pListFileItem = &listItem;
    CVantoEngine engine(dialog, server, ctx);
    engine.OnRequestStart(0, 0);
    Outcome out;
    for (const std::string& line : LinesWithoutTimes(log.Text()))
      if (line.find("Parallel Connections") == std::string::npos) out.lines.push_back(line);
    for (const RecordedRow& row : dialog.rows) out.rows.emplace_back(row.kind, row.text);
    for (const std::string& call : server.calls)
      if (call.rfind("Download:", 0) == 0 || call.rfind("Query:", 0) == 0) out.downloads.push_back(call);
    for (const PostedMessage& m : dialog.posted) out.completions.push_back(m.wParam);
    out.result = g_nResult;
    out.bar = dialog.positions[IDC_PROGRESS_TOTAL];
    out.totalLine = dialog.statics[IDC_STATIC_TOTAL].back();
    out.questions = dialog.questions.size();
    EXPECT_EQ(server.lanesOpened, connections > 1 ? 8 : 0);
    return out;
  };
  const Outcome one = runWith(1);
  const Outcome eight = runWith(8);
  EXPECT_EQ(eight.lines, one.lines);
  EXPECT_EQ(eight.rows, one.rows);
  std::vector<std::string> sortedOne = one.downloads, sortedEight = eight.downloads;
  std::sort(sortedOne.begin(), sortedOne.end());
  std::sort(sortedEight.begin(), sortedEight.end());
  EXPECT_EQ(sortedEight, sortedOne);  // the same requests, in whatever order the lanes made them
  EXPECT_EQ(eight.completions, one.completions);
  EXPECT_EQ(eight.result, one.result);
  EXPECT_EQ(eight.bar, one.bar);
  EXPECT_EQ(eight.totalLine, one.totalLine);
  EXPECT_EQ(eight.questions, 1u);
  EXPECT_EQ(one.result, VANTO_SUCCESS);  // the user went on
  EXPECT_EQ(one.bar, 10);                // the delete entries are not counted
}

// Stop during a parallel run: the entries on the lanes end, no entry is
// handed on after it, and the run ends as stopped.
TEST_F(VantoEngineTest, StopOnLanesEndsTheEntriesInWorkAndHandsOnNoMore) {
  cfg.PARALLEL_CONNECTIONS = 2;
  server.lanes = 2;
  AddFiles(6);
  server.beforeLaneDownload = [this](FileItem& item) {
    if (item.m_strFilePath == "bin/file1.dll") {
      Engine().m_nRequestStopFlag = 1;  // the Stop button
      return;
    }
    // file0 ends only after the stop, so nothing is handed on before it.
    for (int i = 0; i < 500 && Engine().m_nRequestStopFlag == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  };
  server.entries[1].downloadResult = -7;
  LogCapture log;
  Run();
  EXPECT_EQ(server.Count("Download:bin/"), 2);
  EXPECT_EQ(g_nResult, VANTO_STOP_BY_USER);
  EXPECT_EQ(completions, std::vector<int>{1});
  EXPECT_TRUE(server.HandlerCalls().empty());
  EXPECT_TRUE(dialog.HasRow(LIST_ROW_ERROR, "bin/file1.dll 파일 다운로드 실패(-7) : 사용자 중지 요청 발생"));
  const std::string text = log.Text();
  const size_t stopLine = text.find("CVantoExeDlg::DownloadFilesInListFromServer> m_nRequestStopFlag = 1");
  ASSERT_NE(stopLine, std::string::npos);
  EXPECT_LT(text.find("DownloadOneFileFromServer() Fail, RetVal = -7"), stopLine);
}

// A certificate error on a lane: the question is asked once, on the
// dialog's thread; after yes the entry is fetched again there and the
// entries handed on later carry the accepted rule.
TEST_F(VantoEngineTest, CertificateQuestionOfLanesIsAskedOnce) {
  cfg.SVR_HTTPS = 2;
  cfg.PARALLEL_CONNECTIONS = 2;
  server.lanes = 2;
  AddFiles(5);
  server.certErrorsLeft = {"bin/file0.dll"};
  dialog.answers = {kYes};
  Run();
  ASSERT_EQ(dialog.questions.size(), 1u);
  EXPECT_EQ(certFlag, 1);
  EXPECT_EQ(server.Count("Download:bin/file0.dll"), 2);
  EXPECT_EQ(server.Count("Download:bin/"), 6);
  EXPECT_EQ(g_nResult, VANTO_SUCCESS);
  EXPECT_TRUE(closed);
}

// Two entries for one file (or one entry's file as another's backup name)
// are never worked on at once.
TEST_F(VantoEngineTest, LanesNeverShareAFile) {
  cfg.PARALLEL_CONNECTIONS = 4;
  server.lanes = 4;
  for (const char* path : {"bin/a.dll", "bin/A.DLL", "bin/a.dll.dll", "bin/b.dll"}) {
    ServerEntry e;
    e.path = path;
    server.entries.push_back(e);
  }
  std::mutex lock;
  std::vector<std::string> inWork;
  bool overlapped = false;
  server.beforeLaneDownload = [&](FileItem& item) {
    std::string key = item.m_strLocalPath;
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    {
      std::lock_guard<std::mutex> guard(lock);
      for (const std::string& other : inWork)
        if (other == key || other == key + ".DLL" || other + ".DLL" == key) overlapped = true;
      inWork.push_back(key);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    std::lock_guard<std::mutex> guard(lock);
    inWork.erase(std::find(inWork.begin(), inWork.end(), key));
  };
  Run();
  EXPECT_FALSE(overlapped);
  EXPECT_EQ(server.Count("Download:bin/"), 4);
  EXPECT_EQ(g_nResult, VANTO_SUCCESS);
}
}  // namespace

namespace {
// The handler calls of the fake by name, with the kind they install.
struct HandlerCase {
  const char* handler;
  bool failsTheRun;
};
}  // namespace

// A failing handler reaches the result code, the question and the stamp;
// Execute and Delete results never do.
TEST_F(VantoEngineTest, HandlerFailuresReachResultQuestionAndStamp) {
  const HandlerCase cases[] = {{"Zip", true},    {"Registry", true}, {"RegSvr32:DownList", true}, {"RegAsm", true},
                               {"Font", true},   {"ZipReg", true},   {"Execute", false},         {"Delete", false}};
  for (const HandlerCase& c : cases) {
    SCOPED_TRACE(c.handler);
    server.calls.clear();
    server.handlerResults = {{c.handler, -1}};
    server.entries.clear();
    AddFiles(1);
    dialog.answers = {kNo};
    RunAgain();
    EXPECT_EQ(server.HandlerCalls().size(), 8u) << "a failure does not stop the later handlers";
    EXPECT_EQ(g_nResult, c.failsTheRun ? VANTO_PARTIAL_FAILURE : VANTO_SUCCESS);
    EXPECT_EQ(dialog.questions.size(), c.failsTheRun ? 1u : 0u);
    EXPECT_EQ(server.Count("CopyServerListFileToLocalListFile"), c.failsTheRun ? 0 : 1);
    EXPECT_EQ(closed, !c.failsTheRun);
  }
}

// Nothing to fetch: what the every-run handlers fail is reported too, and
// the list is not stamped, so that the next run tries again.
TEST_F(VantoEngineTest, CurrentRunReportsHandlerFailuresWithoutStamping) {
  cfg.CHECK_LIST_FILE_FLAG = 1;
  cfg.ALL_REG_FLAG = 1;
  server.listDifferent = 0;
  for (const char* handler : {"Font", "RegSvr32:RegList", "RegAsm"}) {
    SCOPED_TRACE(handler);
    server.calls.clear();
    server.handlerResults = {{handler, -1}};
    dialog.answers = {kNo};
    RunAgain();
    EXPECT_EQ(server.Count("Download:"), 0) << "nothing is fetched again";
    EXPECT_EQ(server.Count("CopyServerListFileToLocalListFile"), 0);
    EXPECT_EQ(g_nResult, VANTO_PARTIAL_FAILURE);
    ASSERT_EQ(dialog.questions.size(), 1u);
    EXPECT_EQ(dialog.questions[0].caption, "Warning");
    EXPECT_TRUE(dialog.HasRow(LIST_ROW_ERROR, "일부 프로그램 파일 다운로드 실패"));
  }
  // Succeeding, the current run stamps the list as before.
  server.calls.clear();
  server.handlerResults.clear();
  RunAgain();
  EXPECT_EQ(server.Count("CopyServerListFileToLocalListFile"), 1);
  EXPECT_EQ(g_nResult, VANTO_SUCCESS);
}

// The handler copies carry what the download loop found: a PASS archive
// missing on the server and an archive whose download failed are not
// extracted (the old file is still on disk), a fetched one is.
TEST_F(VantoEngineTest, HandlerCopiesCarryTheDownloadOutcome) {
  for (const char* path : {"pkg/missing.zip", "pkg/failed.zip", "pkg/fetched.zip", "fonts/f.ttf"}) {
    ServerEntry e;
    e.path = path;
    e.kind = std::string(path).rfind(".zip") != std::string::npos ? FILE_KIND_ZIP : FILE_KIND_FNT;
    e.passFlag = 1;
    server.entries.push_back(e);
  }
  server.entries[0].queryResult = -2;
  server.entries[1].downloadResult = -6;
  server.entries[3].downloadResult = -4;
  std::vector<int32_t> zipFlags, fontFlags;
  server.onHandler = [&](const std::string& handler) {
    if (handler == "Zip")
      for (const auto& item : lists.ZipFileItemList) zipFlags.push_back(item->m_nDownFlag);
    if (handler == "Font")
      for (const auto& item : lists.FntFileItemList) fontFlags.push_back(item->m_nDownFlag);
  };
  Run();
  EXPECT_EQ(zipFlags, (std::vector<int32_t>{0, 0, 1}));
  EXPECT_EQ(fontFlags, (std::vector<int32_t>{0}));
  EXPECT_EQ(g_nResult, VANTO_SUCCESS) << "only PASS entries failed";
}

// A run stopped during the first handler leaves its installing in the
// record; the next run takes the record to the list reading, does the work
// once and clears each kind as its handler finishes.
TEST_F(VantoEngineTest, StoppedInstallingIsRecordedAndDoneByTheNextRun) {
  const std::pair<const char*, int> files[] = {{"pkg/a.zip", FILE_KIND_ZIP},  {"cfg/a.reg", FILE_KIND_REF},
                                               {"com/a.ocx", FILE_KIND_REG},  {"net/a.dll", FILE_KIND_ASM},
                                               {"ctl/a.zip", FILE_KIND_ZRG},  {"bin/plain.dll", FILE_KIND_NORMAL},
                                               {"fonts/a.ttf", FILE_KIND_FNT}};
  for (const auto& [path, kind] : files) {
    ServerEntry e;
    e.path = path;
    e.kind = kind;
    server.entries.push_back(e);
  }
  server.onHandler = [this](const std::string& handler) {
    if (handler == "Execute") Engine().m_nRequestStopFlag = 1;  // Stop during an EXE wait
  };
  Run();
  EXPECT_EQ(server.HandlerCalls(), std::vector<std::string>{"Execute"});
  EXPECT_EQ(g_nResult, VANTO_STOP_BY_USER);
  ASSERT_EQ(server.savedRecords.size(), 1u) << "written once, before the handlers";
  EXPECT_EQ(server.record.Count(), 5);
  for (const auto& [path, kind] : files)
    EXPECT_EQ(server.record.Contains(kind, std::string("C:\\T\\") + path), CPendingWork::IsRecordedKind(kind)) << path;

  // The next run: the list reading sees the record; each handler's kind
  // leaves it when the handler finished; a failed one stays.
  server.onHandler = nullptr;
  server.calls.clear();
  server.savedRecords.clear();
  server.handlerResults = {{"RegAsm", -1}};
  dialog.answers = {kYes};
  RunAgain();
  EXPECT_EQ(server.pendingSeenByRead, 5);
  EXPECT_EQ(server.HandlerCalls().size(), 8u);
  ASSERT_EQ(server.record.Count(), 1);
  EXPECT_EQ(server.record.Entries()[0].kind, FILE_KIND_ASM) << "a failed registration is tried again next time";
  EXPECT_EQ(g_nResult, VANTO_SUCCESS);  // the user chose to go on

  // With the list check on, pending work keeps an unchanged list from
  // counting as done; an entry the list no longer names is dropped.
  cfg.CHECK_LIST_FILE_FLAG = 1;
  server.listDifferent = 0;
  server.handlerResults.clear();
  server.entries.erase(server.entries.begin() + 3);  // net/a.dll gone from the list
  server.calls.clear();
  RunAgain();
  EXPECT_EQ(server.Count("IsListFileDifferent"), 0);
  EXPECT_EQ(server.Count("GetFileListFromListFile"), 1);
  EXPECT_TRUE(server.record.Empty());
  EXPECT_EQ(server.savedRecords.back(), server.record.Serialize());
}

// Signed publishing: the list waits beside the previous one until its
// .minisig verifies with PUBLISHER_KEY.
class SignedRunTest : public VantoEngineTest {
 protected:
  SignedRunTest() {
    EXPECT_TRUE(GenerateKeyPair(secret, key));
    cfg.TARGET_DIR = dir.path();
    cfg.PUBLISHER_KEY = PublicKeyLine(key);
    finalPath = cfg.TARGET_DIR + "\\Vanto.lst";
    EXPECT_TRUE(WriteWholeFile(finalPath, "previous list"));
    server.onDownload = [this](FileItem& item) {
      if (item.m_strFilePath == "Vanto.lst") WriteWholeFile(item.m_strLocalPath, served);
    };
    AddFiles(1);
  }
  // A .minisig for text as the publisher signs it.
  std::string SignatureOf(const std::string& text, const std::string& comment) {
    const std::string path = dir.Child("signed");
    EXPECT_TRUE(WriteWholeFile(path, text));
    MinisignSignature signature;
    EXPECT_TRUE(SignFile(secret, path, MinisignAlgorithm::Hashed, comment, signature));
    return SignatureFileText(signature, "signature from minisign secret key");
  }
  std::string Stamp(uint64_t t) { return "timestamp:" + std::to_string(t) + "\tfile:Vanto.lst\thashed"; }
  void Publish(const std::string& comment) { server.smallFiles["/pub/Vanto.lst.minisig"] = SignatureOf(served, comment); }
  std::string LocalList() {
    std::string text;
    ReadWholeFile(finalPath, &text);
    return text;
  }

  ScopedTempDir dir;
  LogCapture log;
  MinisignSecretKey secret;
  MinisignPublicKey key;
  std::string finalPath;
  std::string served = "bin/file0.dll|bin|2|REG|||" + std::string(64, 'a') + "\r\n";
  const std::string listKey = "127.0.0.1:8080/pub/Vanto.lst";
};

TEST_F(SignedRunTest, CorrectlySignedListIsMovedIntoPlaceAndItsTimeKept) {
  Publish(Stamp(server.now - 60));
  Run();
  EXPECT_EQ(g_nResult, VANTO_SUCCESS);
  EXPECT_EQ(server.Count("Fetch:/pub/Vanto.lst.minisig"), 1);
  EXPECT_EQ(server.Count("GetFileListFromListFile:signed"), 1);
  EXPECT_EQ(LocalList(), served);
  EXPECT_FALSE(FileExists(finalPath + ".unverified"));
  EXPECT_EQ(server.acceptedTimes[listKey], server.now - 60);
  EXPECT_TRUE(log.Contains("IsAlreadyLastVersion> List file signature verified, key id " + KeyIdText(key.keyId)));
}

TEST_F(SignedRunTest, EveryRefusalKeepsThePreviousListAndEndsTheRunFatal) {
  struct Case {
    const char* name;
    std::function<void()> attack;
    const char* logLine;
    const char* row;
  };
  const Case cases[] = {
      {"no signature", [] {}, "List file signature refused : no signature file /pub/Vanto.lst.minisig",
       "리스트 파일 서명 확인 실패 : 서명 파일 없음"},
      {"changed after signing", [this] { Publish(Stamp(server.now)); served[0] = 'X'; },
       "List file signature refused : signature does not match the file",
       "리스트 파일 서명 확인 실패 : 서명 불일치(변조 의심)"},
      {"no timestamp", [this] { Publish("file:Vanto.lst"); },
       "List file signature refused : trusted comment carries no timestamp", "리스트 파일 서명 확인 실패 : 서명 시각 없음"},
      {"replayed older release", [this] { Publish(Stamp(server.now - 100)); server.acceptedTimes[listKey] = server.now; },
       "Older list file refused (replayed release) : timestamp",
       "이전 버전 리스트 파일 거부 : 서명 시각이 이미 받은 리스트보다 이전임(재전송 의심)"},
      {"invalid key", [this] { Publish(Stamp(server.now)); cfg.PUBLISHER_KEY = "RWnot a key"; },
       "List file signature refused : PUBLISHER_KEY is not a minisign public key",
       "리스트 파일 서명 확인 실패 : 서명 키(PUBLISHER_KEY) 설정 오류"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server.calls.clear();
    server.smallFiles.clear();
    dialog.posted.clear();
    dialog.rows.clear();
    completions.clear();
    c.attack();
    Run();
    EXPECT_EQ(g_nResult, VANTO_FATAL_ERROR);
    EXPECT_EQ(completions, std::vector<int>{2});
    EXPECT_EQ(server.Count("GetFileListFromListFile"), 0);
    EXPECT_EQ(server.Count("Download:bin/"), 0);
    EXPECT_TRUE(server.HandlerCalls().empty());
    EXPECT_EQ(LocalList(), "previous list");
    EXPECT_FALSE(FileExists(finalPath + ".unverified"));
    EXPECT_TRUE(log.Contains(c.logLine)) << log.Text();
    EXPECT_TRUE(dialog.HasRow(LIST_ROW_ERROR, c.row));
  }
}

TEST_F(SignedRunTest, EntriesRefusedForLackingADigestFailTheRunAsPartial) {
  Publish(Stamp(server.now));
  server.entries.clear();
  server.refusedByReader = 1;
  dialog.answers = {kNo};
  Run();
  EXPECT_EQ(g_nResult, VANTO_PARTIAL_FAILURE);
  EXPECT_EQ(completions, std::vector<int>{3});
  EXPECT_EQ(server.Count("CopyServerListFileToLocalListFile"), 0);
}

TEST_F(VantoEngineTest, WithoutPublisherKeyNoSignatureIsAskedFor) {
  AddFiles(1);
  Run();
  EXPECT_EQ(g_nResult, VANTO_SUCCESS);
  EXPECT_EQ(server.Count("Fetch:"), 0);
  EXPECT_EQ(server.Count("Replace:"), 0);
  EXPECT_EQ(server.Count("GetFileListFromListFile:signed"), 0);
}
