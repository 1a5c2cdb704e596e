#include "config/CfgNormalize.h"
#include "config/VantoCfg.h"

#include <gtest/gtest.h>

namespace {
const std::string kPrefix = "CVantoCfg::LogConfigInfo> ";
}

TEST(CVantoCfg, InitialValues) {
  CVantoCfg cfg;
  EXPECT_EQ(cfg.m_dwConnectTimeOut, 1800000u);
  EXPECT_EQ(cfg.m_dwSendTimeOut, 1800000u);
  EXPECT_EQ(cfg.m_dwRecvTimeOut, 1800000u);
  EXPECT_EQ(cfg.TIME_CHECK_SPAN, 5);
  EXPECT_EQ(cfg.OCX_FILE_REGISTRY_MODE, 2);
  EXPECT_EQ(cfg.ENCODE_URL_UTF, 1);
  EXPECT_EQ(cfg.FILE_COMPARE_GMT_TIME, 1);
  EXPECT_EQ(cfg.LAST_LIST_FILE_NAME, "_listfile_last.txt");
  EXPECT_EQ(cfg.LOG_ENCODE_FLAG, 0);
  EXPECT_EQ(cfg.SVR_HTTPS, 0);
  EXPECT_TRUE(cfg.RUN_MODE.empty());
  EXPECT_TRUE(cfg.TARGET_DIR.empty());
  EXPECT_TRUE(cfg.m_strLastDownDate.empty());
}

TEST(CVantoCfg, DumpHasFortyLinesInOrder) {
  CVantoCfg cfg;
  cfg.m_strStartMode = "3";
  cfg.SVR_IP_ADDR = "10.0.0.1";
  cfg.SVR_HTTPS = -3;
  cfg.KILL_LOOMBROWSER5_FLAG = 7;
  cfg.PROXY_USER_PASSWORD = "secret";
  const std::vector<std::string> lines = cfg.GetConfigDumpLines();
  ASSERT_EQ(lines.size(), 40u);
  EXPECT_EQ(lines[0], std::string(86, '-') + "S");
  EXPECT_EQ(lines[39], std::string(86, '-') + "E");
  EXPECT_EQ(lines[1], kPrefix + "m_strStartMode : 3");
  EXPECT_EQ(lines[4], kPrefix + "SVR_IP_ADDR : 10.0.0.1");
  EXPECT_EQ(lines[12], kPrefix + "KILL_LOOMBROWSER5_FLAG : 7");
  EXPECT_EQ(lines[13], kPrefix + "LOG_ENCODE_FLAG : 0");
  EXPECT_EQ(lines[14], kPrefix + "TIME_CHECK_SPAN : 5");
  EXPECT_EQ(lines[16], kPrefix + "RUN_MODE : ");
  EXPECT_EQ(lines[30], kPrefix + "SVR_HTTPS : -3");
  EXPECT_EQ(lines[35], kPrefix + "LAST_LIST_FILE_NAME : _listfile_last.txt");
  EXPECT_EQ(lines[38], kPrefix + "FILE_COMPARE_GMT_TIME : 1");
  // Credentials and the server file path stay out of the log.
  for (const std::string& line : lines) {
    EXPECT_EQ(line.find("secret"), std::string::npos);
    EXPECT_EQ(line.find("PROXY"), std::string::npos);
    EXPECT_EQ(line.find("m_strSvrCfgFilePath"), std::string::npos);
  }
}

