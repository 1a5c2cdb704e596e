// Test tool: drives the program under test from the same Wine prefix.
//   msgbox   <folder> <timeout-ms> <ok|yes|no|cancel|none>
//       waits for a message box (#32770) of a process whose program file
//       lies below <folder>, prints its text (UTF-8) and clicks the button.
//   waitgone <folder> <timeout-ms>   waits until no process runs from <folder>
//   list     <folder>                prints "pid path" of those processes
//   kill     <folder>                terminates them
//   click    <folder> <timeout-ms> <control-id>
//       waits for the progress dialog (class VantoExeDlg) of a process below
//       <folder> and clicks the button with that id
//   rows     <folder> <timeout-ms>
//       waits for the progress dialog of a process below <folder> and prints
//       the text of every row of its message list, one per line (UTF-8)
// Buttons are clicked as a user can click them: only when visible and
// enabled (otherwise exit code 3 and a line on standard error), with
// BM_CLICK, so that the button itself sends its command.
//   desktop  -                       makes sure the prefix's desktop runs
//   spawn    <exe> <tail-file>       starts exe with the command-line tail
//       read from tail-file (CP949 bytes), prints the pid, does not wait
// Exit code 0 done, 2 time-out or nothing found, 1 bad usage or failure,
// 3 the button is hidden or disabled.
#include <windows.h>
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {
struct ProcessInfo {
  DWORD pid;
  std::wstring path;
};

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(::towlower(c));
  return text;
}

std::wstring ImagePath(DWORD pid) {
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return std::wstring();
  wchar_t path[1024];
  DWORD size = 1024;
  std::wstring result;
  if (::QueryFullProcessImageNameW(process, 0, path, &size)) result.assign(path, size);
  ::CloseHandle(process);
  return result;
}

bool Below(const std::wstring& path, const std::wstring& folder) {
  std::wstring prefix = Lower(folder);
  if (!prefix.empty() && prefix.back() != L'\\') prefix += L'\\';
  return Lower(path).compare(0, prefix.size(), prefix) == 0;
}

std::vector<ProcessInfo> ProcessesBelow(const std::wstring& folder) {
  std::vector<ProcessInfo> found;
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return found;
  PROCESSENTRY32W entry;
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == ::GetCurrentProcessId()) continue;
    const std::wstring path = ImagePath(entry.th32ProcessID);
    if (!path.empty() && Below(path, folder)) found.push_back({entry.th32ProcessID, path});
  }
  ::CloseHandle(snapshot);
  return found;
}

void WriteUtf8(const std::wstring& text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

struct BoxSearch {
  std::wstring folder;
  const wchar_t* className = L"#32770";
  HWND found = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  BoxSearch* search = reinterpret_cast<BoxSearch*>(param);
  wchar_t className[64];
  if (!::GetClassNameW(window, className, 64) || std::wcscmp(className, search->className) != 0) return TRUE;
  if (!::IsWindowVisible(window)) return TRUE;
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  if (!Below(ImagePath(pid), search->folder)) return TRUE;
  search->found = window;
  return FALSE;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM param) {
  std::wstring* text = reinterpret_cast<std::wstring*>(param);
  wchar_t className[64];
  if (!::GetClassNameW(child, className, 64) || ::lstrcmpiW(className, L"Static") != 0) return TRUE;
  wchar_t buffer[4096];
  const int length = ::GetWindowTextW(child, buffer, 4096);
  if (length > 0) {
    if (!text->empty()) text->push_back(L'\n');
    text->append(buffer, length);
  }
  return TRUE;
}

int ButtonId(const wchar_t* name) {
  if (::lstrcmpiW(name, L"ok") == 0) return IDOK;
  if (::lstrcmpiW(name, L"yes") == 0) return IDYES;
  if (::lstrcmpiW(name, L"no") == 0) return IDNO;
  if (::lstrcmpiW(name, L"cancel") == 0) return IDCANCEL;
  return 0;
}

int ClickButton(HWND parent, int id, DWORD timeoutMs) {
  HWND button = ::GetDlgItem(parent, id);
  if (!button) {
    std::fprintf(stderr, "no button %d\n", id);
    return 3;
  }
  if (!::IsWindowVisible(button) || !::IsWindowEnabled(button)) {
    std::fprintf(stderr, "button %d is %s\n", id, ::IsWindowVisible(button) ? "disabled" : "hidden");
    return 3;
  }
  // Sent, not posted: the click has been handled when this returns.
  DWORD_PTR answer = 0;
  return ::SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, timeoutMs, &answer) ? 0 : 2;
}

int MessageBoxCommand(const std::wstring& folder, DWORD timeoutMs, const wchar_t* button) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    BoxSearch search;
    search.folder = folder;
    ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      ::Sleep(200);  // let the box finish its initialisation
      std::wstring text;
      ::EnumChildWindows(search.found, CollectStatic, reinterpret_cast<LPARAM>(&text));
      WriteUtf8(text);
      const int id = ButtonId(button);
      return id != 0 ? ClickButton(search.found, id, timeoutMs) : 0;
    }
    if (::GetTickCount() - start > timeoutMs) return 2;
    ::Sleep(100);
  }
}

