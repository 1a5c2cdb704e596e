#pragma once
// Owners of the three WinINet objects of a request: the session (agent and
// proxy), the connection to one server, and one request on it.
#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <memory>
#include <string>

#include "util/WinHandles.h"

struct InternetHandleTraits {
  static HINTERNET Invalid() { return nullptr; }
  static void Close(HINTERNET h) { ::InternetCloseHandle(h); }
};
using UniqueHInternet = UniqueWinHandle<HINTERNET, InternetHandleTraits>;

// Lets the process open up to connections to one server at once (the
// library's default can be lower); never lowers it.
void AllowConnectionsPerServer(unsigned long connections);

class CInetSession {
 public:
  // Pre-configured access, no proxy name or bypass list, no flags; null on failure.
  static std::unique_ptr<CInetSession> Open(const std::string& agent);
  HINTERNET Handle() const { return m_handle.get(); }
  bool SetOption(DWORD option, const void* value, DWORD length);

  // Takes ownership of an open handle.
  explicit CInetSession(HINTERNET handle) : m_handle(handle) {}

 private:
  UniqueHInternet m_handle;
};

class CInetConnection {
 public:
  // HTTP connection without user or password; null on failure.
  static std::unique_ptr<CInetConnection> Open(CInetSession& session, const std::string& host, uint16_t port);
  HINTERNET Handle() const { return m_handle.get(); }
  bool SetOption(DWORD option, const void* value, DWORD length);

  // Takes ownership of an open handle.
  explicit CInetConnection(HINTERNET handle) : m_handle(handle) {}

 private:
  UniqueHInternet m_handle;
};

class CHttpRequest {
 public:
  // Fixed accept types and HTTP/1.1; null on failure (the last error tells why).
  static std::unique_ptr<CHttpRequest> Open(CInetConnection& connection, const std::string& verb,
                                            const std::string& objectName, uint32_t flags);
  HINTERNET Handle() const { return m_handle.get(); }
  bool SetOption(DWORD option, const void* value, DWORD length);

  // Throws CInternetError.
  void SendRequest();
  bool QueryStatusCode(DWORD& status);
  // A header as text (buffer of 1024 bytes).
  bool QueryInfoText(DWORD infoLevel, std::string& text);
  // Up to capacity bytes; 0 at the end of the data. Throws CInternetError.
  DWORD Read(void* buffer, DWORD capacity);
  // Waits until some of the body has arrived (or the receive time-out
  // passed); available: bytes a read returns at once, 0 at the end.
  bool QueryDataAvailable(DWORD& available);
  void Close() { m_handle.reset(); }

  // Takes ownership of an open handle.
  explicit CHttpRequest(HINTERNET handle) : m_handle(handle) {}

 private:
  UniqueHInternet m_handle;
};
