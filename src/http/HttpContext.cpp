#include "http/HttpContext.h"

#include <cstdlib>

#include "util/LogIfOpen.h"

ProxySettings CHttpContext::Proxy() const {
  ProxySettings proxy;
  proxy.strIpAddr = m_cfg.PROXY_IP_ADDR;
  proxy.strUserName = m_cfg.PROXY_USER_NAME;
  proxy.strPassword = m_cfg.PROXY_USER_PASSWORD;
  proxy.nAuthMode = m_cfg.PROXY_AUTH_MODE;
  return proxy;
}

ServerTimeouts CHttpContext::Timeouts() const {
  ServerTimeouts timeouts;
  timeouts.dwConnect = m_cfg.m_dwConnectTimeOut;
  timeouts.dwSend = m_cfg.m_dwSendTimeOut;
  timeouts.dwRecv = m_cfg.m_dwRecvTimeOut;
  return timeouts;
}

bool CHttpContext::OpenShared(const char* prefix) {
  CloseShared();
  m_pInetSession = CreateInetSession(m_nBPDownloadFlag == 1 ? "VantoExeBP" : "VantoExe", Proxy(), prefix);
  if (m_pInetSession)
    m_pHttpConnection = ConnectHttpServer(*m_pInetSession, m_cfg.SVR_IP_ADDR, m_cfg.SVR_PORT_NO, Timeouts(), prefix);
  return m_pHttpConnection != nullptr;
}

void CHttpContext::ReplaceShared(const char* agent, const char* prefix) {
  if (m_pHttpConnection) {
    LogIfOpen(LOG_DEBUG, "%sClose g_pHttpConnection", prefix);
    m_pHttpConnection.reset();
  }
  if (m_pInetSession) {
    LogIfOpen(LOG_DEBUG, "%sClose g_pInetSession", prefix);
    m_pInetSession.reset();
  }
  LogIfOpen(LOG_DEBUG, "%sCreate New g_pHttpConnection", prefix);
  m_pInetSession = CreateInetSession(agent, Proxy(), prefix);
  LogIfOpen(LOG_DEBUG, "%sCreate New g_pInetSession, IP(%s) Port(%d)", prefix, m_cfg.SVR_IP_ADDR.c_str(),
          std::atoi(m_cfg.SVR_PORT_NO.c_str()));
  if (m_pInetSession)
    m_pHttpConnection = ConnectHttpServer(*m_pInetSession, m_cfg.SVR_IP_ADDR, m_cfg.SVR_PORT_NO, Timeouts(), prefix);
}

std::shared_ptr<void> CHttpContext::KeepOpen() const {
  // The connection is closed before its session.
  struct Both {
    std::shared_ptr<CInetSession> session;
    std::shared_ptr<CInetConnection> connection;
  };
  return std::make_shared<Both>(Both{m_pInetSession, m_pHttpConnection});
}

void CHttpContext::CloseShared() {
  m_bodyReaders.Close();
  m_pHttpConnection.reset();
  m_pInetSession.reset();
}

bool CHttpContext::CloseConnection() {
  if (!m_pHttpConnection) return false;
  m_pHttpConnection.reset();
  return true;
}

bool CHttpContext::CloseSession() {
  if (!m_pInetSession) return false;
  m_pInetSession.reset();
  return true;
}
