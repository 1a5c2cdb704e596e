#include "config/VantoCfg.h"

#include <cstdio>

#include "config/CfgText.h"
#include "config/DownloadDate.h"
#include "config/IniReader.h"
#include "trust/MinisignFormat.h"
#include "util/MyLog.h"

namespace {
constexpr uint32_t kDefaultTimeOutMs = 1800000;

std::string Line(const char* name, const std::string& value) {
  return std::string("CVantoCfg::LogConfigInfo> ") + name + " : " + value;
}
std::string Line(const char* name, int value) {
  char number[16];
  std::snprintf(number, sizeof number, "%d", value);
  return Line(name, std::string(number));
}
}  // namespace

CVantoCfg::CVantoCfg()
    : m_dwConnectTimeOut(kDefaultTimeOutMs),
      m_dwSendTimeOut(kDefaultTimeOutMs),
      m_dwRecvTimeOut(kDefaultTimeOutMs),
      LOG_ENCODE_FLAG(0),
      CHECK_LIST_FILE_FLAG(0),
      ALL_REG_FLAG(0),
      KILL_LOOMBROWSER_FLAG(0),
      TIME_CHECK_SPAN(5),
      SVR_HTTPS(0),
      DELETE_LOCAL_LIST_FILE(0),
      PROXY_AUTH_MODE(0),
      OCX_FILE_REGISTRY_MODE(2),
      KILL_LOOMBROWSER5_FLAG(0),
      DOWNLOAD_FROM_BP_SERVER(0),
      LAST_LIST_FILE_NAME("_listfile_last.txt"),
      LAST_CHECK_DAY_INTERVAL(0),
      ENCODE_URL_UTF(1),
      FILE_COMPARE_GMT_TIME(1) {}

CVantoCfg::~CVantoCfg() = default;

int CVantoCfg::LoadConfigFromIniFile(const std::string& iniPath, const std::string& sectionName) {
  const std::vector<std::string> lines = ReadIniLines(iniPath);
  const std::string& s = sectionName;
  auto text = [&](const char* key, const char* defaultValue) {
    return GetIniValue(lines, s, key, defaultValue);
  };
  auto number = [&](const char* key, const char* defaultValue) {
    return CfgAtoi(GetIniValue(lines, s, key, defaultValue));
  };

  SVR_IP_ADDR = text("SVR_IP_ADDR", "");
  SVR_PORT_NO = text("SVR_PORT_NO", "");
  DOWNLOAD_BASE_URL = text("DOWNLOAD_BASE_URL", "");
  LIST_FILE_NAME = text("LIST_FILE_NAME", "");
  TARGET_DIR = text("TARGET_DIR", "");
  DESKTOP_LINK_NAME = text("DESKTOP_LINK_NAME", "");
  DESKTOP_LINK_URL = text("DESKTOP_LINK_URL", "");
  DESKTOP_LINK_ICON_LOCATION = text("DESKTOP_LINK_ICON_LOCATION", "");
  PROGRAM_LINK_NAME = text("PROGRAM_LINK_NAME", "");
  PROGRAM_FILE_PATH = text("PROGRAM_FILE_PATH", "");
  PROGRAM_ARGUMENT = text("PROGRAM_ARGUMENT", "");
  PROGRAM_LINK_ICON_LOCATION = text("PROGRAM_LINK_ICON_LOCATION", "");
  AGENT_PROG_FILE_PATH = text("AGENT_PROG_FILE_PATH", "");
  AGENT_PROG_ARGUMENT = text("AGENT_PROG_ARGUMENT", "");
  EXCLUDE_DIRS = text("EXCLUDE_DIRS", "");
  RUN_MODE = text("RUN_MODE", "LOOM_BROWSER");
  LOOMBROWSER_PROG_FILE_PATH = text("LOOMBROWSER_PROG_FILE_PATH", "");
  LOOMBROWSER_PROG_ARGUMENT = text("LOOMBROWSER_PROG_ARGUMENT", "");
  KILL_LOOMBROWSER5_FLAG = number("KILL_LOOMBROWSER5_FLAG", "0");
  LOOMBROWSER5_PROG_FILE_PATH = text("LOOMBROWSER5_PROG_FILE_PATH", "");
  LOOMBROWSER5_PROG_ARGUMENT = text("LOOMBROWSER5_PROG_ARGUMENT", "");
  CHECK_LIST_FILE_FLAG = number("CHECK_LIST_FILE_FLAG", "0");
  TIME_CHECK_SPAN = number("TIME_CHECK_SPAN", "5");
  ALL_REG_FLAG = number("ALL_REG_FLAG", "0");
  KILL_LOOMBROWSER_FLAG = number("KILL_LOOMBROWSER_FLAG", "0");
  SVR_HTTPS = static_cast<int16_t>(number("SVR_HTTPS", "0"));
  DELETE_LOCAL_LIST_FILE = number("DELETE_LOCAL_LIST_FILE", "0");
  PROXY_IP_ADDR = text("PROXY_IP_ADDR", "");
  PROXY_USER_NAME = text("PROXY_USER_NAME", "");
  PROXY_USER_PASSWORD = text("PROXY_USER_PASSWORD", "");
  PROXY_AUTH_MODE = number("PROXY_AUTH_MODE", "0");
  OCX_FILE_REGISTRY_MODE = number("OCX_FILE_REGISTRY_MODE", "2");
  if (OCX_FILE_REGISTRY_MODE < 0 || OCX_FILE_REGISTRY_MODE > 2) OCX_FILE_REGISTRY_MODE = 0;
  DOWNLOAD_FROM_BP_SERVER = number("DOWNLOAD_FROM_BP_SERVER", "0");
  BP_SERVER_PORT_NO = text("BP_SERVER_PORT_NO", "");
  LAST_LIST_FILE_NAME = text("LAST_LIST_FILE_NAME", "");
  LAST_CHECK_DAY_INTERVAL = number("LAST_CHECK_DAY_INTERVAL", "0");
  if (LAST_CHECK_DAY_INTERVAL < 0) LAST_CHECK_DAY_INTERVAL = 0;

  ApplyLastListFileRule(*this, true, std::time(nullptr));

  ENCODE_URL_UTF = number("ENCODE_URL_UTF", "1");
  FILE_COMPARE_GMT_TIME = number("FILE_COMPARE_GMT_TIME", "1");
  PUBLISHER_KEY = text("PUBLISHER_KEY", "");
  return 0;
}

