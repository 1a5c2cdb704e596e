#pragma once
// What all server requests of a run share: the configuration, the session
// and connection created at start-up (replaced once by a retry, released at
// exit), and the two run flags that change how requests are made. The
// application object owns one and hands it to the run.
#include <memory>

#include "config/VantoCfg.h"
#include "http/BodyReadThread.h"
#include "http/InetObjects.h"
#include "http/RequestFrame.h"
#include "http/TransferBounds.h"

class CHttpContext {
 public:
  explicit CHttpContext(const CVantoCfg& cfg) : m_cfg(cfg) {}
  CHttpContext(const CHttpContext&) = delete;
  CHttpContext& operator=(const CHttpContext&) = delete;

  const CVantoCfg& Cfg() const { return m_cfg; }
  ProxySettings Proxy() const;
  ServerTimeouts Timeouts() const;

  // Session (agent "VantoExeBP" for a BP-server run, else "VantoExe") and
  // connection to SVR_IP_ADDR:SVR_PORT_NO; false when no connection resulted.
  bool OpenShared(const char* prefix);
  // The retry's replacement: closes both and opens new ones with agent.
  void ReplaceShared(const char* agent, const char* prefix);
  // Releases both, and ends the idle body reader (exit).
  void CloseShared();
  // Release one of them; true when there was one to release.
  bool CloseConnection();
  bool CloseSession();

  CInetSession* Session() const { return m_pInetSession.get(); }
  CInetConnection* Connection() const { return m_pHttpConnection.get(); }
  // Keeps both open for a request that may outlive this context's use of
  // them (a body still read after a stop).
  std::shared_ptr<void> KeepOpen() const;
  // The thread that read the last body, kept for the next download.
  CBodyReaderPark& BodyReaders() { return m_bodyReaders; }

  // The user accepted a certificate error: later requests relax their checks.
  int m_nCertIgnoreFlag = 0;
  // This run goes to the BP server of the local subnet.
  int m_nBPDownloadFlag = 0;
  // What a download may write when the size is unknown (tests lower it).
  TransferBounds m_bounds;

 private:
  const CVantoCfg& m_cfg;
  std::shared_ptr<CInetSession> m_pInetSession;
  std::shared_ptr<CInetConnection> m_pHttpConnection;
  CBodyReaderPark m_bodyReaders;
};
