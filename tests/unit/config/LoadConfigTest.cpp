#include <gtest/gtest.h>

#include <ctime>

#include "config/IniEncrypt.h"
#include "config/VantoCfg.h"
#include "support/TempDir.h"

namespace {
std::string Today() {
  const std::time_t now = std::time(nullptr);
  char text[16];
  std::strftime(text, sizeof text, "%Y%m%d", std::localtime(&now));
  return text;
}
}  // namespace

class LoadConfigTest : public TempDirTest {
 protected:
  CVantoCfg Load(const std::string& content, const std::string& section = "VANTO") {
    const std::string path = m_dir.Child("Vanto.ini");
    EXPECT_TRUE(WriteWholeFile(path, content));
    CVantoCfg cfg;
    EXPECT_EQ(cfg.LoadConfigFromIniFile(path, section), 0);
    return cfg;
  }
};

TEST_F(LoadConfigTest, SectionWithoutKeysGivesIniDefaults) {
  CVantoCfg cfg = Load("[VANTO]\nUNRELATED=1\n[OTHER]\nSVR_IP_ADDR=1.2.3.4\n");
  EXPECT_EQ(cfg.RUN_MODE, "LOOM_BROWSER");
  EXPECT_EQ(cfg.TIME_CHECK_SPAN, 5);
  EXPECT_EQ(cfg.OCX_FILE_REGISTRY_MODE, 2);
  EXPECT_EQ(cfg.ENCODE_URL_UTF, 1);
  EXPECT_EQ(cfg.FILE_COMPARE_GMT_TIME, 1);
  EXPECT_EQ(cfg.LAST_LIST_FILE_NAME, "");  // replaces the initial value
  EXPECT_EQ(cfg.SVR_IP_ADDR, "");
  EXPECT_EQ(cfg.TARGET_DIR, "");
  EXPECT_EQ(cfg.CHECK_LIST_FILE_FLAG, 0);
  EXPECT_EQ(cfg.SVR_HTTPS, 0);
  EXPECT_EQ(cfg.LAST_CHECK_DAY_INTERVAL, 0);
  EXPECT_EQ(cfg.LOG_ENCODE_FLAG, 0);
  EXPECT_EQ(cfg.m_strLastDownDate, "20190101");
}

TEST_F(LoadConfigTest, MissingFileStillSucceedsWithDefaults) {
  CVantoCfg cfg;
  EXPECT_EQ(cfg.LoadConfigFromIniFile(m_dir.Child("absent.ini"), "VANTO"), 0);
  EXPECT_EQ(cfg.TIME_CHECK_SPAN, 5);
  EXPECT_EQ(cfg.LAST_LIST_FILE_NAME, "");
  EXPECT_EQ(cfg.TARGET_DIR, "");
}

