// Test tool: starts a program and terminates it (TerminateProcess, as a
// crash or a power loss would end it) at the exact moment it calls a
// kernel32 function on a given file, before the call does anything.
//   vanto_killat EXE TAIL_FILE TIMEOUT_MS FUNCTION PATH_SUFFIX [NTH]
// FUNCTION takes a narrow path as its first argument (DeleteFileA,
// MoveFileExA, ...); the program is ended at its first call (or its NTH)
// whose path ends with PATH_SUFFIX (ignoring case). TAIL_FILE holds the command-line
// tail in CP949. Prints "pid N", then "killed PATH" (exit 0), or "ended
// CODE" / "timeout" (exit 2; on time-out the program is ended too).
// The program runs under this tool as its debugger: a breakpoint on the
// function's first instruction shows each call and its argument.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "util/WinHandles.h"

namespace {
std::string ReadTail(const char* path) {
  UniqueFileHandle file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return std::string();
  std::string tail(65536, '\0');
  DWORD read = 0;
  ::ReadFile(file.get(), &tail[0], static_cast<DWORD>(tail.size()), &read, nullptr);
  tail.resize(read);
  return tail;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && Lower(text.substr(text.size() - suffix.size())) == Lower(suffix);
}

// The function's address in the child: the same offset in the module that
// holds it here (kernel32 may forward to kernelbase), at the child's base.
uintptr_t ChildAddress(HANDLE process, const char* function) {
  const FARPROC mine = ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), function);
  HMODULE owner = nullptr;
  if (!mine || !::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                     reinterpret_cast<LPCSTR>(mine), &owner))
    return 0;
  char ownerName[MAX_PATH] = {};
  ::GetModuleBaseNameA(::GetCurrentProcess(), owner, ownerName, MAX_PATH);
  std::vector<HMODULE> modules(512);
  DWORD needed = 0;
  if (!::EnumProcessModules(process, modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &needed))
    return 0;
  modules.resize(needed / sizeof(HMODULE));
  for (HMODULE module : modules) {
    char name[MAX_PATH] = {};
    if (::GetModuleBaseNameA(process, module, name, MAX_PATH) && Lower(name) == Lower(ownerName))
      return reinterpret_cast<uintptr_t>(module) +
             (reinterpret_cast<uintptr_t>(mine) - reinterpret_cast<uintptr_t>(owner));
  }
  return 0;
}

bool WriteByte(HANDLE process, uintptr_t address, BYTE value) {
  DWORD old = 0;
  void* at = reinterpret_cast<void*>(address);
  if (!::VirtualProtectEx(process, at, 1, PAGE_EXECUTE_READWRITE, &old)) return false;
  const bool ok = ::WriteProcessMemory(process, at, &value, 1, nullptr) != FALSE;
  ::VirtualProtectEx(process, at, 1, old, &old);
  ::FlushInstructionCache(process, at, 1);
  return ok;
}

std::string ReadNarrowString(HANDLE process, uintptr_t address) {
  std::string text;
  char c = 0;
  while (address && text.size() < 4096 &&
         ::ReadProcessMemory(process, reinterpret_cast<void*>(address + text.size()), &c, 1, nullptr) && c)
    text += c;
  return text;
}

// The first argument of the call that stopped at the breakpoint.
uintptr_t FirstArgument(HANDLE process, const CONTEXT& context) {
#ifdef _WIN64
  (void)process;
  return static_cast<uintptr_t>(context.Rcx);
#else
  DWORD argument = 0;
  ::ReadProcessMemory(process, reinterpret_cast<void*>(context.Esp + 4), &argument, sizeof(argument), nullptr);
  return argument;
#endif
}

