#include "http/InternetError.h"

#include <windows.h>

#include <cstdio>

namespace {
std::string InternetErrorText(DWORD code) {
  char text[512] = {};
  DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  ::GetModuleHandleA("wininet.dll"), code, 0, text, sizeof(text) - 1, nullptr);
  if (length == 0)
    length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                              sizeof(text) - 1, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  if (message.empty()) {
    char fallback[64];
    std::snprintf(fallback, sizeof(fallback), "Internet error %lu", static_cast<unsigned long>(code));
    message = fallback;
  }
  if (message.size() > 511) message.resize(511);
  return message;
}
}  // namespace

CInternetError::CInternetError(uint32_t errorCode)
    : m_dwErrorCode(errorCode), m_strMessage(InternetErrorText(errorCode)) {}
