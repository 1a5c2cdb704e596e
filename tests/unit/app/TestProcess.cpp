#include "TestProcess.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <vector>

std::string ProbeExePath() {
  std::string path = VANTO_PROBE_EXE;
  if (!path.empty() && path[0] == '/') {
    for (char& c : path) if (c == '/') c = '\\';
    path = "Z:" + path;
  }
  return path;
}

SleepingProcess::SleepingProcess(const std::string& path, int seconds) {
  if (path != ProbeExePath() && !::CopyFileA(ProbeExePath().c_str(), path.c_str(), FALSE)) return;
  std::string line = "\"" + path + "\" sleep " + std::to_string(seconds);
  line.push_back('\0');
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return;
  ::CloseHandle(pi.hThread);
  m_process.reset(pi.hProcess);
  m_pid = pi.dwProcessId;
  // Give the loader time to map the program so its path can be read.
  ::Sleep(300);
}

SleepingProcess::~SleepingProcess() {
  if (Running()) {
    ::TerminateProcess(m_process.get(), 1);
    ::WaitForSingleObject(m_process.get(), 5000);
  }
}

bool SleepingProcess::Running() const {
  return m_process && ::WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT;
}

namespace {
std::vector<DWORD> PidsFrom(const std::string& path) {
  std::vector<DWORD> pids;
  UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return pids;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
    UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID));
    if (!process) continue;
    char image[MAX_PATH] = "";
    if (::GetModuleFileNameExA(process.get(), nullptr, image, sizeof(image)) && ::lstrcmpiA(image, path.c_str()) == 0)
      pids.push_back(entry.th32ProcessID);
  }
  return pids;
}
}  // namespace

bool IsRunningFrom(const std::string& path) { return !PidsFrom(path).empty(); }

void TerminateAllFrom(const std::string& path) {
  for (DWORD pid : PidsFrom(path)) {
    UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process) continue;
    ::TerminateProcess(process.get(), 1);
    ::WaitForSingleObject(process.get(), 5000);
  }
}
