#pragma once
// Reads a response body on a thread of its own, so that whoever waits for
// the bytes can stop at once: a read from a server that went silent lasts
// until the receive time-out, and Stop must not wait for it.
//
// One read at a time, asked for by Read and waited for in slices; between
// slices the dialog's messages are dispatched (when a display is given) and
// the stop flag is checked. Given up (Abandon, or destroyed before Finish),
// the thread closes the request itself once a read in progress has
// returned, and lets go of the connection and session it keeps alive: the
// request handle is never closed while another thread may still use it.
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "http/InetObjects.h"
#include "http/TransferLoop.h"

class IRunDisplay;

class CBodyReadThread : public ITransferReader {
 public:
  // keepAlive: what the request needs open as long as it lives (its
  // connection and session). pump: its messages are dispatched while a read
  // is waited for; null: none. stopFlag 1 ends the wait (CTransferStopped).
  CBodyReadThread(std::unique_ptr<CHttpRequest> request, std::shared_ptr<void> keepAlive, const int32_t& stopFlag,
                  IRunDisplay* pump);
  ~CBodyReadThread() override;
  CBodyReadThread(const CBodyReadThread&) = delete;
  CBodyReadThread& operator=(const CBodyReadThread&) = delete;

  // Up to capacity bytes, 0 at the end; throws what the read threw
  // (CInternetError), or CTransferStopped when the stop flag was set while
  // waiting.
  uint32_t Read(void* buffer, uint32_t capacity) override;

  // The body is done with: the thread ends and the request comes back
  // (null when a read still runs; the thread then closes it).
  std::unique_ptr<CHttpRequest> Finish();
  // Gives up without waiting: the thread closes the request when it can.
  void Abandon();

 private:
  struct Shared {
    std::mutex lock;
    std::condition_variable changed;
    std::unique_ptr<CHttpRequest> request;
    std::shared_ptr<void> keepAlive;
    std::vector<unsigned char> buffer;
    uint32_t asked = 0;  // a read is wanted of this many bytes
    bool busy = false;   // a read was asked for and has not returned
    uint32_t got = 0;
    std::exception_ptr error;
    bool finish = false;   // end, handing the request back
    bool abandon = false;  // end, closing the request here
  };
  static void Work(std::shared_ptr<Shared> shared);

  std::shared_ptr<Shared> m_shared;
  const int32_t& m_nStopFlag;
  IRunDisplay* m_pPump;
  std::thread m_thread;
};