TEST_F(LoadConfigTest, AllKeysRead) {
  CVantoCfg cfg = Load(
      "[vanto]\r\n"
      "SVR_IP_ADDR = update.example\r\nSVR_PORT_NO=8080\r\nDOWNLOAD_BASE_URL=/up/\r\n"
      "LIST_FILE_NAME=list.txt\r\nTARGET_DIR= C:/Loom/ \r\nDESKTOP_LINK_NAME=바로가기\r\n"
      "DESKTOP_LINK_URL=http://x/\r\nDESKTOP_LINK_ICON_LOCATION=i.ico\r\n"
      "PROGRAM_LINK_NAME=p\r\nPROGRAM_FILE_PATH=p.exe\r\nPROGRAM_ARGUMENT=-x \"y z\"\r\n"
      "PROGRAM_LINK_ICON_LOCATION=p.ico\r\nAGENT_PROG_FILE_PATH=a.exe\r\nAGENT_PROG_ARGUMENT=-a\r\n"
      "EXCLUDE_DIRS=tmp,log\r\nRUN_MODE=TEST\r\nLOOMBROWSER_PROG_FILE_PATH=loomBrowser\r\n"
      "LOOMBROWSER_PROG_ARGUMENT=-l\r\nKILL_LOOMBROWSER5_FLAG=1\r\n"
      "LOOMBROWSER5_PROG_FILE_PATH=l5.exe\r\nLOOMBROWSER5_PROG_ARGUMENT=-5\r\n"
      "CHECK_LIST_FILE_FLAG=1\r\nTIME_CHECK_SPAN=60\r\nALL_REG_FLAG=1\r\n"
      "KILL_LOOMBROWSER_FLAG=1\r\nSVR_HTTPS=2\r\nDELETE_LOCAL_LIST_FILE=1\r\n"
      "PROXY_IP_ADDR=proxy:3128\r\nPROXY_USER_NAME=u\r\nPROXY_USER_PASSWORD=pw\r\n"
      "PROXY_AUTH_MODE=1\r\nOCX_FILE_REGISTRY_MODE=1\r\nDOWNLOAD_FROM_BP_SERVER=1\r\n"
      "BP_SERVER_PORT_NO=9090\r\nLAST_LIST_FILE_NAME=last.txt\r\nLAST_CHECK_DAY_INTERVAL=3\r\n"
      "ENCODE_URL_UTF=0\r\nFILE_COMPARE_GMT_TIME=0\r\nLOG_ENCODE_FLAG=1\r\n");
  EXPECT_EQ(cfg.SVR_IP_ADDR, "update.example");
  EXPECT_EQ(cfg.SVR_PORT_NO, "8080");
  EXPECT_EQ(cfg.DOWNLOAD_BASE_URL, "/up/");  // normalised by start-up, not here
  EXPECT_EQ(cfg.TARGET_DIR, "C:/Loom/");
  EXPECT_EQ(cfg.DESKTOP_LINK_NAME, "바로가기");
  EXPECT_EQ(cfg.PROGRAM_ARGUMENT, "-x \"y z\"");
  EXPECT_EQ(cfg.EXCLUDE_DIRS, "tmp,log");
  EXPECT_EQ(cfg.RUN_MODE, "TEST");
  EXPECT_EQ(cfg.LOOMBROWSER_PROG_FILE_PATH, "loomBrowser");
  EXPECT_EQ(cfg.KILL_LOOMBROWSER5_FLAG, 1);
  EXPECT_EQ(cfg.LOOMBROWSER5_PROG_ARGUMENT, "-5");
  EXPECT_EQ(cfg.CHECK_LIST_FILE_FLAG, 1);
  EXPECT_EQ(cfg.TIME_CHECK_SPAN, 60);
  EXPECT_EQ(cfg.ALL_REG_FLAG, 1);
  EXPECT_EQ(cfg.KILL_LOOMBROWSER_FLAG, 1);
  EXPECT_EQ(cfg.SVR_HTTPS, 2);
  EXPECT_EQ(cfg.DELETE_LOCAL_LIST_FILE, 1);
  EXPECT_EQ(cfg.PROXY_IP_ADDR, "proxy:3128");
  EXPECT_EQ(cfg.PROXY_USER_NAME, "u");
  EXPECT_EQ(cfg.PROXY_USER_PASSWORD, "pw");
  EXPECT_EQ(cfg.PROXY_AUTH_MODE, 1);
  EXPECT_EQ(cfg.OCX_FILE_REGISTRY_MODE, 1);
  EXPECT_EQ(cfg.DOWNLOAD_FROM_BP_SERVER, 1);
  EXPECT_EQ(cfg.BP_SERVER_PORT_NO, "9090");
  EXPECT_EQ(cfg.LAST_LIST_FILE_NAME, "last.txt");
  EXPECT_EQ(cfg.LAST_CHECK_DAY_INTERVAL, 3);
  EXPECT_EQ(cfg.ENCODE_URL_UTF, 0);
  EXPECT_EQ(cfg.FILE_COMPARE_GMT_TIME, 0);
  EXPECT_EQ(cfg.LOG_ENCODE_FLAG, 0);  // never from an INI file
  EXPECT_EQ(cfg.LIST_FILE_NAME, "list.txt");  // no download date below C:/Loom/
}

