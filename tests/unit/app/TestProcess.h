#pragma once
// Sleeping copies of the probe program for the process tests.
#include <windows.h>

#include <string>

#include "util/WinHandles.h"

// Windows path of the probe program of this build.
std::string ProbeExePath();

// Copies the probe to path and starts it sleeping for seconds; the returned
// owner terminates it when the test ends.
class SleepingProcess {
 public:
  SleepingProcess(const std::string& path, int seconds);
  ~SleepingProcess();
  SleepingProcess(const SleepingProcess&) = delete;
  SleepingProcess& operator=(const SleepingProcess&) = delete;
  bool Started() const { return static_cast<bool>(m_process); }
  bool Running() const;
  DWORD Pid() const { return m_pid; }

 private:
  UniqueHandle m_process;
  DWORD m_pid = 0;
};

// Whether any process runs from exactly path (case-insensitive).
bool IsRunningFrom(const std::string& path);
// Ends every process that runs from path.
void TerminateAllFrom(const std::string& path);
