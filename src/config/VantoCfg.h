#pragma once
// All run-time settings of one run. Filled once at start-up from exactly one
// source (local INI, 40-field command line, server file or a named INI file),
// then only read. Members carry the configuration key names so that every
// layer refers to a setting by the name administrators write.
#include <cstdint>
#include <string>
#include <vector>

class CVantoCfg {
 public:
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

  // The 40 dump lines (message texts only), in order; with PUBLISHER_KEY
  // set, a line with its key id follows FILE_COMPARE_GMT_TIME.
  std::vector<std::string> GetConfigDumpLines() const;
  // Writes the dump lines to g_pMyLog at INFO; nothing without a log.
  void LogConfigInfo() const;

  uint32_t m_dwConnectTimeOut;
  uint32_t m_dwSendTimeOut;
  uint32_t m_dwRecvTimeOut;
  std::string m_strCfgFilePath;
  std::string m_strCfgFileSectionName;
  int LOG_ENCODE_FLAG;
  std::string m_strStartMode;
  std::string LOOMBROWSER_PROG_FILE_PATH;
  std::string LOOMBROWSER_PROG_ARGUMENT;
  std::string SVR_IP_ADDR;
  std::string SVR_PORT_NO;
  std::string DOWNLOAD_BASE_URL;
  std::string m_strSvrCfgFilePath;
  std::string LIST_FILE_NAME;
  std::string TARGET_DIR;
  int CHECK_LIST_FILE_FLAG;
  int ALL_REG_FLAG;
  int KILL_LOOMBROWSER_FLAG;
  int TIME_CHECK_SPAN;
  std::string DESKTOP_LINK_NAME;
  std::string DESKTOP_LINK_URL;
  std::string DESKTOP_LINK_ICON_LOCATION;
  std::string AGENT_PROG_FILE_PATH;
  std::string AGENT_PROG_ARGUMENT;
  std::string EXCLUDE_DIRS;
  std::string RUN_MODE;
  std::string PROGRAM_LINK_NAME;
  std::string PROGRAM_FILE_PATH;
  std::string PROGRAM_ARGUMENT;
  std::string PROGRAM_LINK_ICON_LOCATION;
  int16_t SVR_HTTPS;
  int DELETE_LOCAL_LIST_FILE;
  int PROXY_AUTH_MODE;
  std::string PROXY_IP_ADDR;
  std::string PROXY_USER_NAME;
  std::string PROXY_USER_PASSWORD;
  int OCX_FILE_REGISTRY_MODE;
  int KILL_LOOMBROWSER5_FLAG;
  std::string LOOMBROWSER5_PROG_FILE_PATH;
  std::string LOOMBROWSER5_PROG_ARGUMENT;
  std::string m_strOrgSvrIpAddr;
  std::string m_strOrgSvrPortNo;
  int DOWNLOAD_FROM_BP_SERVER;
  std::string BP_SERVER_PORT_NO;
  std::string LAST_LIST_FILE_NAME;
  int LAST_CHECK_DAY_INTERVAL;
  std::string m_strLastDownDate;
  int ENCODE_URL_UTF;
  int FILE_COMPARE_GMT_TIME;
  // The publisher's minisign public key (the "RW..." line). Set: every list
  // and program file must carry the publisher's signature. Read only from
  // local INI files, never from the server's configuration or the list.
  std::string PUBLISHER_KEY;
};