TEST_F(LoadConfigTest, OcxModeClamp) {
  EXPECT_EQ(Load("[VANTO]\nOCX_FILE_REGISTRY_MODE=3\n").OCX_FILE_REGISTRY_MODE, 0);
  EXPECT_EQ(Load("[VANTO]\nOCX_FILE_REGISTRY_MODE=-1\n").OCX_FILE_REGISTRY_MODE, 0);
  EXPECT_EQ(Load("[VANTO]\nOCX_FILE_REGISTRY_MODE=2\n").OCX_FILE_REGISTRY_MODE, 2);
  EXPECT_EQ(Load("[VANTO]\nOCX_FILE_REGISTRY_MODE=\n").OCX_FILE_REGISTRY_MODE, 0);
}

TEST_F(LoadConfigTest, DayIntervalClampAndNumbers) {
  EXPECT_EQ(Load("[VANTO]\nLAST_CHECK_DAY_INTERVAL=-5\n").LAST_CHECK_DAY_INTERVAL, 0);
  EXPECT_EQ(Load("[VANTO]\nSVR_HTTPS=yes\n").SVR_HTTPS, 0);
  EXPECT_EQ(Load("[VANTO]\nTIME_CHECK_SPAN=\n").TIME_CHECK_SPAN, 0);
  EXPECT_EQ(Load("[VANTO]\nTIME_CHECK_SPAN= -12x\n").TIME_CHECK_SPAN, -12);
  EXPECT_EQ(Load("[VANTO]\nTIME_CHECK_SPAN=99999999999\n").TIME_CHECK_SPAN, 2147483647);
}

TEST_F(LoadConfigTest, OtherSectionName) {
  CVantoCfg cfg = Load("[VANTO]\nTARGET_DIR=a\n[SITE2]\nTARGET_DIR=b\n", "site2");
  EXPECT_EQ(cfg.TARGET_DIR, "b");
}

TEST_F(LoadConfigTest, RecentDownloadSwitchesToLastListFile) {
  ASSERT_TRUE(WriteWholeFile(m_dir.Child("_UpdateD.ini"),
                             "[UPDATE]\r\nLAST_DOWN_LOAD_YYYYMMDD=" + Today() + "\r\n"));
  const std::string head = "[VANTO]\nTARGET_DIR=" + m_dir.path() +
                           "\nLIST_FILE_NAME=list.txt\nLAST_LIST_FILE_NAME=last.txt\n";
  CVantoCfg recent = Load(head + "LAST_CHECK_DAY_INTERVAL=1\n");
  EXPECT_EQ(recent.m_strLastDownDate, Today());
  EXPECT_EQ(recent.LIST_FILE_NAME, "last.txt");
  // Switched off by an interval of 0 (or a negative one, clamped to 0).
  EXPECT_EQ(Load(head + "LAST_CHECK_DAY_INTERVAL=0\n").LIST_FILE_NAME, "list.txt");
  EXPECT_EQ(Load(head + "LAST_CHECK_DAY_INTERVAL=-3\n").LIST_FILE_NAME, "list.txt");
  // No last list file named: nothing to switch to.
  EXPECT_EQ(Load("[VANTO]\nTARGET_DIR=" + m_dir.path() +
                 "\nLIST_FILE_NAME=list.txt\nLAST_CHECK_DAY_INTERVAL=5\n")
                .LIST_FILE_NAME,
            "list.txt");
}

