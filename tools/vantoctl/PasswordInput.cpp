#include "PasswordInput.h"

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace {
// Echo off for as long as it lives, when input is a terminal.
class NoEcho {
 public:
  NoEcho() {
#ifdef _WIN32
    m_input = ::GetStdHandle(STD_INPUT_HANDLE);
    m_active = ::GetConsoleMode(m_input, &m_mode) && ::SetConsoleMode(m_input, m_mode & ~ENABLE_ECHO_INPUT);
#else
    m_active = ::isatty(0) && ::tcgetattr(0, &m_mode) == 0;
    if (m_active) {
      termios quiet = m_mode;
      quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      m_active = ::tcsetattr(0, TCSANOW, &quiet) == 0;
    }
#endif
  }
  ~NoEcho() {
    if (!m_active) return;
#ifdef _WIN32
    ::SetConsoleMode(m_input, m_mode);
#else
    ::tcsetattr(0, TCSANOW, &m_mode);
#endif
    std::fputc('\n', stderr);
  }

 private:
  bool m_active = false;
#ifdef _WIN32
  HANDLE m_input = nullptr;
  DWORD m_mode = 0;
#else
  termios m_mode{};
#endif
};
}  // namespace

bool InputIsTerminal() {
#ifdef _WIN32
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
#else
  return ::isatty(0) != 0;
#endif
}

bool ReadPassword(const char* prompt, std::string& password) {
  if (InputIsTerminal()) std::fprintf(stderr, "%s", prompt);
  std::fflush(stderr);
  NoEcho quiet;
  if (!std::getline(std::cin, password)) return false;
  if (!password.empty() && password.back() == '\r') password.pop_back();
  return true;
}
