#pragma once
// Windows Sockets 2.2 for the life of the object (the application starts it
// once, before anything asks for the local address).
class CWinsockSession {
 public:
  CWinsockSession();
  ~CWinsockSession();
  CWinsockSession(const CWinsockSession&) = delete;
  CWinsockSession& operator=(const CWinsockSession&) = delete;
  bool IsStarted() const { return m_bStarted; }

 private:
  bool m_bStarted = false;
};
