#include "app/ResultFile.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/LogCapture.h"
#include "support/TempDir.h"

namespace {
const std::string kPrefix = "[ERROR] CVantoExeApp::ExitInstance> ";

std::string ResultOf(const std::string& file) {
  char value[64] = "";
  ::GetPrivateProfileStringA("VANTOEXE", "RESULT", "(none)", value, sizeof(value), file.c_str());
  return value;
}

class ResultFileTest : public TempDirTest {
 protected:
  LogCapture m_log;
};

// Start modes 2 and 3 may name a target folder that start-up never made.
TEST_F(ResultFileTest, MissingFolderIsCreatedAndOtherKeysStay) {
  const std::string file = m_dir.Child("new") + "\\deeper\\VantoExe.ini";
  EXPECT_TRUE(WriteResultFile(file, "3"));
  EXPECT_EQ(ResultOf(file), "3");

  ASSERT_TRUE(::WritePrivateProfileStringA("CALLER", "KEEP", "yes", file.c_str()));
  EXPECT_TRUE(WriteResultFile(file, "0"));
  EXPECT_EQ(ResultOf(file), "0");
  char kept[8] = "";
  ::GetPrivateProfileStringA("CALLER", "KEEP", "", kept, sizeof(kept), file.c_str());
  EXPECT_STREQ(kept, "yes");
  EXPECT_FALSE(m_log.Contains("Fail"));
}

TEST_F(ResultFileTest, FailuresAreLogged) {
  // A file where the folder should be, and a folder where the file should be.
  ASSERT_TRUE(WriteWholeFile(m_dir.Child("blocked"), "x"));
  const std::string noFolder = m_dir.Child("blocked") + "\\sub\\VantoExe.ini";
  EXPECT_FALSE(WriteResultFile(noFolder, "1"));
  EXPECT_TRUE(m_log.Contains(kPrefix + "Create Result Directory(" + noFolder + ") Fail, ErrCode = "));

  const std::string isFolder = m_dir.Child("VantoExe.ini");
  ASSERT_TRUE(::CreateDirectoryA(isFolder.c_str(), nullptr));
  EXPECT_FALSE(WriteResultFile(isFolder, "1"));
  EXPECT_TRUE(m_log.Contains(kPrefix + "Write Result File(" + isFolder + ") Fail, ErrCode = "));
  EXPECT_TRUE(m_log.Contains("CMyLog::LogLastErrorText> "));
}
}  // namespace
