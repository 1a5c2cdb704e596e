#pragma once
// All run-time settings of one run. Filled once at start-up from exactly one
// source (local INI, 40-field command line, server file or a named INI file),
// then only read. Members carry the configuration key names so that every
// layer refers to a setting by the name administrators write; the keys
// themselves are the rows of CfgKeyTable.h.
#include <cstdint>
#include <string>
#include <vector>

#include "config/CfgKeyTable.h"

class CVantoCfg {
 public:
  static constexpr uint32_t kDefaultTimeOutMs = 1800000;

  CVantoCfg();
  virtual ~CVantoCfg();

  // Reads the section of the INI file (plain or encrypted) into the key
  // fields, with the INI defaults for missing keys, the two clamps and the
  // last-list-file rule. Always 0.
  int LoadConfigFromIniFile(const std::string& iniPath, const std::string& sectionName);

  // Reads only PUBLISHER_KEY from the section of an INI file, when this
  // configuration has none yet: the local Vanto.ini's key holds in every
  // start mode, so that no command line can turn signature checks off.
  void LoadPublisherKeyFromIniFile(const std::string& iniPath, const std::string& sectionName);

  // The dump lines (message texts only): a start rule, one line per dumped
  // key in table order (40 lines in all today), an end rule;
  // with PUBLISHER_KEY set, a line with its key id before the end rule.
  std::vector<std::string> GetConfigDumpLines() const;
  // Writes the dump lines to g_pMyLog at INFO; nothing without a log.
  void LogConfigInfo() const;

  uint32_t m_dwConnectTimeOut = kDefaultTimeOutMs;
  uint32_t m_dwSendTimeOut = kDefaultTimeOutMs;
  uint32_t m_dwRecvTimeOut = kDefaultTimeOutMs;

  // Every configuration key, one member each (see CfgKeyTable.h).
#define VANTO_CFG_MEMBER(type, name, initial, missing, field, uses) Cfg##type name = initial;
  VANTO_CFG_KEYS(VANTO_CFG_MEMBER)
#undef VANTO_CFG_MEMBER

  // Set by start-up, not configuration keys.
  std::string m_strSvrCfgFilePath;  // start mode 2's server configuration path
  std::string m_strOrgSvrIpAddr;
  std::string m_strOrgSvrPortNo;
  std::string m_strLastDownDate;
};

// The most connections PARALLEL_CONNECTIONS can ask for.
constexpr int kMaxParallelConnections = 8;
