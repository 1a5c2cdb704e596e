#include "config/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/TempDir.h"

namespace {
std::vector<std::string> DefaultFields() {
  std::vector<std::string> f(40);
  for (size_t i = 0; i < f.size(); ++i) f[i] = "v" + std::to_string(i + 1);
  f[0] = "0";
  f[1] = "1";                // LOG_ENCODE_FLAG
  f[6] = "";                 // TARGET_DIR: no download date file
  f[7] = "1";                // CHECK_LIST_FILE_FLAG
  f[8] = "2";                // ALL_REG_FLAG
  f[10] = "30";              // TIME_CHECK_SPAN
  f[23] = "1";               // KILL_LOOMBROWSER_FLAG
  f[24] = "2";               // SVR_HTTPS
  f[25] = "1";               // DELETE_LOCAL_LIST_FILE
  f[29] = "2";               // PROXY_AUTH_MODE
  f[30] = "7";               // OCX_FILE_REGISTRY_MODE: no clamp here
  f[31] = "1";               // DOWNLOAD_FROM_BP_SERVER
  f[34] = "1";               // KILL_LOOMBROWSER5_FLAG
  f[37] = "-4";              // LAST_CHECK_DAY_INTERVAL: no clamp here
  f[38] = "0";               // ENCODE_URL_UTF
  f[39] = "0";               // FILE_COMPARE_GMT_TIME
  return f;
}

std::string Join(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) line += '\x1A';
    line += fields[i];
  }
  return line;
}
}  // namespace

TEST(ParseLongCommandLine, StoresAllFortyFields) {
  CVantoCfg cfg;
  ASSERT_EQ(ParseLongCommandLine(Join(DefaultFields()), cfg), 1);
  EXPECT_EQ(cfg.m_strStartMode, "0");
  EXPECT_EQ(cfg.LOG_ENCODE_FLAG, 1);
  EXPECT_EQ(cfg.SVR_IP_ADDR, "v3");
  EXPECT_EQ(cfg.SVR_PORT_NO, "v4");
  EXPECT_EQ(cfg.DOWNLOAD_BASE_URL, "v5");
  EXPECT_EQ(cfg.LIST_FILE_NAME, "v6");
  EXPECT_EQ(cfg.TARGET_DIR, "");
  EXPECT_EQ(cfg.CHECK_LIST_FILE_FLAG, 1);
  EXPECT_EQ(cfg.ALL_REG_FLAG, 2);
  EXPECT_EQ(cfg.EXCLUDE_DIRS, "v10");
  EXPECT_EQ(cfg.TIME_CHECK_SPAN, 30);
  EXPECT_EQ(cfg.RUN_MODE, "v12");
  EXPECT_EQ(cfg.LOOMBROWSER_PROG_FILE_PATH, "v13");
  EXPECT_EQ(cfg.LOOMBROWSER_PROG_ARGUMENT, "v14");
  EXPECT_EQ(cfg.AGENT_PROG_FILE_PATH, "v15");
  EXPECT_EQ(cfg.AGENT_PROG_ARGUMENT, "v16");
  EXPECT_EQ(cfg.DESKTOP_LINK_NAME, "v17");
  EXPECT_EQ(cfg.DESKTOP_LINK_URL, "v18");
  EXPECT_EQ(cfg.DESKTOP_LINK_ICON_LOCATION, "v19");
  EXPECT_EQ(cfg.PROGRAM_LINK_NAME, "v20");
  EXPECT_EQ(cfg.PROGRAM_FILE_PATH, "v21");
  EXPECT_EQ(cfg.PROGRAM_ARGUMENT, "v22");
  EXPECT_EQ(cfg.PROGRAM_LINK_ICON_LOCATION, "v23");
  EXPECT_EQ(cfg.KILL_LOOMBROWSER_FLAG, 1);
  EXPECT_EQ(cfg.SVR_HTTPS, 2);
  EXPECT_EQ(cfg.DELETE_LOCAL_LIST_FILE, 1);
  EXPECT_EQ(cfg.PROXY_IP_ADDR, "v27");
  EXPECT_EQ(cfg.PROXY_USER_NAME, "v28");
  EXPECT_EQ(cfg.PROXY_USER_PASSWORD, "v29");
  EXPECT_EQ(cfg.PROXY_AUTH_MODE, 2);
  EXPECT_EQ(cfg.OCX_FILE_REGISTRY_MODE, 7);
  EXPECT_EQ(cfg.DOWNLOAD_FROM_BP_SERVER, 1);
  EXPECT_EQ(cfg.BP_SERVER_PORT_NO, "v33");
  EXPECT_EQ(cfg.LAST_LIST_FILE_NAME, "v34");
  EXPECT_EQ(cfg.KILL_LOOMBROWSER5_FLAG, 1);
  EXPECT_EQ(cfg.LOOMBROWSER5_PROG_FILE_PATH, "v36");
  EXPECT_EQ(cfg.LOOMBROWSER5_PROG_ARGUMENT, "v37");
  EXPECT_EQ(cfg.LAST_CHECK_DAY_INTERVAL, -4);
  EXPECT_EQ(cfg.ENCODE_URL_UTF, 0);
  EXPECT_EQ(cfg.FILE_COMPARE_GMT_TIME, 0);
  EXPECT_EQ(cfg.m_strLastDownDate, "20190101");
}

