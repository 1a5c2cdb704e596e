#pragma once
// The BP server: the host numbered 100 in the client's own subnet.
#include <string>

struct BPServerChoice {
  std::string svrIpAddr;      // server to use
  std::string svrPortNo;
  std::string orgSvrIpAddr;   // configured server, kept when replaced
  std::string orgSvrPortNo;
};

// Result of ChooseBPServer.
enum BPServerOutcome {
  BP_NOT_ASKED = 0,      // switched off, or no configured server
  BP_PORT_UNKNOWN = 1,   // enabled without a BP port: configured server stays
  BP_NO_LOCAL_IP = 2,    // local address unknown: nothing changes
  BP_INVALID_IP = 3,     // local address without a usable ".": nothing changes
  BP_SUBSTITUTED = 4,    // choice holds the BP server and the saved originals
};

// Decides the server from the configured values and the local address.
// choice starts as the configured server; only BP_SUBSTITUTED changes it.
BPServerOutcome ChooseBPServer(int downloadFromBPServer, const std::string& svrIpAddr, const std::string& svrPortNo,
                               const std::string& bpServerPortNo, const std::string& localIp,
                               BPServerChoice* choice);
