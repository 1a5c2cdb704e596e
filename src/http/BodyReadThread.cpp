#include "http/BodyReadThread.h"

#include <chrono>
#include <cstring>
#include <system_error>
#include <utility>

#include "http/InternetError.h"
#include "util/RunDisplay.h"

namespace {
// How long a read is waited for before messages and the stop flag are seen to.
constexpr std::chrono::milliseconds kWaitSlice(50);

// One read as the transfer asks for it.
uint32_t ReadResponse(CHttpRequest& request, void* buffer, uint32_t capacity) {
  // The paced reads have come down to one block: the server may be slow.
  // A read asks only for what has arrived, since a read for more waits
  // until all of it came, and a server sending a byte now and then would
  // hold it past the download's deadline.
  if (capacity <= kTransferBlockSize) {
    DWORD available = 0;
    if (!request.QueryDataAvailable(available)) throw CInternetError(::GetLastError());
    if (available > 0 && available < capacity) capacity = available;
  }
  return request.Read(buffer, capacity);
}
}  // namespace

CBodyReadThread::CBodyReadThread(std::unique_ptr<CHttpRequest> request, std::shared_ptr<void> keepAlive,
                                 const int32_t& stopFlag, IRunDisplay* pump, CBodyReaderPark* park)
    : m_nStopFlag(stopFlag), m_pPump(pump), m_pPark(park) {
  if (!park || !park->Take(m_shared, m_thread)) {
    m_shared = std::make_shared<BodyReadShared>();
    try {
      m_thread = std::thread(Work, m_shared);
    } catch (const std::system_error&) {
      // No thread to spare: the reads are made here, as they wait.
    }
  }
  std::lock_guard<std::mutex> hold(m_shared->lock);
  m_shared->request = std::move(request);
  m_shared->keepAlive = std::move(keepAlive);
}

CBodyReadThread::~CBodyReadThread() {
  if (m_thread.joinable()) Abandon();
}

void CBodyReadThread::Work(std::shared_ptr<BodyReadShared> shared) {
  std::unique_lock<std::mutex> hold(shared->lock);
  for (;;) {
    shared->changed.wait(hold, [&] { return shared->asked != 0 || shared->abandon || shared->quit; });
    if (shared->abandon || shared->quit) break;
    const uint32_t capacity = shared->asked;
    shared->asked = 0;
    if (shared->buffer.size() < capacity) shared->buffer.resize(capacity);
    hold.unlock();
    uint32_t got = 0;
    std::exception_ptr error;
    try {
      got = ReadResponse(*shared->request, shared->buffer.data(), capacity);
    } catch (...) {
      error = std::current_exception();
    }
    hold.lock();
    shared->got = got;
    shared->error = error;
    shared->busy = false;
    shared->changed.notify_all();
  }
  if (!shared->abandon) return;
  // Closed here, after the last read returned; the connection and session
  // go after it (unless others still hold them).
  std::unique_ptr<CHttpRequest> request = std::move(shared->request);
  std::shared_ptr<void> keepAlive = std::move(shared->keepAlive);
  hold.unlock();
  request.reset();
  keepAlive.reset();
}

void CBodyReadThread::End(const std::shared_ptr<BodyReadShared>& shared, std::thread& thread) {
  {
    std::lock_guard<std::mutex> hold(shared->lock);
    shared->quit = true;
    shared->changed.notify_all();
  }
  thread.join();
}

uint32_t CBodyReadThread::Read(void* buffer, uint32_t capacity) {
  if (capacity == 0) return 0;
  if (!m_thread.joinable()) return ReadResponse(*m_shared->request, buffer, capacity);
  std::unique_lock<std::mutex> hold(m_shared->lock);
  m_shared->asked = capacity;
  m_shared->busy = true;
  m_shared->changed.notify_all();
  while (!m_shared->changed.wait_for(hold, kWaitSlice, [&] { return !m_shared->busy; })) {
    hold.unlock();
    if (m_pPump) m_pPump->PumpWaitingMessages();
    if (m_nStopFlag == 1) throw CTransferStopped(m_nStopFlag);
    hold.lock();
  }
  if (m_shared->error) std::rethrow_exception(std::exchange(m_shared->error, nullptr));
  const uint32_t got = m_shared->got < capacity ? m_shared->got : capacity;
  if (got) std::memcpy(buffer, m_shared->buffer.data(), got);
  return got;
}

std::unique_ptr<CHttpRequest> CBodyReadThread::Finish() {
  if (!m_thread.joinable()) {
    m_keepAlive = std::move(m_shared->keepAlive);
    return std::move(m_shared->request);
  }
  std::unique_ptr<CHttpRequest> request;
  bool reading = false;
  {
    std::lock_guard<std::mutex> hold(m_shared->lock);
    reading = m_shared->busy;
    if (reading) {
      // A read still runs (a stop left it): the thread closes the request.
      m_shared->abandon = true;
      m_shared->changed.notify_all();
    } else {
      request = std::move(m_shared->request);
      // Released with this object, after the caller closed the request: a
      // connection never goes before its request.
      m_keepAlive = std::move(m_shared->keepAlive);
    }
  }
  if (reading) {
    m_thread.detach();
    return nullptr;
  }
  if (m_pPark)
    m_pPark->Give(std::move(m_shared), std::move(m_thread));
  else
    End(m_shared, m_thread);
  return request;
}

void CBodyReadThread::Abandon() {
  if (!m_thread.joinable()) return;
  {
    std::lock_guard<std::mutex> hold(m_shared->lock);
    m_shared->abandon = true;
    m_shared->changed.notify_all();
  }
  m_thread.detach();
}

bool CBodyReaderPark::Take(std::shared_ptr<BodyReadShared>& shared, std::thread& thread) {
  std::lock_guard<std::mutex> hold(m_lock);
  if (!m_thread.joinable()) return false;
  shared = std::move(m_shared);
  thread = std::move(m_thread);
  return true;
}

void CBodyReaderPark::Give(std::shared_ptr<BodyReadShared> shared, std::thread thread) {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_thread.joinable()) {
      m_shared = std::move(shared);
      m_thread = std::move(thread);
      return;
    }
  }
  CBodyReadThread::End(shared, thread);
}

bool CBodyReaderPark::HasIdleReader() {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_thread.joinable();
}

void CBodyReaderPark::Close() {
  std::shared_ptr<BodyReadShared> shared;
  std::thread thread;
  if (Take(shared, thread)) CBodyReadThread::End(shared, thread);
}
