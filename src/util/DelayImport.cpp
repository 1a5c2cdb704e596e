// The resolving half of the generated delay-import stubs (util/DelayImport.h).
#include "util/DelayImport.h"

#include <windows.h>

#include <cstdio>

#include "util/DllSearch.h"
#include "util/LogIfOpen.h"
#include "util/VantoResult.h"

// The trampoline every stub jumps to with its record's address in eax/rax.
// It keeps the registers that carry arguments (none on i686 for the
// stdcall and cdecl functions these DLLs export; rcx, rdx, r8, r9 and
// xmm0-3 on x86_64), calls the resolver and jumps to the function it
// returns with the caller's stack untouched, so the function returns
// straight to the caller.
#if defined(__x86_64__)
// With unwind data (.seh_*), so that a stack walk during the resolver's
// call (a debugger, a crash report) gets through it.
__asm__(
    ".text\n"
    ".globl vanto_delay_trampoline\n"
    ".def vanto_delay_trampoline; .scl 2; .type 32; .endef\n"
    ".seh_proc vanto_delay_trampoline\n"
    "vanto_delay_trampoline:\n"
    "  pushq %rcx\n"
    "  .seh_pushreg %rcx\n"
    "  pushq %rdx\n"
    "  .seh_pushreg %rdx\n"
    "  pushq %r8\n"
    "  .seh_pushreg %r8\n"
    "  pushq %r9\n"
    "  .seh_pushreg %r9\n"
    // 32 bytes of shadow space, 64 for xmm0-3, 8 to align the stack to 16.
    "  subq $0x68, %rsp\n"
    "  .seh_stackalloc 0x68\n"
    "  movdqa %xmm0, 0x20(%rsp)\n"
    "  .seh_savexmm %xmm0, 0x20\n"
    "  movdqa %xmm1, 0x30(%rsp)\n"
    "  .seh_savexmm %xmm1, 0x30\n"
    "  movdqa %xmm2, 0x40(%rsp)\n"
    "  .seh_savexmm %xmm2, 0x40\n"
    "  movdqa %xmm3, 0x50(%rsp)\n"
    "  .seh_savexmm %xmm3, 0x50\n"
    "  .seh_endprologue\n"
    "  movq %rax, %rcx\n"
    "  call vanto_resolve_delay_import\n"
    "  movdqa 0x20(%rsp), %xmm0\n"
    "  movdqa 0x30(%rsp), %xmm1\n"
    "  movdqa 0x40(%rsp), %xmm2\n"
    "  movdqa 0x50(%rsp), %xmm3\n"
    "  addq $0x68, %rsp\n"
    "  popq %r9\n"
    "  popq %r8\n"
    "  popq %rdx\n"
    "  popq %rcx\n"
    "  jmp *%rax\n"
    ".seh_endproc\n");
#elif defined(__i386__)
__asm__(
    ".text\n"
    ".globl vanto_delay_trampoline\n"
    "vanto_delay_trampoline:\n"
    // ecx and edx as well: cheap, and right for fastcall/thiscall too.
    "  pushl %ecx\n"
    "  pushl %edx\n"
    "  pushl %eax\n"
    "  call vanto_resolve_delay_import\n"
    "  addl $4, %esp\n"
    "  popl %edx\n"
    "  popl %ecx\n"
    "  jmp *%eax\n");
#else
#error "delay-import stubs exist for i686 and x86_64 only"
#endif

namespace {
// No way on: the program cannot do what it was asked without the function.
// Said in the log (when there is one) and on standard error, then the
// process ends with the fatal code rather than calling into nothing.
[[noreturn]] void FailDelayImport(const char* format, const char* dll, const char* function,
                                  unsigned long errorCode) {
  char line[512];
  std::snprintf(line, sizeof(line), format, dll, function, errorCode);
  LogIfOpen(LOG_ERROR, "%s", line);
  std::fprintf(stderr, "%s\n", line);
  std::fflush(stderr);
  ::ExitProcess(VANTO_FATAL_ERROR);
}

HMODULE DllOf(VantoDelayDll* dll, const char* function) {
  if (HMODULE module = static_cast<HMODULE>(dll->module)) return module;
  HMODULE loaded = LoadSystemLibrary(dll->name);
  if (!loaded) {
    FailDelayImport("CVantoExeApp::LoadSystemLibrary> Cannot load %s from the system folder for %s, ErrCode = %lu",
                    dll->name, function, ::GetLastError());
  }
  // Two threads may load it at the same time: one handle is kept, the
  // other reference given back (same module, counted twice).
  void* prior = ::InterlockedCompareExchangePointer(const_cast<void**>(&dll->module), loaded, nullptr);
  if (prior) {
    ::FreeLibrary(loaded);
    return static_cast<HMODULE>(prior);
  }
  return loaded;
}
}  // namespace

extern "C" void* VantoResolveDelayImport(const VantoDelayImport* import) {
  // The caller's last error is its own business: the function it calls
  // sets its own.
  const DWORD callerError = ::GetLastError();
  HMODULE module = DllOf(import->dll, import->function);
  void* address = reinterpret_cast<void*>(::GetProcAddress(module, import->function));
  if (!address) {
    FailDelayImport("CVantoExeApp::LoadSystemLibrary> %s has no function %s, ErrCode = %lu", import->dll->name,
                    import->function, ::GetLastError());
  }
  // Any thread writes the same address; the exchange makes the write whole.
  ::InterlockedExchangePointer(const_cast<void**>(import->slot), address);
  ::SetLastError(callerError);
  return address;
}
