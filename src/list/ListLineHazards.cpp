#include "list/ListLineHazards.h"

#include <cstdio>

namespace {
bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

std::string Hex(unsigned char c) {
  char text[8];
  std::snprintf(text, sizeof(text), "0x%02X", c);
  return text;
}
}  // namespace

std::string DescribeControlCharacterIn(const std::string& text) {
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (!IsControl(c)) continue;
    switch (c) {
      case '\n': return "a line feed (0x0A)";
      case '\r': return "a carriage return (0x0D)";
      case 0x1A: return "a Ctrl-Z (0x1A), which ends the list for clients";
      default: return "a control character (" + Hex(c) + ")";
    }
  }
  return std::string();
}

std::string ShowControlCharacters(const std::string& text) {
  std::string shown;
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (IsControl(c)) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\x%02X", c);
      shown += escaped;
    } else {
      shown += ch;
    }
  }
  return shown;
}
