#include "config/CommandLine.h"

#include <ctime>
#include <vector>

#include "config/CfgText.h"
#include "config/DownloadDate.h"
#include "util/Tokenizer.h"

namespace {
// Every field, empty ones included.
std::vector<std::string> SplitFields(const std::string& line, char separator) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t end = line.find(separator, start);
    if (end == std::string::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
}
}  // namespace

int ParseLongCommandLine(const std::string& commandLine, CVantoCfg& cfg) {
  const std::vector<std::string> f = SplitFields(commandLine, kLongCommandLineSeparator);
  if (static_cast<int>(f.size()) != kLongCommandLineFieldCount) return 0;

  cfg.m_strStartMode = f[0];
  cfg.LOG_ENCODE_FLAG = CfgAtoi(f[1]);
  cfg.SVR_IP_ADDR = f[2];
  cfg.SVR_PORT_NO = f[3];
  cfg.DOWNLOAD_BASE_URL = f[4];
  cfg.LIST_FILE_NAME = f[5];
  cfg.TARGET_DIR = f[6];
  cfg.CHECK_LIST_FILE_FLAG = CfgAtoi(f[7]);
  cfg.ALL_REG_FLAG = CfgAtoi(f[8]);
  cfg.EXCLUDE_DIRS = f[9];
  cfg.TIME_CHECK_SPAN = CfgAtoi(f[10]);
  cfg.RUN_MODE = f[11];
  cfg.LOOMBROWSER_PROG_FILE_PATH = f[12];
  cfg.LOOMBROWSER_PROG_ARGUMENT = f[13];
  cfg.AGENT_PROG_FILE_PATH = f[14];
  cfg.AGENT_PROG_ARGUMENT = f[15];
  cfg.DESKTOP_LINK_NAME = f[16];
  cfg.DESKTOP_LINK_URL = f[17];
  cfg.DESKTOP_LINK_ICON_LOCATION = f[18];
  cfg.PROGRAM_LINK_NAME = f[19];
  cfg.PROGRAM_FILE_PATH = f[20];
  cfg.PROGRAM_ARGUMENT = f[21];
  cfg.PROGRAM_LINK_ICON_LOCATION = f[22];
  cfg.KILL_LOOMBROWSER_FLAG = CfgAtoi(f[23]);
  cfg.SVR_HTTPS = static_cast<int16_t>(CfgAtoi(f[24]));
  cfg.DELETE_LOCAL_LIST_FILE = CfgAtoi(f[25]);
  cfg.PROXY_IP_ADDR = f[26];
  cfg.PROXY_USER_NAME = f[27];
  cfg.PROXY_USER_PASSWORD = f[28];
  cfg.PROXY_AUTH_MODE = CfgAtoi(f[29]);
  cfg.OCX_FILE_REGISTRY_MODE = CfgAtoi(f[30]);
  cfg.DOWNLOAD_FROM_BP_SERVER = CfgAtoi(f[31]);
  cfg.BP_SERVER_PORT_NO = f[32];
  cfg.LAST_LIST_FILE_NAME = f[33];
  cfg.KILL_LOOMBROWSER5_FLAG = CfgAtoi(f[34]);
  cfg.LOOMBROWSER5_PROG_FILE_PATH = f[35];
  cfg.LOOMBROWSER5_PROG_ARGUMENT = f[36];
  cfg.LAST_CHECK_DAY_INTERVAL = CfgAtoi(f[37]);
  cfg.ENCODE_URL_UTF = CfgAtoi(f[38]);
  cfg.FILE_COMPARE_GMT_TIME = CfgAtoi(f[39]);

  if (cfg.RUN_MODE.empty()) cfg.RUN_MODE = "LOOM_BROWSER";
  ApplyLastListFileRule(cfg, false, std::time(nullptr));
  return 1;
}

int ParseWebCommandLine(const std::string& commandLine, CVantoCfg& cfg) {
  std::vector<std::string> t;
  TokenizeString(t, " ", commandLine);
  if (t.size() != 7) return 0;
  cfg.m_strStartMode = t[0];
  cfg.LOG_ENCODE_FLAG = CfgAtoi(t[1]);
  cfg.SVR_IP_ADDR = t[2];
  cfg.SVR_PORT_NO = t[3];
  cfg.m_strSvrCfgFilePath = t[4];
  cfg.TARGET_DIR = t[5];
  cfg.SVR_HTTPS = static_cast<int16_t>(CfgAtoi(t[6]));
  return 1;
}

int ParseFileCommandLine(const std::string& commandLine, CVantoCfg& cfg) {
  std::vector<std::string> t;
  TokenizeString(t, " ", commandLine);
  if (t.size() != 4) return 0;
  cfg.m_strStartMode = t[0];
  cfg.m_strCfgFilePath = t[1];
  cfg.m_strCfgFileSectionName = t[2];
  cfg.TARGET_DIR = t[3];
  return 1;
}
