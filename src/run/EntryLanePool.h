#pragma once
// One worker thread per lane; jobs are taken in the order they were given
// by whichever lane is free. The dialog's thread gives the jobs and waits
// for them while it keeps the window alive.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "run/EntryServices.h"

class CEntryLanePool {
 public:
  using Job = std::function<void(IEntryLane&)>;

  // Starts one thread per lane; fewer when the system has no thread to
  // spare (Size() tells how many run).
  explicit CEntryLanePool(std::vector<std::unique_ptr<IEntryLane>> lanes);
  // Lets the jobs given so far end, then ends the threads and the lanes.
  ~CEntryLanePool();
  CEntryLanePool(const CEntryLanePool&) = delete;
  CEntryLanePool& operator=(const CEntryLanePool&) = delete;

  size_t Size() const { return m_threads.size(); }
  void Submit(Job job);
  // Returns once a job has ended since the last call, or after timeout.
  void WaitForProgress(std::chrono::milliseconds timeout);

 private:
  void Work(IEntryLane& lane);

  std::mutex m_lock;
  std::condition_variable m_workWaiting;
  std::condition_variable m_jobEnded;
  std::deque<Job> m_jobs;
  bool m_bClosing = false;
  unsigned m_nEnded = 0;  // jobs ended since the last WaitForProgress
  std::vector<std::unique_ptr<IEntryLane>> m_lanes;
  std::vector<std::thread> m_threads;
};
