#include "http/ServerConfigDownload.h"

#include <memory>
#include <new>

#include "util/LogIfOpen.h"
#include "http/InternetError.h"
#include "http/RequestFrame.h"
#include "http/ServerConfigLine.h"

namespace {
const char kPrefix[] = "CVantoCfg::LoadConfigFromServer> ";
const FrameLogStyle kStyle = {kPrefix, "Goto ReSendRequest.", LOG_ERROR, LOG_ERROR, LOG_ERROR, true, false};
}  // namespace

int LoadConfigFromServer(CVantoCfg& cfg, const std::string& svrIpAddr, const std::string& svrPortNo,
                         int16_t svrHttps, const std::string& svrCfgFilePath, int certIgnoreFlag, int32_t& errCode,
                         std::string& errMsg, const std::string& proxyIpAddr, const std::string& proxyUserName,
                         const std::string& proxyPassword, int proxyAuthMode) {
  errCode = 0;
  errMsg.clear();
  LogIfOpen(LOG_DEBUG, "%sIP = %s, Port = %s", kPrefix, svrIpAddr.c_str(), svrPortNo.c_str());

  ProxySettings proxy;
  proxy.strIpAddr = proxyIpAddr;
  proxy.strUserName = proxyUserName;
  proxy.strPassword = proxyPassword;
  proxy.nAuthMode = proxyAuthMode;
  ServerTimeouts timeouts;
  timeouts.dwConnect = cfg.m_dwConnectTimeOut;
  timeouts.dwSend = cfg.m_dwSendTimeOut;
  timeouts.dwRecv = cfg.m_dwRecvTimeOut;

  // Declared in this order so that the request goes first, the session last.
  std::unique_ptr<CInetSession> session;
  std::unique_ptr<CInetConnection> connection;
  std::unique_ptr<CHttpRequest> request;
  try {
    session = CreateInetSession("VantoExe", proxy, kPrefix);
    if (session) connection = ConnectHttpServer(*session, svrIpAddr, svrPortNo, timeouts, kPrefix);
    if (!connection) return -1;

    LogIfOpen(LOG_DEBUG, "%sFile URL = %s", kPrefix, svrCfgFilePath.c_str());
    LogIfOpen(LOG_DEBUG, "%sEncoded File URL = %s", kPrefix, svrCfgFilePath.c_str());
    request = OpenHttpFileRequest(*connection, "GET", svrCfgFilePath, svrHttps, certIgnoreFlag, kPrefix);
    if (!request) {
      LogIfOpen(LOG_ERROR, "%sOpenRequest() Return NULL", kPrefix);
      return -1;
    }
    LogIfOpen(LOG_DEBUG, "%sOpenRequest Success", kPrefix);

    const SendOutcome sent = SendWithProxyAuth(*request, svrCfgFilePath, proxy, kStyle);
    if (sent.nResult < 0) return sent.nResult;
    if (sent.nResult != FRAME_STATUS_OK) return -2;
    LogIfOpen(LOG_DEBUG, "%sQueryInfoStatusCode Success", kPrefix);

    CHttpRequest& body = *request;
    ApplyServerConfigBody([&body](void* buffer, uint32_t capacity) { return body.Read(buffer, capacity); }, cfg);
    return 0;
  } catch (const CInternetError& error) {
    errCode = static_cast<int32_t>(error.GetErrorCode());
    errMsg = error.GetErrorMessage();
    return -6;
  } catch (const std::bad_alloc&) {
    // Out of memory is reported like a failed transfer, never as a crash.
    errCode = ERROR_NOT_ENOUGH_MEMORY;
    errMsg = "Not enough memory";
    LogIfOpen(LOG_ERROR, "%s%s", kPrefix, errMsg.c_str());
    return -6;
  }
}
