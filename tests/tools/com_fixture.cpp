// Test COM server for the registration tests, built in three variants:
//   VANTO_COM_REGISTERS  DllRegisterServer writes the value "<own path>" =
//                        "<loading program's file name>" under
//                        HKCU\Software\VantoTest\ComServers and returns S_OK;
//   VANTO_COM_FAILS      DllRegisterServer sets the last error to 5
//                        (access denied) and returns E_FAIL;
//   neither              no DllRegisterServer at all;
//   VANTO_COM_DEPENDS    (with VANTO_COM_REGISTERS) also imports
//                        vanto_com_helper.dll, which lies beside it.
// Every variant appends a line to "<own path>.calls" when it is loaded
// ("load <program>") and when DllRegisterServer runs ("register <program>"),
// so tests see which route (in process, regsvr32.exe) reached it.
#include <windows.h>

#include <cstdio>
#include <string>

#if defined(VANTO_COM_DEPENDS)
extern "C" __declspec(dllimport) int VantoComHelperValue();
#endif

namespace {
HMODULE g_self = nullptr;

std::string OwnPath() {
  char path[MAX_PATH * 2] = {};
  ::GetModuleFileNameA(g_self, path, sizeof(path) - 1);
  return path;
}

std::string ProgramName() {
  char path[MAX_PATH * 2] = {};
  ::GetModuleFileNameA(nullptr, path, sizeof(path) - 1);
  const std::string full(path);
  const size_t slash = full.find_last_of("\\/");
  return slash == std::string::npos ? full : full.substr(slash + 1);
}

void Record(const char* what) {
  const std::string line = std::string(what) + " " + ProgramName() + "\n";
  if (std::FILE* file = std::fopen((OwnPath() + ".calls").c_str(), "ab")) {
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
  }
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_self = instance;
    Record("load");
  }
  return TRUE;
}

#if defined(VANTO_COM_REGISTERS)
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\VantoTest\\ComServers", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
    Record("register");
    return E_FAIL;
  }
#if defined(VANTO_COM_DEPENDS)
  if (VantoComHelperValue() != 42) return E_FAIL;
#endif
  const std::string program = ProgramName();
  const LONG r = ::RegSetValueExA(key, OwnPath().c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(program.c_str()),
                                  static_cast<DWORD>(program.size() + 1));
  ::RegCloseKey(key);
  // Noted once the value is there: tests that see the line find the value.
  Record("register");
  return r == ERROR_SUCCESS ? S_OK : E_FAIL;
}
#elif defined(VANTO_COM_FAILS)
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
  Record("register");
  ::SetLastError(ERROR_ACCESS_DENIED);
  return E_FAIL;
}
#endif