HWND WaitForDialog(const std::wstring& folder, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    BoxSearch search;
    search.folder = folder;
    search.className = L"VantoExeDlg";
    ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    if (search.found || ::GetTickCount() - start > timeoutMs) return search.found;
    ::Sleep(100);
  }
}

int ClickCommand(const std::wstring& folder, DWORD timeoutMs, int controlId) {
  HWND dialog = WaitForDialog(folder, timeoutMs);
  return dialog ? ClickButton(dialog, controlId, timeoutMs) : 2;
}

// The list view lives in another process: the item and its text buffer are
// placed in that process's memory for each request.
int RowsCommand(const std::wstring& folder, DWORD timeoutMs) {
  HWND dialog = WaitForDialog(folder, timeoutMs);
  HWND list = dialog ? ::GetDlgItem(dialog, 1005) : nullptr;
  if (!list) return 2;
  DWORD pid = 0;
  ::GetWindowThreadProcessId(list, &pid);
  HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return 1;
  const SIZE_T textChars = 2048;
  void* remote = ::VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + textChars * sizeof(wchar_t),
                                  MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  int rc = remote ? 0 : 1;
  const int count = remote ? static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
  for (int row = 0; row < count && rc == 0; ++row) {
    LVITEMW item = {};
    item.iSubItem = 1;
    item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(LVITEMW));
    item.cchTextMax = static_cast<int>(textChars);
    std::vector<wchar_t> text(textChars, L'\0');
    SIZE_T done = 0;
    if (!::WriteProcessMemory(process, remote, &item, sizeof(item), &done) ||
        !::WriteProcessMemory(process, item.pszText, text.data(), sizeof(wchar_t), &done)) {
      rc = 1;
      break;
    }
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
    if (!::ReadProcessMemory(process, item.pszText, text.data(), textChars * sizeof(wchar_t), &done)) rc = 1;
    text.back() = L'\0';
    WriteUtf8(std::wstring(text.data()) + L"\n");
  }
  if (remote) ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  ::CloseHandle(process);
  return rc;
}

int WaitGoneCommand(const std::wstring& folder, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  while (!ProcessesBelow(folder).empty()) {
    if (::GetTickCount() - start > timeoutMs) return 2;
    ::Sleep(100);
  }
  return 0;
}

int ListCommand(const std::wstring& folder, bool kill) {
  const std::vector<ProcessInfo> processes = ProcessesBelow(folder);
  for (const ProcessInfo& p : processes) {
    WriteUtf8(std::to_wstring(p.pid) + L" " + p.path + L"\n");
    if (kill) {
      HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, p.pid);
      if (process) {
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, 5000);
        ::CloseHandle(process);
      }
    }
  }
  return processes.empty() ? 2 : 0;
}

int SpawnCommand(const std::wstring& exe, const std::wstring& tailFile) {
  HANDLE file = ::CreateFileW(tailFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  std::string tail(65536, '\0');
  DWORD read = 0;
  ::ReadFile(file, &tail[0], static_cast<DWORD>(tail.size()), &read, nullptr);
  ::CloseHandle(file);
  tail.resize(read);
  std::wstring wideTail(tail.size() + 1, L'\0');
  const int length = ::MultiByteToWideChar(949, 0, tail.data(), static_cast<int>(tail.size()), &wideTail[0],
                                           static_cast<int>(wideTail.size()));
  wideTail.resize(length > 0 ? static_cast<size_t>(length) : 0);
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!wideTail.empty()) commandLine += L" " + wideTail;
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  std::wstring dir = exe.substr(0, exe.rfind(L'\\'));
  if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) {
    std::fprintf(stderr, "CreateProcess failed: %lu\n", ::GetLastError());
    return 1;
  }
  WriteUtf8(std::to_wstring(pi.dwProcessId) + L"\n");
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return 0;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 3) return 1;
  const std::wstring command = argv[1];
  if (command == L"msgbox" && argc >= 5) return MessageBoxCommand(argv[2], std::wcstoul(argv[3], nullptr, 10), argv[4]);
  if (command == L"waitgone" && argc >= 4) return WaitGoneCommand(argv[2], std::wcstoul(argv[3], nullptr, 10));
  if (command == L"list") return ListCommand(argv[2], false);
  if (command == L"kill") return ListCommand(argv[2], true);
  if (command == L"click" && argc >= 5)
    return ClickCommand(argv[2], std::wcstoul(argv[3], nullptr, 10), static_cast<int>(std::wcstol(argv[4], nullptr, 10)));
  if (command == L"rows" && argc >= 4) return RowsCommand(argv[2], std::wcstoul(argv[3], nullptr, 10));
  if (command == L"desktop") return ::GetDesktopWindow() ? 0 : 1;
  if (command == L"spawn" && argc >= 4) return SpawnCommand(argv[2], argv[3]);
  return 1;
}
