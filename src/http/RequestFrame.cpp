#include "http/RequestFrame.h"

#include <cstdlib>
#include <cstring>

#include "util/LogIfOpen.h"
#include "http/HttpStatusText.h"
#include "http/RequestFlags.h"

namespace {
// Credentials go through 128-byte buffers.
std::string Credential(const std::string& text) { return text.size() > 127 ? text.substr(0, 127) : text; }

int SetProxyCredentials(CHttpRequest& request, const ProxySettings& proxy) {
  const std::string user = Credential(proxy.strUserName);
  const std::string password = Credential(proxy.strPassword);
  if (proxy.nAuthMode == 1) {
    if (!request.SetOption(INTERNET_OPTION_PROXY_USERNAME, user.c_str(), static_cast<DWORD>(user.size())))
      return FRAME_PROXY_USER_ON_REQUEST;
    if (!request.SetOption(INTERNET_OPTION_PROXY_PASSWORD, password.c_str(), static_cast<DWORD>(password.size())))
      return FRAME_PROXY_PASSWORD_ON_REQUEST;
    return 0;
  }
  // Process-wide: stays set for every later request of the process.
  if (!::InternetSetOptionA(nullptr, INTERNET_OPTION_PROXY_USERNAME, const_cast<char*>(user.c_str()),
                            static_cast<DWORD>(user.size() + 1)))
    return FRAME_PROXY_USER_PROCESS;
  if (!::InternetSetOptionA(nullptr, INTERNET_OPTION_PROXY_PASSWORD, const_cast<char*>(password.c_str()),
                            static_cast<DWORD>(password.size() + 1)))
    return FRAME_PROXY_PASSWORD_PROCESS;
  return 0;
}
}  // namespace

std::unique_ptr<CInetSession> CreateInetSession(const std::string& agent, const ProxySettings& proxy,
                                                const char* prefix) {
  std::unique_ptr<CInetSession> session = CInetSession::Open(agent);
  if (!session) return nullptr;
  if (proxy.nAuthMode == 0 && !proxy.strIpAddr.empty()) {
    LogIfOpen(LOG_DEBUG, "%sProxy Auth Mode 0.", prefix);
    INTERNET_PROXY_INFO info = {};
    info.dwAccessType = INTERNET_OPEN_TYPE_PROXY;
    info.lpszProxy = proxy.strIpAddr.c_str();
    info.lpszProxyBypass = nullptr;
    session->SetOption(INTERNET_OPTION_PROXY, &info, sizeof(info));
    if (!proxy.strUserName.empty() && !proxy.strPassword.empty()) {
      const std::string user = Credential(proxy.strUserName);
      const std::string password = Credential(proxy.strPassword);
      session->SetOption(INTERNET_OPTION_PROXY_USERNAME, user.c_str(), static_cast<DWORD>(user.size()));
      session->SetOption(INTERNET_OPTION_PROXY_PASSWORD, password.c_str(), static_cast<DWORD>(password.size()));
    } else {
      LogIfOpen(LOG_DEBUG, "%sProxy Auth username or password is empty.", prefix);
    }
  }
  return session;
}

std::unique_ptr<CInetConnection> ConnectHttpServer(CInetSession& session, const std::string& host,
                                                   const std::string& port, const ServerTimeouts& timeouts,
                                                   const char* prefix) {
  const uint16_t portNumber = static_cast<uint16_t>(std::atoi(port.c_str()));
  std::unique_ptr<CInetConnection> connection = CInetConnection::Open(session, host, portNumber);
  if (!connection) {
    LogIfOpen(LOG_DEBUG, "%sGetHttpConnection(%s, %d) returns NULL", prefix, host.c_str(), portNumber);
    return nullptr;
  }
  LogIfOpen(LOG_DEBUG, "%sm_dwConnectTimeOut=%d, m_dwSendTimeOut=%d, m_dwRecvTimeOut=%d", prefix,
          static_cast<int>(timeouts.dwConnect), static_cast<int>(timeouts.dwSend), static_cast<int>(timeouts.dwRecv));
  const struct {
    DWORD option;
    DWORD value;
  } settings[] = {{INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.dwConnect},
                  {INTERNET_OPTION_SEND_TIMEOUT, timeouts.dwSend},
                  {INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.dwRecv}};
  for (const auto& setting : settings) {
    if (setting.value > 0) connection->SetOption(setting.option, &setting.value, sizeof(setting.value));
  }
  return connection;
}

