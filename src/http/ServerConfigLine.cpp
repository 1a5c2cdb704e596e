#include "http/ServerConfigLine.h"

#include <vector>

#include "config/CfgKeys.h"
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
  for (const CfgKeyRow& row : CfgKeyRows()) {
    if (!row.Has(CFG_SERVER) || !SameKeyName(key, row.name)) continue;
    SetCfgKeyText(cfg, row, value);
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