TEST(CVantoCfg, DumpKeyOrder) {
  const char* keys[] = {
      "m_strStartMode", "m_strCfgFilePath", "m_strCfgFileSectionName", "SVR_IP_ADDR", "SVR_PORT_NO",
      "DOWNLOAD_BASE_URL", "LIST_FILE_NAME", "TARGET_DIR", "CHECK_LIST_FILE_FLAG", "ALL_REG_FLAG",
      "KILL_LOOMBROWSER_FLAG", "KILL_LOOMBROWSER5_FLAG", "LOG_ENCODE_FLAG", "TIME_CHECK_SPAN",
      "EXCLUDE_DIRS", "RUN_MODE", "DESKTOP_LINK_NAME", "DESKTOP_LINK_URL",
      "DESKTOP_LINK_ICON_LOCATION", "LOOMBROWSER_PROG_FILE_PATH", "LOOMBROWSER_PROG_ARGUMENT",
      "LOOMBROWSER5_PROG_FILE_PATH", "LOOMBROWSER5_PROG_ARGUMENT", "AGENT_PROG_FILE_PATH",
      "AGENT_PROG_ARGUMENT", "PROGRAM_LINK_NAME", "PROGRAM_FILE_PATH", "PROGRAM_ARGUMENT",
      "PROGRAM_LINK_ICON_LOCATION", "SVR_HTTPS", "DELETE_LOCAL_LIST_FILE", "OCX_FILE_REGISTRY_MODE",
      "DOWNLOAD_FROM_BP_SERVER", "BP_SERVER_PORT_NO", "LAST_LIST_FILE_NAME",
      "LAST_CHECK_DAY_INTERVAL", "ENCODE_URL_UTF", "FILE_COMPARE_GMT_TIME"};
  CVantoCfg cfg;
  const std::vector<std::string> lines = cfg.GetConfigDumpLines();
  ASSERT_EQ(lines.size(), 40u);
  for (size_t i = 0; i < 38; ++i)
    EXPECT_EQ(lines[i + 1].rfind(kPrefix + keys[i] + " : ", 0), 0u) << lines[i + 1];
}

TEST(CfgNormalize, DownloadBaseUrlLosesTrailingSeparators) {
  CVantoCfg cfg;
  cfg.DOWNLOAD_BASE_URL = "/update//";
  TrimDownloadBaseUrl(cfg);
  EXPECT_EQ(cfg.DOWNLOAD_BASE_URL, "/update");
  cfg.DOWNLOAD_BASE_URL = "/a/b\\/\\";
  TrimDownloadBaseUrl(cfg);
  EXPECT_EQ(cfg.DOWNLOAD_BASE_URL, "/a/b");
  cfg.DOWNLOAD_BASE_URL = "/";
  TrimDownloadBaseUrl(cfg);
  EXPECT_EQ(cfg.DOWNLOAD_BASE_URL, "/");
  cfg.DOWNLOAD_BASE_URL = "///";
  TrimDownloadBaseUrl(cfg);
  EXPECT_EQ(cfg.DOWNLOAD_BASE_URL, "/");
  cfg.DOWNLOAD_BASE_URL = "";
  TrimDownloadBaseUrl(cfg);
  EXPECT_EQ(cfg.DOWNLOAD_BASE_URL, "");
}

TEST(CfgNormalize, TargetDirTrimmedWithBackslashes) {
  CVantoCfg cfg;
  cfg.TARGET_DIR = "  C:/Data/App/ \t";
  EXPECT_EQ(NormalizeTargetDir(cfg), 1);
  EXPECT_EQ(cfg.TARGET_DIR, "C:\\Data\\App");
  cfg.TARGET_DIR = "C:\\";
  EXPECT_EQ(NormalizeTargetDir(cfg), 1);
  EXPECT_EQ(cfg.TARGET_DIR, "C:");
  cfg.TARGET_DIR = "D:\\대상\\폴더\\\\";
  EXPECT_EQ(NormalizeTargetDir(cfg), 1);
  EXPECT_EQ(cfg.TARGET_DIR, "D:\\대상\\폴더");
}

TEST(CfgNormalize, TargetDirInvalidWhenNothingRemains) {
  for (const char* value : {"", "   ", "\\", "/", " /\\/ "}) {
    CVantoCfg cfg;
    cfg.TARGET_DIR = value;
    EXPECT_EQ(NormalizeTargetDir(cfg), 0) << value;
  }
}

TEST(CfgNormalize, LoomBrowserReplacement) {
  CVantoCfg cfg;
  cfg.TARGET_DIR = "C:\\Loom";
  cfg.LOOMBROWSER_PROG_FILE_PATH = "  LOOMbrowser ";
  ReplaceLoomBrowserPath(cfg);
  EXPECT_EQ(cfg.LOOMBROWSER_PROG_FILE_PATH, "C:\\Loom\\bin\\loomBrowser.exe");

  cfg.LOOMBROWSER_PROG_FILE_PATH = "loomBrowser.exe";
  ReplaceLoomBrowserPath(cfg);
  EXPECT_EQ(cfg.LOOMBROWSER_PROG_FILE_PATH, "loomBrowser.exe");
  cfg.LOOMBROWSER_PROG_FILE_PATH = " D:\\x\\loomBrowser ";
  ReplaceLoomBrowserPath(cfg);
  EXPECT_EQ(cfg.LOOMBROWSER_PROG_FILE_PATH, " D:\\x\\loomBrowser ");
}
