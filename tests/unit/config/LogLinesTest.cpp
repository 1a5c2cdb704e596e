// The log lines administrators search for: the configuration dump and the
// outcome of reading an INI file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/IniEncrypt.h"
#include "config/IniReader.h"
#include "config/VantoCfg.h"
#include "support/TempDir.h"
#include "util/MyLog.h"


namespace {
#ifdef _WIN32
const char kSeparator[] = "\\";
#else
const char kSeparator[] = "/";
#endif

CMyLog::LocalTime FixedClock() { return {2024, 3, 15, 10, 20, 30, 400}; }

// Installs a plain (not inverted) log as the process log for one test.
class LogLinesTest : public TempDirTest {
 protected:
  void SetUp() override {
    m_folder = m_dir.Child("log");
    m_log.SetClockForTest(&FixedClock);
    ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);
    m_previous = g_pMyLog;
    g_pMyLog = &m_log;
  }
  void TearDown() override { g_pMyLog = m_previous; }

  // Every line written so far, without line ends. Closes the log.
  std::vector<std::string> Lines() {
    m_log.Reset();
    std::vector<std::string> lines;
    for (const std::string& name : ListDirectory(m_folder)) {
      if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".log") != 0) continue;
      std::string bytes;
      EXPECT_TRUE(ReadWholeFile(m_folder + kSeparator + name, &bytes));
      size_t start = 0;
      while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
      }
    }
    return lines;
  }

  // The message part of each line that has the given level.
  std::vector<std::string> Messages(const char* level) {
    std::vector<std::string> messages;
    const std::string tag = std::string("[") + level;
    for (const std::string& line : Lines()) {
      const size_t at = line.find(tag);
      if (at == std::string::npos) continue;
      const size_t close = line.find("] ", at);
      if (close != std::string::npos) messages.push_back(line.substr(close + 2));
    }
    return messages;
  }

  CMyLog m_log;
  CMyLog* m_previous = nullptr;
  std::string m_folder;
};
}  // namespace

TEST_F(LogLinesTest, ConfigDumpWrittenAtInfoInOrder) {
  CVantoCfg cfg;
  cfg.SVR_IP_ADDR = "127.0.0.1";
  cfg.DESKTOP_LINK_NAME = "100% 바로가기";
  cfg.LogConfigInfo();
  const std::vector<std::string> messages = Messages("INFO ");
  EXPECT_EQ(messages, cfg.GetConfigDumpLines());
  ASSERT_EQ(messages.size(), 40u);
  EXPECT_EQ(messages[4], "CVantoCfg::LogConfigInfo> SVR_IP_ADDR : 127.0.0.1");
  EXPECT_EQ(messages[17], "CVantoCfg::LogConfigInfo> DESKTOP_LINK_NAME : 100% 바로가기");
}

TEST_F(LogLinesTest, IniReadOutcomes) {
  const std::string plain = m_dir.Child("plain.ini");
  const std::string encrypted = m_dir.Child("enc.ini");
  const std::string empty = m_dir.Child("empty.ini");
  ASSERT_TRUE(WriteWholeFile(plain, "[VANTO]\nA=1\n"));
  ASSERT_TRUE(WriteWholeFile(encrypted, EncryptIniContent("[VANTO]\nA=1\n")));
  ASSERT_TRUE(WriteWholeFile(empty, ""));
  GetIniFileContent(plain);
  GetIniFileContent(encrypted);
  GetIniFileContent(empty);
  GetIniFileContent("");
  GetIniFileContent(m_dir.Child("missing.ini"));  // no entry
  EXPECT_EQ(Messages("DEBUG"),
            (std::vector<std::string>{"CVantoExeApp::GetIniFileContent> is not encrypted file.",
                                      "CVantoExeApp::GetIniFileContent> File decrypt success.",
                                      "CVantoExeApp::GetIniFileContent> content is empty.",
                                      "CVantoExeApp::GetIniFileContent> unknown ini file path."}));
}

TEST(LogConfigInfoWithoutLog, DoesNothing) {
  CMyLog* previous = g_pMyLog;
  g_pMyLog = nullptr;
  CVantoCfg cfg;
  cfg.LogConfigInfo();  // must not crash
  GetIniFileContent("");
  g_pMyLog = previous;
  SUCCEED();
}