#ifdef _WIN64
DWORD64& InstructionPointer(CONTEXT& context) { return context.Rip; }
#else
DWORD& InstructionPointer(CONTEXT& context) { return context.Eip; }
#endif
}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: vanto_killat EXE TAIL_FILE TIMEOUT_MS FUNCTION PATH_SUFFIX [NTH]\n");
    return 1;
  }
  const std::string exe = argv[1];
  const std::string tail = ReadTail(argv[2]);
  const DWORD timeoutMs = std::strtoul(argv[3], nullptr, 10);
  const char* function = argv[4];
  const std::string suffix = argv[5];
  const unsigned long nth = argc > 6 ? std::strtoul(argv[6], nullptr, 10) : 1;
  unsigned long matched = 0;

  std::string commandLine = "\"" + exe + "\"" + (tail.empty() ? "" : " " + tail);
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  const std::string dir = exe.substr(0, exe.rfind('\\'));
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                        dir.c_str(), &si, &pi)) {
    std::fprintf(stderr, "CreateProcess failed: %lu\n", ::GetLastError());
    return 1;
  }
  UniqueHandle process(pi.hProcess);
  UniqueHandle mainThread(pi.hThread);
  std::printf("pid %lu\n", pi.dwProcessId);
  std::fflush(stdout);

  uintptr_t address = 0;
  BYTE original = 0;
  bool loaderBreakSeen = false;
  DWORD steppingThread = 0;  // re-arms the breakpoint after one instruction
  const DWORD start = ::GetTickCount();
  for (;;) {
    DEBUG_EVENT event = {};
    if (!::WaitForDebugEvent(&event, 200)) {
      if (::GetTickCount() - start > timeoutMs) {
        ::TerminateProcess(process.get(), 9);
        std::printf("timeout\n");
        return 2;
      }
      continue;
    }
    DWORD status = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile) ::CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile) ::CloseHandle(event.u.LoadDll.hFile);
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        std::printf("ended %lu\n", event.u.ExitProcess.dwExitCode);
        return 2;
      case EXCEPTION_DEBUG_EVENT: {
        const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
        const uintptr_t at = reinterpret_cast<uintptr_t>(record.ExceptionAddress);
        if (record.ExceptionCode == EXCEPTION_BREAKPOINT && !loaderBreakSeen) {
          // The loader's breakpoint: every imported module is mapped now.
          loaderBreakSeen = true;
          address = ChildAddress(process.get(), function);
          if (!address || !::ReadProcessMemory(process.get(), reinterpret_cast<void*>(address), &original, 1, nullptr) ||
              !WriteByte(process.get(), address, 0xCC)) {
            std::fprintf(stderr, "cannot set a breakpoint on %s\n", function);
            ::TerminateProcess(process.get(), 9);
            return 1;
          }
        } else if (record.ExceptionCode == EXCEPTION_BREAKPOINT && at == address) {
          UniqueHandle thread(::OpenThread(THREAD_ALL_ACCESS, FALSE, event.dwThreadId));
          CONTEXT context = {};
          context.ContextFlags = CONTEXT_FULL;
          ::GetThreadContext(thread.get(), &context);
          const std::string path = ReadNarrowString(process.get(), FirstArgument(process.get(), context));
          if (EndsWith(path, suffix) && ++matched >= nth) {
            ::TerminateProcess(process.get(), 9);
            ::WaitForSingleObject(process.get(), 10000);
            std::printf("killed %s\n", path.c_str());
            return 0;
          }
          // Not the call we wait for: run the original instruction once.
          WriteByte(process.get(), address, original);
          InstructionPointer(context) = address;
          context.EFlags |= 0x100;  // trap flag: stop after one instruction
          ::SetThreadContext(thread.get(), &context);
          steppingThread = event.dwThreadId;
        } else if (record.ExceptionCode == EXCEPTION_SINGLE_STEP && event.dwThreadId == steppingThread) {
          WriteByte(process.get(), address, 0xCC);
          steppingThread = 0;
        } else {
          status = DBG_EXCEPTION_NOT_HANDLED;  // the program's own exceptions
        }
        break;
      }
      default:
        break;
    }
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
  }
}
