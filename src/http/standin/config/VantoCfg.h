#pragma once
// Stand-in for the configuration object while the configuration library is
// not part of this tree; the build uses the real header as soon as it is.
#include <cstdint>
#include <string>

class CVantoCfg {
 public:
  virtual ~CVantoCfg() = default;

  uint32_t m_dwConnectTimeOut = 0;
  uint32_t m_dwSendTimeOut = 0;
  uint32_t m_dwRecvTimeOut = 0;
  std::string m_strCfgFilePath;
  std::string m_strCfgFileSectionName;
  int LOG_ENCODE_FLAG = 0;
  std::string m_strStartMode;
  std::string LOOMBROWSER_PROG_FILE_PATH;
  std::string LOOMBROWSER_PROG_ARGUMENT;
  std::string SVR_IP_ADDR;
  std::string SVR_PORT_NO;
  std::string DOWNLOAD_BASE_URL;
  std::string m_strSvrCfgFilePath;
  std::string LIST_FILE_NAME;
  std::string TARGET_DIR;
  int CHECK_LIST_FILE_FLAG = 0;
  int ALL_REG_FLAG = 0;
  int KILL_LOOMBROWSER_FLAG = 0;
  int TIME_CHECK_SPAN = 5;
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
  int16_t SVR_HTTPS = 0;
  int DELETE_LOCAL_LIST_FILE = 0;
  int PROXY_AUTH_MODE = 0;
  std::string PROXY_IP_ADDR;
  std::string PROXY_USER_NAME;
  std::string PROXY_USER_PASSWORD;
  int OCX_FILE_REGISTRY_MODE = 2;
  int KILL_LOOMBROWSER5_FLAG = 0;
  std::string LOOMBROWSER5_PROG_FILE_PATH;
  std::string LOOMBROWSER5_PROG_ARGUMENT;
  std::string m_strOrgSvrIpAddr;
  std::string m_strOrgSvrPortNo;
  int DOWNLOAD_FROM_BP_SERVER = 0;
  std::string BP_SERVER_PORT_NO;
  std::string LAST_LIST_FILE_NAME = "_listfile_last.txt";
  int LAST_CHECK_DAY_INTERVAL = 0;
  std::string m_strLastDownDate;
  int ENCODE_URL_UTF = 1;
  int FILE_COMPARE_GMT_TIME = 1;
};
