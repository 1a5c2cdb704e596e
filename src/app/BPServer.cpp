#include "app/BPServer.h"

BPServerOutcome ChooseBPServer(int downloadFromBPServer, const std::string& svrIpAddr, const std::string& svrPortNo,
                               const std::string& bpServerPortNo, const std::string& localIp,
                               BPServerChoice* choice) {
  choice->svrIpAddr = svrIpAddr;
  choice->svrPortNo = svrPortNo;
  if (downloadFromBPServer == 0 || svrIpAddr.empty() || svrPortNo.empty()) return BP_NOT_ASKED;
  if (bpServerPortNo.empty()) return BP_PORT_UNKNOWN;
  if (localIp.empty()) return BP_NO_LOCAL_IP;
  const size_t dot = localIp.rfind('.');
  if (dot == std::string::npos || dot == 0) return BP_INVALID_IP;
  choice->orgSvrIpAddr = svrIpAddr;
  choice->orgSvrPortNo = svrPortNo;
  choice->svrIpAddr = localIp.substr(0, dot) + ".100";
  choice->svrPortNo = bpServerPortNo;
  return BP_SUBSTITUTED;
}
