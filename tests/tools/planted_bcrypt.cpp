// Stands in for a bcrypt.dll that another user dropped into a folder
// VantoExe must never load DLLs from. Each load appends "load <program>" to
// "<own path>.calls"; the functions VantoExe hashes with pass on to the
// system's own bcrypt.dll, so a program that does load it still works and
// the test sees the load rather than a crash.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {
HMODULE g_self = nullptr;

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH * 2] = {};
  ::GetModuleFileNameA(module, path, sizeof(path) - 1);
  return path;
}

FARPROC SystemFunction(const char* name) {
  static HMODULE system = [] {
    char dir[MAX_PATH] = {};
    ::GetSystemDirectoryA(dir, sizeof(dir));
    return ::LoadLibraryExA((std::string(dir) + "\\bcrypt.dll").c_str(), nullptr, 0);
  }();
  return system ? ::GetProcAddress(system, name) : nullptr;
}

constexpr LONG kNotFound = static_cast<LONG>(0xC0000225);  // STATUS_NOT_FOUND
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_self = instance;
    const std::string line = "load " + ModulePath(nullptr) + "\n";
    if (std::FILE* file = std::fopen((ModulePath(g_self) + ".calls").c_str(), "ab")) {
      std::fwrite(line.data(), 1, line.size(), file);
      std::fclose(file);
    }
  }
  return TRUE;
}

// One exported function passed on to the system's function of that name.
#define VANTO_PASS_ON(name, params, args)                                                        \
  extern "C" __declspec(dllexport) LONG WINAPI name params {                                     \
    using Fn = LONG(WINAPI*) params;                                                             \
    const auto fn = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(SystemFunction(#name))); \
    return fn ? fn args : kNotFound;                                                             \
  }

VANTO_PASS_ON(BCryptOpenAlgorithmProvider, (void** a, const wchar_t* b, const wchar_t* c, ULONG d), (a, b, c, d))
VANTO_PASS_ON(BCryptCloseAlgorithmProvider, (void* a, ULONG b), (a, b))
VANTO_PASS_ON(BCryptGetProperty, (void* a, const wchar_t* b, UCHAR* c, ULONG d, ULONG* e, ULONG f),
              (a, b, c, d, e, f))
VANTO_PASS_ON(BCryptCreateHash, (void* a, void** b, UCHAR* c, ULONG d, UCHAR* e, ULONG f, ULONG g),
              (a, b, c, d, e, f, g))
VANTO_PASS_ON(BCryptHashData, (void* a, UCHAR* b, ULONG c, ULONG d), (a, b, c, d))
VANTO_PASS_ON(BCryptFinishHash, (void* a, UCHAR* b, ULONG c, ULONG d), (a, b, c, d))
VANTO_PASS_ON(BCryptDestroyHash, (void* a), (a))
