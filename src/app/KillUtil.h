#pragma once
// Finds a running process by executable name AND full path, and ends it.
// Both must match, so a program of the same name elsewhere is left alone.
// Processes are enumerated through Toolhelp when the kernel offers it, else
// through ntdll's system-information query; both are looked up at run time.
#include <windows.h>
#include <tlhelp32.h>

#include "util/WinHandles.h"

class CMyLog;

class CKillUtil {
 public:
  // Native forces the ntdll path, as on a system without Toolhelp.
  enum class Lookup { Auto, Native };

  explicit CKillUtil(Lookup lookup = Lookup::Auto);
  virtual ~CKillUtil();
  CKillUtil(const CKillUtil&) = delete;
  CKillUtil& operator=(const CKillUtil&) = delete;

  // True when the process was found and its end confirmed.
  bool KillProcess(const char* fileName, const char* fullPath);
  // Open handle (synchronise, query, read, terminate) of the first process
  // whose name and path both match; empty when none.
  UniqueHandle FindProcess(const char* fileName, const char* fullPath, DWORD* processId);
  UniqueHandle THFindProcess(const char* fileName, const char* fullPath, DWORD* processId);
  UniqueHandle NTFindProcess(const char* fileName, const char* fullPath, DWORD* processId);
  // 0 and the main module's path (at most 260 bytes), or 1.
  int GetProcessPath(HANDLE process, char* path260);

  bool UsesToolhelp() const { return m_fCreateSnapshot && m_fProcessFirst && m_fProcessNext; }
  bool UsesNative() const { return m_fQuerySysInfo && m_fGetProcessHeap && m_fHeapAlloc && m_fHeapFree; }

 private:
  // Types of the entry points looked up at run time, taken from their
  // declarations so that they carry the system's calling convention
  // (__stdcall on 32-bit Windows; a mismatch there corrupts the stack).
  using CreateSnapshotFn = decltype(&::CreateToolhelp32Snapshot);
  using ProcessWalkFn = decltype(&::Process32First);
  using GetProcessHeapFn = decltype(&::GetProcessHeap);
  using HeapAllocFn = decltype(&::HeapAlloc);
  using HeapFreeFn = decltype(&::HeapFree);
  // ZwQuerySystemInformation has no declaration in the SDK headers; NTAPI
  // is __stdcall as well.
  using QuerySysInfoFn = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);

  // Shared by both searches once a name matched: open, compare the path.
  // Returns 1 matched (handle kept), 0 path differs, -1 open failed.
  int CheckCandidate(const char* prefix, const char* fullPath, DWORD pid, UniqueHandle& out);
  void Trace(int level, const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 3, 4)))
#endif
      ;
  void TraceLastError();

  CMyLog* m_pLog;
  UniqueHModule m_hNtdllLib;
  UniqueHModule m_hKernelLib;
  CreateSnapshotFn m_fCreateSnapshot = nullptr;
  ProcessWalkFn m_fProcessFirst = nullptr;
  ProcessWalkFn m_fProcessNext = nullptr;
  QuerySysInfoFn m_fQuerySysInfo = nullptr;
  GetProcessHeapFn m_fGetProcessHeap = nullptr;
  HeapAllocFn m_fHeapAlloc = nullptr;
  HeapFreeFn m_fHeapFree = nullptr;
};