TEST(ParseLongCommandLine, RefusesOtherFieldCounts) {
  std::vector<std::string> f = DefaultFields();
  std::vector<std::string> shorter(f.begin(), f.end() - 1);
  std::vector<std::string> longer = f;
  longer.push_back("extra");
  CVantoCfg cfg;
  EXPECT_EQ(ParseLongCommandLine(Join(shorter), cfg), 0);
  EXPECT_EQ(ParseLongCommandLine(Join(longer), cfg), 0);
  EXPECT_EQ(ParseLongCommandLine(Join(f) + '\x1A', cfg), 0);
  EXPECT_EQ(ParseLongCommandLine("0", cfg), 0);
  EXPECT_TRUE(cfg.SVR_IP_ADDR.empty());  // nothing stored from a refused line
}

TEST(ParseLongCommandLine, EmptyFieldsAndRunModeDefault) {
  std::vector<std::string> f(40);
  f[0] = "1";
  CVantoCfg cfg;
  ASSERT_EQ(ParseLongCommandLine(Join(f), cfg), 1);
  EXPECT_EQ(cfg.m_strStartMode, "1");
  EXPECT_EQ(cfg.RUN_MODE, "LOOM_BROWSER");
  EXPECT_EQ(cfg.TIME_CHECK_SPAN, 0);
  EXPECT_EQ(cfg.OCX_FILE_REGISTRY_MODE, 0);
  EXPECT_EQ(cfg.ENCODE_URL_UTF, 0);
  EXPECT_EQ(cfg.LAST_LIST_FILE_NAME, "");
}

TEST(ParseLongCommandLine, FieldsKeepBlanksAndQuotes) {
  std::vector<std::string> f = DefaultFields();
  f[21] = "\"C:\\Program Files\\x\" -a  b";
  f[10] = "  12abc";
  CVantoCfg cfg;
  ASSERT_EQ(ParseLongCommandLine(Join(f), cfg), 1);
  EXPECT_EQ(cfg.PROGRAM_ARGUMENT, "\"C:\\Program Files\\x\" -a  b");
  EXPECT_EQ(cfg.TIME_CHECK_SPAN, 12);
}

class LongCommandLineDateTest : public TempDirTest {};

TEST_F(LongCommandLineDateTest, RecentDownloadSelectsLastListFile) {
  ASSERT_TRUE(WriteWholeFile(m_dir.Child("_UpdateD.ini"),
                             "[UPDATE]\r\nLAST_DOWN_LOAD_YYYYMMDD=20990101\r\n"));
  std::vector<std::string> f = DefaultFields();
  f[6] = m_dir.path();
  f[5] = "list.txt";
  f[33] = "last.txt";
  f[37] = "3";
  CVantoCfg cfg;
  ASSERT_EQ(ParseLongCommandLine(Join(f), cfg), 1);
  EXPECT_EQ(cfg.m_strLastDownDate, "20990101");
  EXPECT_EQ(cfg.LIST_FILE_NAME, "last.txt");
}

TEST_F(LongCommandLineDateTest, ShortDateIsKeptOnThisPath) {
  ASSERT_TRUE(WriteWholeFile(m_dir.Child("_UpdateD.ini"), "[UPDATE]\nLAST_DOWN_LOAD_YYYYMMDD=2099\n"));
  std::vector<std::string> f = DefaultFields();
  f[6] = m_dir.path();
  CVantoCfg cfg;
  ASSERT_EQ(ParseLongCommandLine(Join(f), cfg), 1);
  EXPECT_EQ(cfg.m_strLastDownDate, "2099");
}

TEST(ParseWebCommandLine, SevenTokens) {
  CVantoCfg cfg;
  ASSERT_EQ(ParseWebCommandLine("2 1 host 8080 \"/cfg/a b.ini\" C:\\T 2", cfg), 1);
  EXPECT_EQ(cfg.m_strStartMode, "2");
  EXPECT_EQ(cfg.LOG_ENCODE_FLAG, 1);
  EXPECT_EQ(cfg.SVR_IP_ADDR, "host");
  EXPECT_EQ(cfg.SVR_PORT_NO, "8080");
  EXPECT_EQ(cfg.m_strSvrCfgFilePath, "/cfg/a b.ini");
  EXPECT_EQ(cfg.TARGET_DIR, "C:\\T");
  EXPECT_EQ(cfg.SVR_HTTPS, 2);
  EXPECT_EQ(cfg.RUN_MODE, "");  // nothing else is touched
}

TEST(ParseWebCommandLine, OtherCountsRefused) {
  CVantoCfg cfg;
  EXPECT_EQ(ParseWebCommandLine("2 1 host 8080 /cfg.ini C:\\T", cfg), 0);
  EXPECT_EQ(ParseWebCommandLine("2 1 host 8080 /cfg a.ini C:\\T 2", cfg), 0);
  EXPECT_EQ(ParseWebCommandLine("2", cfg), 0);
  EXPECT_TRUE(cfg.SVR_IP_ADDR.empty());
  // Runs of blanks do not make empty tokens.
  EXPECT_EQ(ParseWebCommandLine("2  1   host 80 /c.ini C:\\T  x", cfg), 1);
  EXPECT_EQ(cfg.SVR_HTTPS, 0);  // non-numeric: plain HTTP
}

TEST(ParseFileCommandLine, FourTokens) {
  CVantoCfg cfg;
  ASSERT_EQ(ParseFileCommandLine("3 \"C:\\My Cfg\\v.ini\" SITE D:\\Target", cfg), 1);
  EXPECT_EQ(cfg.m_strStartMode, "3");
  EXPECT_EQ(cfg.m_strCfgFilePath, "C:\\My Cfg\\v.ini");
  EXPECT_EQ(cfg.m_strCfgFileSectionName, "SITE");
  EXPECT_EQ(cfg.TARGET_DIR, "D:\\Target");
  EXPECT_EQ(ParseFileCommandLine("3 a b", cfg), 0);
  EXPECT_EQ(ParseFileCommandLine("3 a b c d", cfg), 0);
}