TEST_F(LoadConfigTest, OldOrShortDownloadDate) {
  const std::string head = "[VANTO]\nTARGET_DIR=" + m_dir.path() +
                           "\nLIST_FILE_NAME=list.txt\nLAST_LIST_FILE_NAME=last.txt\n"
                           "LAST_CHECK_DAY_INTERVAL=7\n";
  ASSERT_TRUE(WriteWholeFile(m_dir.Child("_UpdateD.ini"), "[UPDATE]\nLAST_DOWN_LOAD_YYYYMMDD=20190102\n"));
  EXPECT_EQ(Load(head).LIST_FILE_NAME, "list.txt");
  // Fewer than 8 digits: replaced by 20190101 on the INI path.
  ASSERT_TRUE(WriteWholeFile(m_dir.Child("_UpdateD.ini"), "[UPDATE]\nLAST_DOWN_LOAD_YYYYMMDD=2099\n"));
  CVantoCfg cfg = Load(head);
  EXPECT_EQ(cfg.m_strLastDownDate, "20190101");
  EXPECT_EQ(cfg.LIST_FILE_NAME, "list.txt");
}

TEST_F(LoadConfigTest, EncryptedIniFile) {
  const std::string path = m_dir.Child("enc.ini");
  ASSERT_TRUE(WriteWholeFile(path, EncryptIniContent("[VANTO]\r\nSVR_IP_ADDR=10.9.8.7\r\nTARGET_DIR=C:\\암호\r\n")));
  CVantoCfg cfg;
  cfg.LoadConfigFromIniFile(path, "VANTO");
  EXPECT_EQ(cfg.SVR_IP_ADDR, "10.9.8.7");
  EXPECT_EQ(cfg.TARGET_DIR, "C:\\암호");
}

TEST_F(LoadConfigTest, ParallelConnectionsDefaultOneAtMostEight) {
  const struct {
    const char* line;
    int connections;
  } cases[] = {{"", 1}, {"PARALLEL_CONNECTIONS=4\r\n", 4}, {"PARALLEL_CONNECTIONS=8\r\n", 8},
               {"PARALLEL_CONNECTIONS=9\r\n", 8}, {"PARALLEL_CONNECTIONS=0\r\n", 1},
               {"PARALLEL_CONNECTIONS=-3\r\n", 1}, {"PARALLEL_CONNECTIONS=abc\r\n", 1}};
  for (const auto& c : cases)
    EXPECT_EQ(Load(std::string("[VANTO]\r\n") + c.line).PARALLEL_CONNECTIONS, c.connections) << c.line;
}

TEST_F(LoadConfigTest, PublisherKeyComesFromLocalIniFilesAndShowsItsKeyIdInTheDump) {
  const std::string key = "RWQf6LRCGA9i53mlYecO4IzT51TGPpvWucNSCh1CBM0QTaLn73Y7GFO3";
  CVantoCfg cfg = Load("[VANTO]\nPUBLISHER_KEY=" + key + "\n");
  EXPECT_EQ(cfg.PUBLISHER_KEY, key);
  const std::vector<std::string> lines = cfg.GetConfigDumpLines();
  ASSERT_EQ(lines.size(), 41u);
  EXPECT_EQ(lines[39], "CVantoCfg::LogConfigInfo> PUBLISHER_KEY : key id E7620F1842B4E81F");
  EXPECT_EQ(lines[40], std::string(86, '-') + "E");

  // Without the key the dump is as it always was.
  EXPECT_EQ(Load("[VANTO]\n").GetConfigDumpLines().size(), 40u);
  cfg.PUBLISHER_KEY = "RWgarbage";
  EXPECT_EQ(cfg.GetConfigDumpLines()[39].rfind("CVantoCfg::LogConfigInfo> PUBLISHER_KEY : invalid (", 0), 0u);

  // The local Vanto.ini's key holds whatever the configuration's source was;
  // a key the configuration already has stays.
  const std::string local = m_dir.Child("local.ini");
  ASSERT_TRUE(WriteWholeFile(local, "[VANTO]\nPUBLISHER_KEY=" + key + "\n"));
  CVantoCfg fromCommandLine;
  fromCommandLine.LoadPublisherKeyFromIniFile(local, "VANTO");
  EXPECT_EQ(fromCommandLine.PUBLISHER_KEY, key);
  CVantoCfg named;
  named.PUBLISHER_KEY = "RWother";
  named.LoadPublisherKeyFromIniFile(local, "VANTO");
  EXPECT_EQ(named.PUBLISHER_KEY, "RWother");
}
