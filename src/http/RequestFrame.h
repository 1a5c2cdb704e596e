#pragma once
// The steps every server request goes through: session with agent and proxy,
// connection with time-outs, request with accept types and flags, send with
// one proxy-authentication resend. Each operation logs with its own prefix.
#include <cstdint>
#include <memory>
#include <string>

#include "http/InetObjects.h"

struct ProxySettings {
  std::string strIpAddr;    // PROXY_IP_ADDR
  std::string strUserName;  // PROXY_USER_NAME
  std::string strPassword;  // PROXY_USER_PASSWORD
  int nAuthMode = 0;        // PROXY_AUTH_MODE
};

struct ServerTimeouts {
  uint32_t dwConnect = 0;
  uint32_t dwSend = 0;
  uint32_t dwRecv = 0;
};

// How one operation words and grades its frame log lines.
struct FrameLogStyle {
  const char* prefix;          // "CClass::Operation> "
  const char* resendLabel;     // "Goto ReSendRequestN."
  int proxyLineLevel;          // mode and success lines
  int setOptionLevel;          // "Proxy Auth SetOption() ret = %d"
  int resendLevel;             // the resend label line
  bool statusLineNamesObject;  // "QueryInfoStatusCode(%s) ..." or "QueryInfoStatusCode() ..."
  bool logStatusCode;          // "dwStatusCode = %d" once the status was read
};

// Frame result codes (operations add their own).
enum FrameResult : int {
  FRAME_STATUS_OK = 0,          // status 200
  FRAME_STATUS_OTHER = 1,       // status not read, or not 200 and not handled
  FRAME_NOT_OPENED = -1,
  FRAME_PROXY_AUTH_FAILED = -5,
  FRAME_PROXY_USER_ON_REQUEST = -101,
  FRAME_PROXY_PASSWORD_ON_REQUEST = -102,
  FRAME_PROXY_USER_PROCESS = -103,
  FRAME_PROXY_PASSWORD_PROCESS = -104,
};

struct SendOutcome {
  int nResult = FRAME_STATUS_OTHER;
  bool bStatusRead = false;
  uint32_t dwStatusCode = 0;
};

std::unique_ptr<CInetSession> CreateInetSession(const std::string& agent, const ProxySettings& proxy,
                                                const char* prefix);
// Null when the connection cannot be made (logged).
std::unique_ptr<CInetConnection> ConnectHttpServer(CInetSession& session, const std::string& host,
                                                   const std::string& port, const ServerTimeouts& timeouts,
                                                   const char* prefix);
// Null when the request cannot be opened (not logged here: the callers word it).
std::unique_ptr<CHttpRequest> OpenHttpFileRequest(CInetConnection& connection, const std::string& verb,
                                                  const std::string& objectName, int16_t svrHttps,
                                                  int certIgnoreFlag, const char* prefix);
// Sends and reads the status; answers one 407 in proxy modes 1 and 2. A
// negative result has closed the request. Throws CInternetError.
SendOutcome SendWithProxyAuth(CHttpRequest& request, const std::string& objectName, const ProxySettings& proxy,
                              const FrameLogStyle& style);
