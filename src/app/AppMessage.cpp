#include "app/AppMessage.h"

#include "util/TextConv.h"

int ShowAppMessage(const std::string& text, UINT type) {
  return ::MessageBoxW(nullptr, Cp949ToWide(text).c_str(), L"VantoExe", type);
}

std::string GetSystemErrorText(DWORD code) {
  char buffer[512];
  const DWORD length =
      ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof(buffer), nullptr);
  if (length == 0) return std::string();
  std::string text(buffer, length < sizeof(buffer) ? length : sizeof(buffer) - 1);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}
