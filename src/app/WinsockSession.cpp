#include "app/WinsockSession.h"

#include <winsock2.h>

CWinsockSession::CWinsockSession() {
  WSADATA wsa;
  m_bStarted = ::WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
}

CWinsockSession::~CWinsockSession() {
  if (m_bStarted) ::WSACleanup();
}