void CVantoCfg::LoadPublisherKeyFromIniFile(const std::string& iniPath, const std::string& sectionName) {
  if (!PUBLISHER_KEY.empty()) return;
  PUBLISHER_KEY = GetIniValue(ReadIniLines(iniPath), sectionName, "PUBLISHER_KEY", "");
}

std::vector<std::string> CVantoCfg::GetConfigDumpLines() const {
  std::vector<std::string> lines = {
      std::string(86, '-') + "S",
      Line("m_strStartMode", m_strStartMode),
      Line("m_strCfgFilePath", m_strCfgFilePath),
      Line("m_strCfgFileSectionName", m_strCfgFileSectionName),
      Line("SVR_IP_ADDR", SVR_IP_ADDR),
      Line("SVR_PORT_NO", SVR_PORT_NO),
      Line("DOWNLOAD_BASE_URL", DOWNLOAD_BASE_URL),
      Line("LIST_FILE_NAME", LIST_FILE_NAME),
      Line("TARGET_DIR", TARGET_DIR),
      Line("CHECK_LIST_FILE_FLAG", CHECK_LIST_FILE_FLAG),
      Line("ALL_REG_FLAG", ALL_REG_FLAG),
      Line("KILL_LOOMBROWSER_FLAG", KILL_LOOMBROWSER_FLAG),
      Line("KILL_LOOMBROWSER5_FLAG", KILL_LOOMBROWSER5_FLAG),
      Line("LOG_ENCODE_FLAG", LOG_ENCODE_FLAG),
      Line("TIME_CHECK_SPAN", TIME_CHECK_SPAN),
      Line("EXCLUDE_DIRS", EXCLUDE_DIRS),
      Line("RUN_MODE", RUN_MODE),
      Line("DESKTOP_LINK_NAME", DESKTOP_LINK_NAME),
      Line("DESKTOP_LINK_URL", DESKTOP_LINK_URL),
      Line("DESKTOP_LINK_ICON_LOCATION", DESKTOP_LINK_ICON_LOCATION),
      Line("LOOMBROWSER_PROG_FILE_PATH", LOOMBROWSER_PROG_FILE_PATH),
      Line("LOOMBROWSER_PROG_ARGUMENT", LOOMBROWSER_PROG_ARGUMENT),
      Line("LOOMBROWSER5_PROG_FILE_PATH", LOOMBROWSER5_PROG_FILE_PATH),
      Line("LOOMBROWSER5_PROG_ARGUMENT", LOOMBROWSER5_PROG_ARGUMENT),
      Line("AGENT_PROG_FILE_PATH", AGENT_PROG_FILE_PATH),
      Line("AGENT_PROG_ARGUMENT", AGENT_PROG_ARGUMENT),
      Line("PROGRAM_LINK_NAME", PROGRAM_LINK_NAME),
      Line("PROGRAM_FILE_PATH", PROGRAM_FILE_PATH),
      Line("PROGRAM_ARGUMENT", PROGRAM_ARGUMENT),
      Line("PROGRAM_LINK_ICON_LOCATION", PROGRAM_LINK_ICON_LOCATION),
      Line("SVR_HTTPS", SVR_HTTPS),
      Line("DELETE_LOCAL_LIST_FILE", DELETE_LOCAL_LIST_FILE),
      Line("OCX_FILE_REGISTRY_MODE", OCX_FILE_REGISTRY_MODE),
      Line("DOWNLOAD_FROM_BP_SERVER", DOWNLOAD_FROM_BP_SERVER),
      Line("BP_SERVER_PORT_NO", BP_SERVER_PORT_NO),
      Line("LAST_LIST_FILE_NAME", LAST_LIST_FILE_NAME),
      Line("LAST_CHECK_DAY_INTERVAL", LAST_CHECK_DAY_INTERVAL),
      Line("ENCODE_URL_UTF", ENCODE_URL_UTF),
      Line("FILE_COMPARE_GMT_TIME", FILE_COMPARE_GMT_TIME),
      std::string(86, '-') + "E",
  };
  if (!PUBLISHER_KEY.empty()) {
    // The key id tells administrators which key a client trusts.
    MinisignPublicKey key;
    std::string reason;
    const std::string value =
        ParsePublicKey(PUBLISHER_KEY, key, reason) ? "key id " + KeyIdText(key.keyId) : "invalid (" + reason + ")";
    lines.insert(lines.end() - 1, Line("PUBLISHER_KEY", value));
  }
  return lines;
}

void CVantoCfg::LogConfigInfo() const {
  if (!g_pMyLog) return;
  // Values may contain "%": each line goes through "%s".
  for (const std::string& line : GetConfigDumpLines()) g_pMyLog->Log(LOG_INFO, "%s", line.c_str());
}
