#include "run/EntryLanePool.h"

#include <system_error>
#include <utility>

CEntryLanePool::CEntryLanePool(std::vector<std::unique_ptr<IEntryLane>> lanes) : m_lanes(std::move(lanes)) {
  for (const std::unique_ptr<IEntryLane>& lane : m_lanes) {
    try {
      m_threads.emplace_back([this, &lane] { Work(*lane); });
    } catch (const std::system_error&) {
      break;  // run with the threads there are
    }
  }
}

CEntryLanePool::~CEntryLanePool() {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_bClosing = true;
  }
  m_workWaiting.notify_all();
  for (std::thread& thread : m_threads) thread.join();
}

void CEntryLanePool::Submit(Job job) {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_jobs.push_back(std::move(job));
  }
  m_workWaiting.notify_one();
}

void CEntryLanePool::WaitForProgress(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> guard(m_lock);
  m_jobEnded.wait_for(guard, timeout, [this] { return m_nEnded > 0; });
  m_nEnded = 0;
}

void CEntryLanePool::Work(IEntryLane& lane) {
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> guard(m_lock);
      m_workWaiting.wait(guard, [this] { return m_bClosing || !m_jobs.empty(); });
      if (m_jobs.empty()) return;  // closing, and nothing left to do
      job = std::move(m_jobs.front());
      m_jobs.pop_front();
    }
    job(lane);  // a job catches what it throws
    {
      std::lock_guard<std::mutex> guard(m_lock);
      ++m_nEnded;
    }
    m_jobEnded.notify_all();
  }
}
