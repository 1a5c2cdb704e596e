#include "http/UrlEncoding.h"

#include <cstdint>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include "util/TextConv.h"
#endif

namespace {
const size_t kMaxUnits = 2048;
const size_t kMaxEncodedBytes = 1023;

// The system ANSI code page to UTF-16, at most kMaxUnits units.
std::u16string AnsiToUtf16(const std::string& text) {
  std::u16string units;
#ifdef _WIN32
  if (text.empty()) return units;
  wchar_t buffer[kMaxUnits];
  const int count = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), buffer,
                                          static_cast<int>(kMaxUnits));
  for (int i = 0; i < count; ++i) units.push_back(static_cast<char16_t>(buffer[i]));
#else
  // Natively the program's texts are CP949.
  for (wchar_t c : Cp949ToWide(text)) {
    if (static_cast<uint32_t>(c) > 0xFFFF) {
      const uint32_t v = static_cast<uint32_t>(c) - 0x10000;
      units.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(c));
    }
  }
  if (units.size() > kMaxUnits) units.resize(kMaxUnits);
#endif
  return units;
}

void AppendEscape(std::string& out, unsigned value) {
  char escape[8];
  std::snprintf(escape, sizeof(escape), "%%%2X", value & 0xFFu);
  out += escape;
}
}  // namespace

std::string EncodeUtf16UnitsAsUtf8Escapes(const std::u16string& units) {
  std::string out;
  for (char16_t unit : units) {
    const unsigned u = unit;
    if (u <= 0x7F) {
      out.push_back(static_cast<char>(u));
    } else if (u <= 0x7FF) {
      AppendEscape(out, 0xC0 + u / 64);
      AppendEscape(out, 0x80 + u % 64);
    } else {
      AppendEscape(out, 0xE0 + u / 4096);
      AppendEscape(out, 0x80 + (u / 64) % 64);
      AppendEscape(out, 0x80 + u % 64);
    }
  }
  if (out.size() > kMaxEncodedBytes) out.resize(kMaxEncodedBytes);
  return out;
}

std::string EncodeUrlUtf8(const std::string& objectName, int encodeFlag) {
  if (encodeFlag == 0) return objectName;
  return EncodeUtf16UnitsAsUtf8Escapes(AnsiToUtf16(objectName));
}
