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
//
// A thread that finished its body cleanly waits in a CBodyReaderPark for
// the next download: under Wine, starting and ending a thread costs more
// than the transfer of a small file (about 2 ms of processor time each).
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

// What a reading thread and the download it serves share.
struct BodyReadShared {
  std::mutex lock;
  std::condition_variable changed;
  std::unique_ptr<CHttpRequest> request;
  std::shared_ptr<void> keepAlive;
  std::vector<unsigned char> buffer;
  uint32_t asked = 0;  // a read is wanted of this many bytes
  bool busy = false;   // a read was asked for and has not returned
  uint32_t got = 0;
  std::exception_ptr error;
  bool abandon = false;  // end, closing the request here
  bool quit = false;     // end: the park that kept the thread closes
};

// Keeps at most one idle reading thread for the next download. Safe to
// use from several threads; ends the idle thread when closed or destroyed.
class CBodyReaderPark {
 public:
  CBodyReaderPark() = default;
  ~CBodyReaderPark() { Close(); }
  CBodyReaderPark(const CBodyReaderPark&) = delete;
  CBodyReaderPark& operator=(const CBodyReaderPark&) = delete;

  // Ends the idle thread, if any (it holds no request).
  void Close();
  // A thread waits here for the next body.
  bool HasIdleReader();

 private:
  friend class CBodyReadThread;
  // The idle thread and its state; false when there is none.
  bool Take(std::shared_ptr<BodyReadShared>& shared, std::thread& thread);
  // Keeps an idle thread; ends it when one is kept already.
  void Give(std::shared_ptr<BodyReadShared> shared, std::thread thread);

  std::mutex m_lock;
  std::shared_ptr<BodyReadShared> m_shared;
  std::thread m_thread;
};

class CBodyReadThread : public ITransferReader {
 public:
  // keepAlive: what the request needs open as long as it lives (its
  // connection and session). pump: its messages are dispatched while a read
  // is waited for; null: none. stopFlag 1 ends the wait (CTransferStopped).
  // park: where an idle thread is taken from and given back to after a
  // clean Finish; null: a thread for this body alone.
  CBodyReadThread(std::unique_ptr<CHttpRequest> request, std::shared_ptr<void> keepAlive, const int32_t& stopFlag,
                  IRunDisplay* pump, CBodyReaderPark* park = nullptr);
  ~CBodyReadThread() override;
  CBodyReadThread(const CBodyReadThread&) = delete;
  CBodyReadThread& operator=(const CBodyReadThread&) = delete;

  // Up to capacity bytes, 0 at the end; throws what the read threw
  // (CInternetError), or CTransferStopped when the stop flag was set while
  // waiting.
  uint32_t Read(void* buffer, uint32_t capacity) override;

  // The body is done with: the request comes back (null when a read still
  // runs; the thread then closes it) and the thread waits in the park, or
  // ends.
  std::unique_ptr<CHttpRequest> Finish();
  // Gives up without waiting: the thread closes the request when it can.
  void Abandon();

 private:
  friend class CBodyReaderPark;
  static void Work(std::shared_ptr<BodyReadShared> shared);
  // Ends an idle thread that no park keeps.
  static void End(const std::shared_ptr<BodyReadShared>& shared, std::thread& thread);

  std::shared_ptr<BodyReadShared> m_shared;
  const int32_t& m_nStopFlag;
  IRunDisplay* m_pPump;
  CBodyReaderPark* m_pPark;
  std::shared_ptr<void> m_keepAlive;  // after Finish, until the caller closed the request
  std::thread m_thread;
};
