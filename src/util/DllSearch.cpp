#include "util/DllSearch.h"

#include <delayimp.h>

#include <cstring>
#include <string>

namespace {
// Every delay-imported DLL (cmake/DelayImports.cmake) is loaded here, from
// the system folder by its full path, whatever the process's search order.
FARPROC WINAPI LoadDelayImport(unsigned notify, PDelayLoadInfo info) {
  if (notify != dliNotePreLoadLibrary || !info) return nullptr;
  // nullptr lets the runtime try the name itself: with RestrictDllSearch in
  // effect that searches the system folder only, and fails there too.
  return reinterpret_cast<FARPROC>(LoadSystemLibrary(info->szDll));
}
}  // namespace

// The C runtime's delay-load helper asks this hook before it loads a DLL.
// Defined in the object that main reaches (RestrictDllSearch), so the
// linker takes it before the runtime's empty default.
PfnDliHook __pfnDliNotifyHook2 = LoadDelayImport;

bool HasDllSearchFlags() {
  // KB2533623 brought the flags and SetDefaultDllDirectories together.
  static const bool known =
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories") != nullptr;
  return known;
}

bool RestrictDllSearch() {
  ::SetDllDirectoryA("");
  if (!HasDllSearchFlags()) return false;
  const auto setDefault = reinterpret_cast<decltype(&::SetDefaultDllDirectories)>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
  return setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

HMODULE LoadSystemLibrary(const char* name) {
  if (!name || !*name || std::strpbrk(name, "\\/:")) return nullptr;
  char dir[MAX_PATH] = {};
  const UINT n = ::GetSystemDirectoryA(dir, sizeof(dir));
  if (n == 0 || n >= sizeof(dir)) return nullptr;
  const std::string path = std::string(dir, n) + "\\" + name;
  // Dependencies: the DLL's own folder (the system folder) first, either way.
  const DWORD flags = HasDllSearchFlags() ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH;
  return ::LoadLibraryExA(path.c_str(), nullptr, flags);
}

DWORD ComponentLoadFlags() {
  // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS would add the program's folder.
  return HasDllSearchFlags() ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
                             : LOAD_WITH_ALTERED_SEARCH_PATH;
}
