#include "app/KillUtil.h"

#include <psapi.h>
#include <winternl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "util/MyLog.h"
#include "util/PathText.h"

namespace {
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004L);
constexpr ULONG kSystemProcessInformation = 5;
constexpr DWORD kFindAccess = SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE;

template <typename Fn>
Fn GetEntry(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// Releases the native query's buffer on every path.
class HeapBuffer {
 public:
  using FreeFn = decltype(&::HeapFree);
  HeapBuffer(HANDLE heap, FreeFn freeFn) : m_heap(heap), m_free(freeFn) {}
  ~HeapBuffer() { reset(nullptr); }
  HeapBuffer(const HeapBuffer&) = delete;
  HeapBuffer& operator=(const HeapBuffer&) = delete;
  void reset(void* p) {
    if (m_p) m_free(m_heap, 0, m_p);
    m_p = p;
  }
  void* get() const { return m_p; }

 private:
  HANDLE m_heap;
  FreeFn m_free;
  void* m_p = nullptr;
};
}  // namespace

CKillUtil::CKillUtil(Lookup lookup) : m_pLog(g_pMyLog) {
  Trace(LOG_INFO, "CKillUtil::CKillUtil> Try to use Kernel32 Library");
  m_hKernelLib.reset(::LoadLibraryA("Kernel32"));
  if (m_hKernelLib && lookup == Lookup::Auto) {
    m_fCreateSnapshot = GetEntry<CreateSnapshotFn>(m_hKernelLib.get(), "CreateToolhelp32Snapshot");
    m_fProcessFirst = GetEntry<ProcessWalkFn>(m_hKernelLib.get(), "Process32First");
    m_fProcessNext = GetEntry<ProcessWalkFn>(m_hKernelLib.get(), "Process32Next");
  }
  if (UsesToolhelp()) {
    Trace(LOG_INFO, "CKillUtil::CKillUtil> Success to use Kernel32 Library");
    return;
  }
  m_fCreateSnapshot = nullptr;
  m_fProcessFirst = m_fProcessNext = nullptr;
  if (!m_hKernelLib) return;
  Trace(LOG_INFO, "CKillUtil::CKillUtil> Try to use ntdll Library");
  m_hNtdllLib.reset(::LoadLibraryA("ntdll.dll"));
  if (m_hNtdllLib) m_fQuerySysInfo = GetEntry<QuerySysInfoFn>(m_hNtdllLib.get(), "ZwQuerySystemInformation");
  m_fGetProcessHeap = GetEntry<GetProcessHeapFn>(m_hKernelLib.get(), "GetProcessHeap");
  m_fHeapAlloc = GetEntry<HeapAllocFn>(m_hKernelLib.get(), "HeapAlloc");
  m_fHeapFree = GetEntry<HeapFreeFn>(m_hKernelLib.get(), "HeapFree");
}

CKillUtil::~CKillUtil() {
  if (m_hKernelLib) {
    Trace(LOG_INFO, "CKillUtil::~CKillUtil> Free Kernel32 Library");
    m_hKernelLib.reset();
  }
  if (m_hNtdllLib) {
    Trace(LOG_INFO, "CKillUtil::~CKillUtil> Free ntdll Library");
    m_hNtdllLib.reset();
  }
}

void CKillUtil::Trace(int level, const char* format, ...) {
  if (!m_pLog) return;
  va_list args;
  va_start(args, format);
  m_pLog->LogV(level, format, args);
  va_end(args);
}

void CKillUtil::TraceLastError() {
  if (m_pLog) m_pLog->LogLastErrorText();
}

bool CKillUtil::KillProcess(const char* fileName, const char* fullPath) {
  DWORD pid = 0;
  UniqueHandle process = FindProcess(fileName, fullPath, &pid);
  if (!process) {
    Trace(LOG_ERROR, "CKillUtil::KillProcess> hProcess is Invalid");
    return false;
  }
  BOOL r = ::TerminateProcess(process.get(), 0);
  Trace(LOG_INFO, "CKillUtil::KillProcess> 1, TerminateProcess Return Value = %d", r);
  if (::WaitForSingleObject(process.get(), 1000) == WAIT_OBJECT_0) {
    Trace(LOG_INFO, "CKillUtil::KillProcess> WaitForSingleObject Success");
    r = 1;
  } else {
    Trace(LOG_INFO, "CKillUtil::KillProcess> 2, TerminateProcess Return Value = %d", r);
    r = ::TerminateProcess(process.get(), 0);
  }
  Trace(LOG_INFO, "CKillUtil::KillProcess> Close Process Handle");
  return r == 1;
}

UniqueHandle CKillUtil::FindProcess(const char* fileName, const char* fullPath, DWORD* processId) {
  if (!m_hKernelLib) {
    Trace(LOG_ERROR, "CKillUtil::FindProcess> m_hKernelLib is Invalid");
    return UniqueHandle();
  }
  if (UsesToolhelp()) {
    Trace(LOG_INFO, "CKillUtil::FindProcess> Call THFindProcess");
    return THFindProcess(fileName, fullPath, processId);
  }
  if (UsesNative()) {
    Trace(LOG_INFO, "CKillUtil::FindProcess> Call NTFindProcess");
    return NTFindProcess(fileName, fullPath, processId);
  }
  return UniqueHandle();
}

