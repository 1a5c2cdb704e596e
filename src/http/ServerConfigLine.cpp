#include "http/ServerConfigLine.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "config/CfgText.h"
#include "util/LogIfOpen.h"
#include "util/Tokenizer.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <strings.h>
#endif

namespace {
bool SameKeyName(const std::string& a, const char* b) {
#ifdef _WIN32
  return ::lstrcmpiA(a.c_str(), b) == 0;
#else
  return ::strcasecmp(a.c_str(), b) == 0;
#endif
}

enum KeyType { KEY_TEXT, KEY_INT, KEY_INT16 };

struct KeyRow {
  const char* name;
  KeyType type;
  std::string CVantoCfg::*text;
  int CVantoCfg::*number;
  int16_t CVantoCfg::*shortNumber;
};

#define VANTO_TEXT_KEY(k) {#k, KEY_TEXT, &CVantoCfg::k, nullptr, nullptr}
#define VANTO_INT_KEY(k) {#k, KEY_INT, nullptr, &CVantoCfg::k, nullptr}

const KeyRow kKeys[] = {
    VANTO_TEXT_KEY(SVR_IP_ADDR),
    VANTO_TEXT_KEY(SVR_PORT_NO),
    VANTO_TEXT_KEY(DOWNLOAD_BASE_URL),
    VANTO_TEXT_KEY(LIST_FILE_NAME),
    VANTO_TEXT_KEY(TARGET_DIR),
    VANTO_TEXT_KEY(DESKTOP_LINK_NAME),
    VANTO_TEXT_KEY(DESKTOP_LINK_URL),
    VANTO_TEXT_KEY(DESKTOP_LINK_ICON_LOCATION),
    VANTO_TEXT_KEY(PROGRAM_LINK_NAME),
    VANTO_TEXT_KEY(PROGRAM_FILE_PATH),
    VANTO_TEXT_KEY(PROGRAM_ARGUMENT),
    VANTO_TEXT_KEY(PROGRAM_LINK_ICON_LOCATION),
    VANTO_TEXT_KEY(AGENT_PROG_FILE_PATH),
    VANTO_TEXT_KEY(AGENT_PROG_ARGUMENT),
    VANTO_TEXT_KEY(EXCLUDE_DIRS),
    VANTO_TEXT_KEY(RUN_MODE),
    VANTO_TEXT_KEY(LOOMBROWSER_PROG_FILE_PATH),
    VANTO_TEXT_KEY(LOOMBROWSER_PROG_ARGUMENT),
    VANTO_INT_KEY(KILL_LOOMBROWSER5_FLAG),
    VANTO_TEXT_KEY(LOOMBROWSER5_PROG_FILE_PATH),
    VANTO_TEXT_KEY(LOOMBROWSER5_PROG_ARGUMENT),
    VANTO_INT_KEY(CHECK_LIST_FILE_FLAG),
    VANTO_INT_KEY(TIME_CHECK_SPAN),
    VANTO_INT_KEY(ALL_REG_FLAG),
    VANTO_INT_KEY(KILL_LOOMBROWSER_FLAG),
    {"SVR_HTTPS", KEY_INT16, nullptr, nullptr, &CVantoCfg::SVR_HTTPS},
    VANTO_INT_KEY(DELETE_LOCAL_LIST_FILE),
    VANTO_TEXT_KEY(PROXY_IP_ADDR),
    VANTO_TEXT_KEY(PROXY_USER_NAME),
    VANTO_TEXT_KEY(PROXY_USER_PASSWORD),
    VANTO_INT_KEY(PROXY_AUTH_MODE),
    VANTO_INT_KEY(OCX_FILE_REGISTRY_MODE),
    VANTO_INT_KEY(DOWNLOAD_FROM_BP_SERVER),
    VANTO_TEXT_KEY(BP_SERVER_PORT_NO),
    VANTO_TEXT_KEY(LAST_LIST_FILE_NAME),
    VANTO_INT_KEY(LAST_CHECK_DAY_INTERVAL),
    VANTO_INT_KEY(ENCODE_URL_UTF),
    VANTO_INT_KEY(FILE_COMPARE_GMT_TIME),
};

#undef VANTO_TEXT_KEY
#undef VANTO_INT_KEY
}  // namespace

ServerConfigLineKind ClassifyServerConfigLine(const std::string& line, std::string& key, std::string& value) {
  if (line.empty()) return SERVER_CFG_LINE_EMPTY;
  if (line[0] == ';' || line[0] == '#' || line[0] == ' ') return SERVER_CFG_LINE_COMMENT;
  std::vector<std::string> tokens;
  TokenizeString(tokens, "=", line);
  if (tokens.size() != 2) return SERVER_CFG_LINE_INVALID;
  key = tokens[0];
  value = tokens[1];
  return SERVER_CFG_LINE_SETTING;
}

bool ApplyServerConfigKey(CVantoCfg& cfg, const std::string& key, const std::string& value) {
  for (const KeyRow& row : kKeys) {
    if (!SameKeyName(key, row.name)) continue;
    switch (row.type) {
      case KEY_TEXT:
        cfg.*row.text = value;
        break;
      case KEY_INT:
        cfg.*row.number = CfgAtoi(value);
        break;
      case KEY_INT16:
        cfg.*row.shortNumber = static_cast<int16_t>(CfgAtoi(value));
        break;
    }
    return true;
  }
  return false;
}

void ApplyServerConfigBody(const CBoundedLineReader::Source& source, CVantoCfg& cfg) {
  const char* const prefix = "CVantoCfg::LoadConfigFromServer> ";
  CBoundedLineReader reader(source, kServerConfigLineLimit, kServerConfigBodyLimit);
  std::string line;
  while (reader.Next(line)) {
    LogIfOpen(LOG_DEBUG, "%sRead Line : %s", prefix, line.c_str());
    if (reader.LineCut()) {
      LogIfOpen(LOG_WARN, "%sInvalid Line, Line Length is over %d", prefix, static_cast<int>(kServerConfigLineLimit));
      continue;
    }
    std::string key;
    std::string value;
    switch (ClassifyServerConfigLine(line, key, value)) {
      case SERVER_CFG_LINE_EMPTY:
        LogIfOpen(LOG_DEBUG, "%sInvalid Line, Line Length is 0", prefix);
        break;
      case SERVER_CFG_LINE_COMMENT:
      case SERVER_CFG_LINE_INVALID:
        LogIfOpen(LOG_DEBUG, "%sInvalid Line", prefix);
        break;
      case SERVER_CFG_LINE_SETTING:
        ApplyServerConfigKey(cfg, key, value);
        break;
    }
  }
  if (reader.Truncated()) {
    LogIfOpen(LOG_ERROR, "%sThe file is longer than %d bytes, the rest is not read.", prefix,
              static_cast<int>(kServerConfigBodyLimit));
  }
}
