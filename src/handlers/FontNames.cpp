#include "handlers/FontNames.h"

#include "util/PathText.h"

const char* const kFontKeyWow64 = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Fonts\\";
const char* const kFontKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts\\";

const char* FontRegistryKeyFor(bool hasSysWow64Folder) { return hasSysWow64Folder ? kFontKeyWow64 : kFontKey; }

std::string FontFileNameOf(const std::string& localPath) {
  return NameOfPath(localPath);
}

std::string FontValueNameOf(const std::string& fontFileName) {
  const std::string::size_type dot = fontFileName.rfind('.');
  if (dot == std::string::npos || dot == 0) return fontFileName;
  return fontFileName.substr(0, dot);
}

namespace {
bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
unsigned char FoldAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }
}  // namespace

bool EqualsIgnoringCaseCp949(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::string::size_type i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (IsLeadByte(x) && i + 1 < a.size()) {
      // The second byte of a Korean character may look like a Latin letter.
      if (x != y || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (FoldAscii(x) != FoldAscii(y)) return false;
  }
  return true;
}

bool IsFontRecorded(const std::vector<std::string>& recorded, const std::string& data) {
  for (const std::string& text : recorded)
    if (EqualsIgnoringCaseCp949(text, data)) return true;
  return false;
}
