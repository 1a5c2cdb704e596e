#include "run/SelfUpdate.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/LogCapture.h"
#include "config/VantoCfg.h"
#include "run/RunFakes.h"

namespace {
constexpr int kYes = 6, kNo = 7;
const char* const kS = "--------------------------------------------------------------------------------------S";
const char* const kE = "--------------------------------------------------------------------------------------E";

class SelfUpdateTest : public ::testing::Test {
 protected:
  SelfUpdateTest() : server(lists), check(dialog, server, &cfg, certFlag, restartFlag, msg) {
    cfg.SVR_HTTPS = 0;
    ServerEntry self;
    self.path = "VantoExe.exe";
    server.entries.push_back(self);
    check.m_fnStartUpdatedCopy = [this] {
      // Where the hand-off happens among the log lines.
      handOffAfterEnd = log.Contains(kE);
      ++handOffs;
      return handOffResult;
    };
    check.m_fnCheckProgram = [this](const std::string& path, std::string& why) {
      checked.push_back(path);
      why = "not a Windows program";
      return isProgram;
    };
    check.m_fnReplaceProgram = [this](const std::string& from, const std::string& to) {
      replaced.push_back(from + " -> " + to);
      return true;
    };
  }
  ServerEntry& Self() { return server.entries.front(); }
  bool Check() { return check.CheckAtDialogStart("C:\\App", "VantoExe.exe"); }
  void ExpectInOrder(const std::vector<std::string>& lines) {
    const std::string text = log.Text();
    size_t pos = 0;
    for (const std::string& line : lines) {
      const size_t found = text.find(line, pos);
      ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << text;
      pos = found + line.size();
    }
  }

