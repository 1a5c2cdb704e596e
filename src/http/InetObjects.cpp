#include "http/InetObjects.h"

#include "http/InternetError.h"

namespace {
const DWORD_PTR kContext = 1;
}

void AllowConnectionsPerServer(unsigned long connections) {
  for (DWORD option : {static_cast<DWORD>(INTERNET_OPTION_MAX_CONNS_PER_SERVER),
                       static_cast<DWORD>(INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER)}) {
    DWORD current = 0;
    DWORD length = sizeof(current);
    if (::InternetQueryOptionA(nullptr, option, &current, &length) && current >= connections) continue;
    DWORD wanted = connections;
    ::InternetSetOptionA(nullptr, option, &wanted, sizeof(wanted));
  }
}

std::unique_ptr<CInetSession> CInetSession::Open(const std::string& agent) {
  HINTERNET handle = ::InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!handle) return nullptr;
  return std::make_unique<CInetSession>(handle);
}

bool CInetSession::SetOption(DWORD option, const void* value, DWORD length) {
  return ::InternetSetOptionA(m_handle.get(), option, const_cast<void*>(value), length) != FALSE;
}

std::unique_ptr<CInetConnection> CInetConnection::Open(CInetSession& session, const std::string& host,
                                                       uint16_t port) {
  HINTERNET handle = ::InternetConnectA(session.Handle(), host.c_str(), port, nullptr, nullptr,
                                        INTERNET_SERVICE_HTTP, 0, kContext);
  if (!handle) return nullptr;
  return std::make_unique<CInetConnection>(handle);
}

bool CInetConnection::SetOption(DWORD option, const void* value, DWORD length) {
  return ::InternetSetOptionA(m_handle.get(), option, const_cast<void*>(value), length) != FALSE;
}

std::unique_ptr<CHttpRequest> CHttpRequest::Open(CInetConnection& connection, const std::string& verb,
                                                 const std::string& objectName, uint32_t flags) {
  static const char* acceptTypes[] = {"image/gif",
                                      "image/x-xbitmap",
                                      "image/jpeg",
                                      "image/pjpeg",
                                      "application/x-shockwave-flash",
                                      "application/vnd.ms-excel",
                                      "application/vnd.ms-powerpoint",
                                      "application/msword",
                                      "*/*",
                                      nullptr};
  HINTERNET handle = ::HttpOpenRequestA(connection.Handle(), verb.c_str(), objectName.c_str(), "HTTP/1.1",
                                        nullptr, acceptTypes, flags, kContext);
  if (!handle) return nullptr;
  return std::make_unique<CHttpRequest>(handle);
}

bool CHttpRequest::SetOption(DWORD option, const void* value, DWORD length) {
  return ::InternetSetOptionA(m_handle.get(), option, const_cast<void*>(value), length) != FALSE;
}

void CHttpRequest::SendRequest() {
  if (!::HttpSendRequestA(m_handle.get(), nullptr, 0, nullptr, 0)) throw CInternetError(::GetLastError());
}

bool CHttpRequest::QueryStatusCode(DWORD& status) {
  DWORD length = sizeof(status);
  status = 0;
  return ::HttpQueryInfoA(m_handle.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length,
                          nullptr) != FALSE;
}

bool CHttpRequest::QueryInfoText(DWORD infoLevel, std::string& text) {
  char buffer[1024] = {};
  DWORD length = sizeof(buffer) - 1;
  text.clear();
  if (!::HttpQueryInfoA(m_handle.get(), infoLevel, buffer, &length, nullptr)) return false;
  text.assign(buffer, length < sizeof(buffer) ? length : sizeof(buffer) - 1);
  return true;
}

DWORD CHttpRequest::Read(void* buffer, DWORD capacity) {
  DWORD read = 0;
  if (!::InternetReadFile(m_handle.get(), buffer, capacity, &read)) throw CInternetError(::GetLastError());
  return read;
}

bool CHttpRequest::QueryDataAvailable(DWORD& available) {
  available = 0;
  return ::InternetQueryDataAvailable(m_handle.get(), &available, 0, 0) != FALSE;
}
