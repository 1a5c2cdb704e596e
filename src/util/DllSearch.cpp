#include "util/DllSearch.h"

#include <cstring>
#include <string>

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
