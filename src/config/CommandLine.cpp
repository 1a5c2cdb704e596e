#include "config/CommandLine.h"

#include <ctime>
#include <vector>

#include "config/CfgKeys.h"
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

  for (const CfgKeyRow& row : CfgKeyRows()) {
    if (row.field >= 0 && static_cast<size_t>(row.field) < f.size())
      SetCfgKeyText(cfg, row, f[static_cast<size_t>(row.field)]);
  }

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
