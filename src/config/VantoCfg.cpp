#include "config/VantoCfg.h"

#include <ctime>

#include "config/CfgKeys.h"
#include "config/DownloadDate.h"
#include "config/IniReader.h"
#include "trust/MinisignFormat.h"
#include "util/MyLog.h"

CVantoCfg::CVantoCfg() = default;

CVantoCfg::~CVantoCfg() = default;

int CVantoCfg::LoadConfigFromIniFile(const std::string& iniPath, const std::string& sectionName) {
  const std::vector<std::string> lines = ReadIniLines(iniPath);
  for (const CfgKeyRow& row : CfgKeyRows()) {
    if (row.Has(CFG_INI)) SetCfgKeyText(*this, row, GetIniValue(lines, sectionName, row.name, row.iniMissing));
  }
  if (OCX_FILE_REGISTRY_MODE < 0 || OCX_FILE_REGISTRY_MODE > 2) OCX_FILE_REGISTRY_MODE = 0;
  if (LAST_CHECK_DAY_INTERVAL < 0) LAST_CHECK_DAY_INTERVAL = 0;
  if (PARALLEL_CONNECTIONS < 1) PARALLEL_CONNECTIONS = 1;
  if (PARALLEL_CONNECTIONS > kMaxParallelConnections) PARALLEL_CONNECTIONS = kMaxParallelConnections;
  ApplyLastListFileRule(*this, true, std::time(nullptr));
  return 0;
}

void CVantoCfg::LoadPublisherKeyFromIniFile(const std::string& iniPath, const std::string& sectionName) {
  if (!PUBLISHER_KEY.empty()) return;
  PUBLISHER_KEY = GetIniValue(ReadIniLines(iniPath), sectionName, "PUBLISHER_KEY", "");
}

std::vector<std::string> CVantoCfg::GetConfigDumpLines() const {
  std::vector<std::string> lines;
  lines.push_back(std::string(86, '-') + "S");
  for (const CfgKeyRow& row : CfgKeyRows()) {
    if (row.Has(CFG_DUMP))
      lines.push_back(std::string("CVantoCfg::LogConfigInfo> ") + row.name + " : " + GetCfgKeyText(*this, row));
  }
  if (!PUBLISHER_KEY.empty()) {
    // The key id tells administrators which key a client trusts.
    MinisignPublicKey key;
    std::string reason;
    const std::string value =
        ParsePublicKey(PUBLISHER_KEY, key, reason) ? "key id " + KeyIdText(key.keyId) : "invalid (" + reason + ")";
    lines.push_back("CVantoCfg::LogConfigInfo> PUBLISHER_KEY : " + value);
  }
  lines.push_back(std::string(86, '-') + "E");
  return lines;
}

void CVantoCfg::LogConfigInfo() const {
  if (!g_pMyLog) return;
  // Values may contain "%": each line goes through "%s".
  for (const std::string& line : GetConfigDumpLines()) g_pMyLog->Log(LOG_INFO, "%s", line.c_str());
}
