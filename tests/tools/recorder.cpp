// Test program that stands in for programs VantoExe starts (EXE entries,
// RegAsm.exe, ...). Each start appends one record to "<own path>.rec":
//   start=<local time> pid=<pid>
//   cmdline=<the command line exactly as received>
//   cwd=<working folder>
//   arg1=... argN=...
//   end=<local time> exit=<code>     (written when it ends)
//   --
// Options among the arguments (still recorded): --sleep=MS waits before
// ending, --exit=N ends with code N.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
std::string Now() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  char text[64];
  std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond, t.wMilliseconds);
  return text;
}

void Append(const std::string& path, const std::string& text) {
  // Several copies may run at once: one write per call, in append mode.
  if (std::FILE* file = std::fopen(path.c_str(), "ab")) {
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }
}
}  // namespace

int main(int argc, char** argv) {
  char self[MAX_PATH * 2] = {};
  ::GetModuleFileNameA(nullptr, self, sizeof(self) - 1);
  char cwd[MAX_PATH * 2] = {};
  ::GetCurrentDirectoryA(sizeof(cwd) - 1, cwd);
  const std::string record = std::string(self) + ".rec";

  int sleepMs = 0;
  int exitCode = 0;
  std::string text = "start=" + Now() + " pid=" + std::to_string(::GetCurrentProcessId()) + "\n";
  text += std::string("cmdline=") + ::GetCommandLineA() + "\n";
  text += std::string("cwd=") + cwd + "\n";
  for (int i = 1; i < argc; ++i) {
    text += "arg" + std::to_string(i) + "=" + argv[i] + "\n";
    if (std::strncmp(argv[i], "--sleep=", 8) == 0) sleepMs = std::atoi(argv[i] + 8);
    if (std::strncmp(argv[i], "--exit=", 7) == 0) exitCode = std::atoi(argv[i] + 7);
  }
  Append(record, text);
  if (sleepMs > 0) ::Sleep(static_cast<DWORD>(sleepMs));
  Append(record, "end=" + Now() + " exit=" + std::to_string(exitCode) + "\n--\n");
  return exitCode;
}