int CKillUtil::CheckCandidate(const char* prefix, const char* fullPath, DWORD pid, UniqueHandle& out) {
  UniqueHandle process(::OpenProcess(kFindAccess, TRUE, pid));
  if (!process) {
    Trace(LOG_ERROR, "%sOpenProcess() Fail, ErrCode = %lu", prefix, ::GetLastError());
    TraceLastError();
    return -1;
  }
  Trace(LOG_INFO, "%spProcessPath = %s", prefix, fullPath);
  char path[MAX_PATH] = "";
  if (GetProcessPath(process.get(), path) != 0) {
    Trace(LOG_INFO, "%sGetProcessPath() Fail, Close hResult", prefix);
    return 0;
  }
  Trace(LOG_INFO, "%spTempProcessPath = %s", prefix, path);
  if (::lstrcmpiA(path, fullPath) == 0) {
    Trace(LOG_INFO, "%sFind Matching Process Path", prefix);
    out = std::move(process);
    return 1;
  }
  Trace(LOG_INFO, "%sProcess Path is Not Matching", prefix);
  return 0;
}

UniqueHandle CKillUtil::THFindProcess(const char* fileName, const char* fullPath, DWORD* processId) {
  static const char kPrefix[] = "CKillUtil::THFindProcess> ";
  UniqueHandle result;
  if (!UsesToolhelp()) return result;
  UniqueFileHandle snapshot(m_fCreateSnapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) {
    Trace(LOG_ERROR, "CKillUtil::THFindProcess> FCreateToolhelp32Snapshot() Fail, ErrCode = %lu",
          ::GetLastError());
    TraceLastError();
    return result;
  }
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof(entry);
  for (BOOL more = m_fProcessFirst(snapshot.get(), &entry); more; more = m_fProcessNext(snapshot.get(), &entry)) {
    const std::string name = NameOfPath(entry.szExeFile);
    if (::lstrcmpiA(name.c_str(), fileName) != 0) continue;
    Trace(LOG_INFO, "CKillUtil::THFindProcess> Find Matching Process Name, Name = %s", name.c_str());
    *processId = entry.th32ProcessID;
    const int found = CheckCandidate(kPrefix, fullPath, entry.th32ProcessID, result);
    if (found != 0) break;  // matched, or a process that cannot be opened ends the search
  }
  return result;
}

UniqueHandle CKillUtil::NTFindProcess(const char* fileName, const char* fullPath, DWORD* processId) {
  static const char kPrefix[] = "CKillUtil::NTFindProcess> ";
  UniqueHandle result;
  if (!UsesNative()) return result;
  const HANDLE heap = m_fGetProcessHeap();
  HeapBuffer buffer(heap, m_fHeapFree);
  ULONG size = 32768;
  for (;;) {
    buffer.reset(m_fHeapAlloc(heap, 0, size));
    if (!buffer.get()) {
      Trace(LOG_INFO, "CKillUtil::NTFindProcess> HeapAlloc() Fail, ErrCode = %lu", ::GetLastError());
      TraceLastError();
      ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return result;
    }
    const LONG status = m_fQuerySysInfo(kSystemProcessInformation, buffer.get(), size, nullptr);
    if (status == kStatusInfoLengthMismatch) {
      size *= 2;
      continue;
    }
    if (status < 0) {
      buffer.reset(nullptr);
      Trace(LOG_INFO, "CKillUtil::NTFindProcess> FQuerySysInfo() Fail, ErrCode = %ld", status);
      TraceLastError();
      ::SetLastError(static_cast<DWORD>(status));
      return result;
    }
    break;
  }
  const BYTE* cursor = static_cast<const BYTE*>(buffer.get());
  for (;;) {
    const SYSTEM_PROCESS_INFORMATION* record = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(cursor);
    char name[MAX_PATH] = "Idle";
    if (record->ImageName.Buffer && record->ImageName.Length > 0) {
      const int length = ::WideCharToMultiByte(CP_ACP, 0, record->ImageName.Buffer,
                                               record->ImageName.Length / sizeof(WCHAR), name,
                                               sizeof(name) - 1, nullptr, nullptr);
      name[length > 0 ? length : 0] = '\0';
    }
    if (::lstrcmpiA(name, fileName) == 0) {
      Trace(LOG_INFO, "CKillUtil::NTFindProcess> Find Matching Process Name, Name = %s", name);
      const DWORD pid = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(record->UniqueProcessId));
      *processId = pid;
      if (CheckCandidate(kPrefix, fullPath, pid, result) != 0) break;
    }
    if (record->NextEntryOffset == 0) break;
    cursor += record->NextEntryOffset;
  }
  return result;
}

int CKillUtil::GetProcessPath(HANDLE process, char* path260) {
  char path[MAX_PATH] = "";
  if (::GetModuleFileNameExA(process, nullptr, path, sizeof(path)) == 0) {
    Trace(LOG_ERROR, "CKillUtil::GetProcessPath> GetModuleFileNameEx() Fail, ErrCode = %lu", ::GetLastError());
    TraceLastError();
    return 1;
  }
  Trace(LOG_INFO, "CKillUtil::GetProcessPath> GetModuleFileNameEx() Success, Path = %s", path);
  std::memcpy(path260, path, sizeof(path));
  return 0;
}