  LogCapture log;
  CVantoCfg cfg;
  CFileItemLists lists;
  CRecordingDialog dialog;
  CScriptedServer server;
  int32_t certFlag = 0, restartFlag = 0;
  std::string msg;
  CSelfUpdateCheck check;
  int handOffs = 0, handOffResult = 0;
  bool handOffAfterEnd = false;
  bool isProgram = true;
  std::vector<std::string> checked, replaced;
};

TEST_F(SelfUpdateTest, OutcomesOfTheCheck) {
  const struct {
    const char* name;
    int infoResult, needsDownload, downloadResult, https, certErrors;
    std::deque<int> answers;
    int expected, downloads, questions, certFlagAfter;
    const char* line;
  } cases[] = {
      {"query fails", -5, 1, 0, 0, 0, {}, -2, 0, 0, 0, "IsSelfFileUpdated> GetServerFileInfo() Fail, RetVal = -5"},
      {"current", 0, 0, 0, 0, 0, {}, 0, 0, 0, 0,
       "IsSelfFileUpdated> Server File ModifyTime = 20261208000000, FileSize = "},
      {"newer", 0, 1, 0, 0, 0, {}, 1, 1, 0, 0, "IsSelfFileUpdated> Download OK, File = C:\\App\\VantoExe.exe"},
      {"download fails", 0, 1, -4, 0, 0, {}, -2, 1, 0, 0,
       "IsSelfFileUpdated> DownloadOneFileFromServer() Fail, RetVal = -4"},
      {"certificate accepted", 0, 1, 0, 2, 1, {kYes}, 1, 2, 1, 1,
       "IsSelfFileUpdated> Retry DownloadOneFileFromServer()"},
      {"certificate refused", 0, 1, 0, 2, 1, {kNo}, -2, 1, 1, 0,
       "IsSelfFileUpdated> DownloadOneFileFromServer() Fail, RetVal = -6"},
      {"certificate, no question with SVR_HTTPS 1", 0, 1, 0, 1, 1, {}, -2, 1, 0, 0,
       "IsSelfFileUpdated> DownloadOneFileFromServer() Fail, RetVal = -6"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server.calls.clear();
    dialog.questions.clear();
    certFlag = 0;
    server.listInfoResult = c.infoResult;
    Self().needsDownload = c.needsDownload;
    Self().downloadResult = c.downloadResult;
    cfg.SVR_HTTPS = static_cast<int16_t>(c.https);
    server.certErrorsLeft.assign(c.certErrors, "VantoExe.exe");
    dialog.answers = c.answers;
    const int linesBefore = log.Count(c.line);
    ASSERT_EQ(check.InitSelfFileInfo("C:\\App", "VantoExe.exe"), 1);
    EXPECT_EQ(check.IsSelfFileUpdated(), c.expected);
    EXPECT_EQ(server.Count("Download:VantoExe.exe:11"), c.downloads);  // dated, with the file bar
    EXPECT_EQ(server.Count("Download:"), c.downloads);
    EXPECT_EQ(dialog.questions.size(), static_cast<size_t>(c.questions));
    EXPECT_EQ(certFlag, c.certFlagAfter);
    EXPECT_EQ(log.Count(c.line), linesBefore + 1) << c.line;
    for (const RecordedQuestion& q : dialog.questions) {
      EXPECT_EQ(q.text.rfind("인증서 오류가 발생 했습니다.\r\n", 0), 0u);
      EXPECT_EQ(q.type, 0x34u);  // Yes/No, exclamation
    }
  }
  EXPECT_TRUE(dialog.rows.empty());
}

TEST_F(SelfUpdateTest, WithoutApplicationObjectNothingIsAsked) {
  CSelfUpdateCheck bare(dialog, server, nullptr, certFlag, restartFlag, msg);
  bare.InitSelfFileInfo("C:\\App", "VantoExe.exe");
  EXPECT_EQ(bare.IsSelfFileUpdated(), -1);
  EXPECT_TRUE(server.calls.empty());
}

TEST_F(SelfUpdateTest, AnExceptionBecomesAnErrorRow) {
  server.onDownload = [](FileItem&) { throw std::runtime_error("connection lost"); };
  ASSERT_EQ(check.InitSelfFileInfo("C:\\App", "VantoExe.exe"), 1);
  EXPECT_EQ(check.IsSelfFileUpdated(), -2);
  EXPECT_TRUE(log.Contains("[DEBUG] CVantoExeDlg::DownloadFilesInListFromServer> Error : connection lost"));
  EXPECT_TRUE(dialog.HasRow(LIST_ROW_ERROR, "프로그램 장애 : connection lost"));
  EXPECT_EQ(msg, "프로그램 장애 : connection lost");
}

TEST_F(SelfUpdateTest, UpdatedProgramHandsOverAfterTheEndLine) {
  EXPECT_TRUE(Check());
  EXPECT_EQ(restartFlag, 1);
  EXPECT_EQ(handOffs, 1);
  EXPECT_TRUE(handOffAfterEnd);
  ExpectInOrder({std::string("[INFO ] ") + kS,
                 "[DEBUG] CVantoExeDlg::OnInitDialog> 'VantoExe.exe' >> Check file update version.",
                 "[DEBUG] CVantoExeDlg::IsSelfFileUpdated> Download OK, File = C:\\App\\VantoExe.exe",
                 "[DEBUG] CVantoExeDlg::OnInitDialog> 'VantoExe.exe' >> The file has been updated. Restart the program.",
                 std::string("[INFO ] ") + kE});
  EXPECT_EQ(log.Count(kE), 1);
}

TEST_F(SelfUpdateTest, EveryOtherOutcomeGoesOnWithTheRun) {
  const struct {
    const char* name;
    const char* moduleDir;
    int infoResult, needsDownload;
    const char* line;
  } cases[] = {
      {"current", "C:\\App", 0, 0, "[DEBUG] CVantoExeDlg::OnInitDialog> 'VantoExe.exe' >> It's already the latest file."},
      {"query fails", "C:\\App", -5, 1, "[ERROR] CVantoExeDlg::OnInitDialog> IsSelfFileUpdated() is fail.(return=-2)"},
      {"no program folder", "", 0, 1, "[ERROR] CVantoExeDlg::OnInitDialog> InitSelfFileInfo() return fail."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int ends = log.Count(kE), lines = log.Count(c.line);
    server.listInfoResult = c.infoResult;
    Self().needsDownload = c.needsDownload;
    EXPECT_FALSE(check.CheckAtDialogStart(c.moduleDir, "VantoExe.exe"));
    EXPECT_EQ(log.Count(kE), ends + 1);
    EXPECT_EQ(log.Count(c.line), lines + 1);
  }
  EXPECT_EQ(restartFlag, 0);
  EXPECT_EQ(handOffs, 0);
  EXPECT_EQ(server.Count("Download:"), 0);
}

TEST_F(SelfUpdateTest, HandOffWithoutProgramFileKeepsThisCopyRunning) {
  handOffResult = -1;
  EXPECT_FALSE(Check());
  EXPECT_EQ(restartFlag, 0);
  ExpectInOrder({"The file has been updated. Restart the program.", kE,
                 "[ERROR] CVantoExeDlg::OnInitDialog> 'VantoExe.exe' >> The updated program could not be started."});
}
}  // namespace

// The download lands beside the program and replaces it only as a program
// for this machine; anything else is refused, the installed program stays
// and this copy does the run.
TEST_F(SelfUpdateTest, OnlyAProgramForThisMachineReplacesTheInstalledOne) {
  EXPECT_TRUE(Check());
  EXPECT_EQ(server.Count("Download:VantoExe.exe"), 1);
  EXPECT_EQ(checked, std::vector<std::string>{"C:\\App\\VantoExe.exe.download~"});
  EXPECT_EQ(replaced, std::vector<std::string>{"C:\\App\\VantoExe.exe.download~ -> C:\\App\\VantoExe.exe"});
  EXPECT_TRUE(log.Contains("CVantoExeDlg::IsSelfFileUpdated> Download OK, File = C:\\App\\VantoExe.exe"));

  checked.clear();
  replaced.clear();
  restartFlag = 0;
  isProgram = false;
  EXPECT_FALSE(Check());
  EXPECT_EQ(handOffs, 1) << "no hand-off to a refused file";
  EXPECT_TRUE(replaced.empty());
  EXPECT_EQ(restartFlag, 0);
  ExpectInOrder({"[ERROR] CVantoExeDlg::IsSelfFileUpdated> Downloaded File Refused(C:\\App\\VantoExe.exe.download~) "
                 ": not a Windows program, The Old Program Stays",
                 "[ERROR] CVantoExeDlg::OnInitDialog> IsSelfFileUpdated() is fail.(return=-2)", kE});
}
