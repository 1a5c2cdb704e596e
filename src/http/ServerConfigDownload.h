#pragma once
// Web start mode: the configuration file named on the command line is
// fetched from the server with its own session and applied line by line.
#include <cstdint>
#include <string>

#include "config/VantoCfg.h"

// 0 applied, -1 not connected/opened, -2 status not 200, -5 proxy
// authentication failed, -6 internet error (errCode/errMsg set),
// -101..-104 proxy credentials could not be set. Lines applied before a
// failure stay applied. The time-outs come from cfg.
int LoadConfigFromServer(CVantoCfg& cfg, const std::string& svrIpAddr, const std::string& svrPortNo,
                         int16_t svrHttps, const std::string& svrCfgFilePath, int certIgnoreFlag, int32_t& errCode,
                         std::string& errMsg, const std::string& proxyIpAddr, const std::string& proxyUserName,
                         const std::string& proxyPassword, int proxyAuthMode);
