#include "handlers/WinRegistrationPlatform.h"

#include <windows.h>
#include <ole2.h>

#include <cstdint>

#include "handlers/ShellLaunch.h"
#include "handlers/ZipExtraction.h"
#include "util/DllSearch.h"
#include "util/LogIfOpen.h"
#include "util/WinHandles.h"

namespace {
const char kLoadLibrary[] = "CVantoExeDlg::ProcessRegistryFileByLoadLibrary> ";

// DllRegisterServer is STDAPI: __stdcall on 32-bit Windows. Calling it
// through a pointer of another convention corrupts the stack there.
using DllRegisterServerFn = HRESULT(STDAPICALLTYPE*)();

std::string Trimmed(const char* text) {
  const std::string s(text);
  const char* blanks = " \t\r\n";
  const size_t first = s.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}
}  // namespace

int ProcessRegistryFileByLoadLibrary(const FileItem* item) {
  if (!item || item->m_strLocalPath.empty()) {
    LogIfOpen(LOG_ERROR, "%sThe file path is unknown.", kLoadLibrary);
    return 0;
  }
  const char* path = item->m_strLocalPath.c_str();
  // The component's own dependencies beside it still resolve; nothing comes
  // from the program's folder or the current folder.
  HMODULE loaded = ::LoadLibraryExA(path, nullptr, ComponentLoadFlags());
  if (reinterpret_cast<uintptr_t>(loaded) < 32) {
    LogIfOpen(LOG_ERROR, "%sLoadLibraryEx() is failed. >> ('%s')", kLoadLibrary, path);
    return -1;
  }
  UniqueHModule module(loaded);
  const FARPROC proc = ::GetProcAddress(module.get(), "DllRegisterServer");
  if (!proc) {
    module.reset();
    LogIfOpen(LOG_ERROR, "%sDllRegisterServer EntryPoint is NULL. >> ('%s')", kLoadLibrary, path);
    return -2;
  }
  // Through a plain function pointer type first: FARPROC's own signature differs.
  const auto registerServer = reinterpret_cast<DllRegisterServerFn>(reinterpret_cast<void (*)()>(proc));
  const HRESULT hr = registerServer();
  const DWORD error = ::GetLastError();
  module.reset();
  if (SUCCEEDED(hr)) return 1;

  char text[512] = {};
  const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof(text) - 1, nullptr);
  const unsigned long result = static_cast<unsigned long>(hr);
  if (n == 0) {
    LogIfOpen(LOG_ERROR, "%sError 'DllRegisterServer'.(Return='%lx') >> ('%s') (LastErrorCode='%lx')", kLoadLibrary,
              result, path, static_cast<unsigned long>(error));
  } else {
    LogIfOpen(LOG_ERROR, "%sError 'DllRegisterServer'.(Return='%lx') >> ('%s') (LastErrorCode='%lx', ErrorText='%s')",
              kLoadLibrary, result, path, static_cast<unsigned long>(error), Trimmed(text).c_str());
  }
  return -3;
}

void CWinRegistrationPlatform::KeepLastError() { m_dwLastError = ::GetLastError(); }

bool CWinRegistrationPlatform::Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CWinRegistrationPlatform::ChangeCurrentDirectory(const std::string& dir) {
  const bool changed = ::SetCurrentDirectoryA(dir.c_str()) != FALSE;
  if (!changed) KeepLastError();
  return changed;
}

unsigned CWinRegistrationPlatform::RunHidden(const std::string& commandLine) {
  const UINT r = ::WinExec(commandLine.c_str(), SW_HIDE);
  if (!WinExecStarted(r)) KeepLastError();
  return r;
}

std::string CWinRegistrationPlatform::LastErrorText() {
  ::SetLastError(m_dwLastError);
  return LogLastErrorIfOpen();
}

bool CWinRegistrationPlatform::OleInitialize() { return SUCCEEDED(::OleInitialize(nullptr)); }

void CWinRegistrationPlatform::OleUninitialize() { ::OleUninitialize(); }

int CWinRegistrationPlatform::ProcessRegistryFileByLoadLibrary(const FileItem* item) {
  return ::ProcessRegistryFileByLoadLibrary(item);
}

LaunchResult CWinRegistrationPlatform::StartExeFileByShellExecute(const std::string& program,
                                                                  const std::string& parameters, int wait,
                                                                  unsigned long& exitCode) {
  const LaunchResult r = ::StartExeFileByShellExecute(program, parameters, wait, &exitCode);
  if (r != LAUNCH_STARTED) KeepLastError();
  return r;
}

bool CWinRegistrationPlatform::WindowsDirectory(std::string& dir) {
  char buffer[512] = {};
  const UINT n = ::GetWindowsDirectoryA(buffer, sizeof(buffer));
  if (n == 0 || n >= sizeof(buffer)) {
    KeepLastError();
    return false;
  }
  dir.assign(buffer, n);
  return true;
}

std::vector<FoundFile> CWinRegistrationPlatform::FindFiles(const std::string& pattern) {
  std::vector<FoundFile> found;
  WIN32_FIND_DATAA data;
  UniqueFindHandle find(::FindFirstFileA(pattern.c_str(), &data));
  if (!find) return found;
  do {
    found.push_back({data.cFileName, data.dwFileAttributes});
  } while (::FindNextFileA(find.get(), &data));
  return found;
}

bool CWinRegistrationPlatform::RemoveFile(const std::string& path) {
  const bool removed = ::DeleteFileA(path.c_str()) != FALSE;
  if (!removed) KeepLastError();
  return removed;
}

int CWinRegistrationPlatform::ProcessZipFile(const FileItem& item, std::vector<std::string>* extracted) {
  return ::ProcessZipFile(item, extracted);
}