std::unique_ptr<CHttpRequest> OpenHttpFileRequest(CInetConnection& connection, const std::string& verb,
                                                  const std::string& objectName, int16_t svrHttps,
                                                  int certIgnoreFlag, const char* prefix) {
  const uint32_t flags = ComputeRequestFlags(svrHttps, certIgnoreFlag);
  LogIfOpen(LOG_INFO, "%sTry to OpenRequest()", prefix);
  std::unique_ptr<CHttpRequest> request = CHttpRequest::Open(connection, verb, objectName, flags);
  if (!request) return nullptr;
  if (IsCertificateIgnored(svrHttps, certIgnoreFlag)) {
    LogIfOpen(LOG_INFO, "%sTry to SetOption() - set cert ignore flag", prefix);
    const DWORD securityFlags = CertificateIgnoreSecurityFlags();
    request->SetOption(INTERNET_OPTION_SECURITY_FLAGS, &securityFlags, sizeof(securityFlags));
  }
  return request;
}

SendOutcome SendWithProxyAuth(CHttpRequest& request, const std::string& objectName, const ProxySettings& proxy,
                              const FrameLogStyle& style) {
  const char* p = style.prefix;
  bool resent = false;
  for (;;) {
    SendOutcome outcome;
    LogIfOpen(LOG_INFO, "%sTry to SendRequest()", p);
    request.SendRequest();
    LogIfOpen(LOG_INFO, "%sTry to QueryInfoStatusCode()", p);
    DWORD status = 0;
    outcome.bStatusRead = request.QueryStatusCode(status);
    outcome.dwStatusCode = status;
    if (outcome.bStatusRead && style.logStatusCode) LogIfOpen(LOG_DEBUG, "%sdwStatusCode = %d", p, static_cast<int>(status));
    if (outcome.bStatusRead && status == 200) {
      outcome.nResult = FRAME_STATUS_OK;
      return outcome;
    }
    const std::string statusText = GetHttpStatusText(static_cast<int>(status));
    if (style.statusLineNamesObject)
      LogIfOpen(LOG_ERROR, "%sQueryInfoStatusCode(%s) Return = %d, Message = %s", p, objectName.c_str(),
              static_cast<int>(status), statusText.c_str());
    else
      LogIfOpen(LOG_ERROR, "%sQueryInfoStatusCode() Return = %d, Message = %s", p, static_cast<int>(status),
              statusText.c_str());

    const bool proxyDemand = outcome.bStatusRead && status == 407 &&
                             (proxy.nAuthMode == 1 || proxy.nAuthMode == 2) && !proxy.strUserName.empty() &&
                             !proxy.strPassword.empty();
    if (!proxyDemand) {
      outcome.nResult = FRAME_STATUS_OTHER;
      return outcome;
    }
    if (resent) {
      LogIfOpen(LOG_ERROR, "%sProxy Auth Error.", p);
      request.Close();
      outcome.nResult = FRAME_PROXY_AUTH_FAILED;
      return outcome;
    }
    LogIfOpen(style.proxyLineLevel, "%sProxy Auth Mode %d.", p, proxy.nAuthMode);
    const int set = SetProxyCredentials(request, proxy);
    if (set != 0) {
      LogIfOpen(style.setOptionLevel, "%sProxy Auth SetOption() ret = %d", p, set);
      request.Close();
      outcome.nResult = set;
      return outcome;
    }
    LogIfOpen(style.proxyLineLevel, "%sProxy SetOption() success.", p);
    LogIfOpen(style.resendLevel, "%s%s", p, style.resendLabel);
    resent = true;
  }
}
