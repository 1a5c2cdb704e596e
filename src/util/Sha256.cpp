#include <cstdio>
#include <vector>

#include "util/FileOwner.h"
#include "util/Sha256.h"

namespace {
// Large enough to keep the number of reads low, small enough to stay off the
// stack of the dialog thread's callers.
constexpr size_t kDigestReadSize = 64 * 1024;

}  // namespace

bool Sha256OfFile(const std::string& path, std::string& hexDigest) {
  UniqueFile file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  CSha256 hash;
  if (!hash.IsReady()) return false;
  std::vector<unsigned char> buffer(kDigestReadSize);
  for (;;) {
    const size_t read = std::fread(buffer.data(), 1, buffer.size(), file.get());
    if (read > 0 && !hash.Update(buffer.data(), read)) return false;
    if (read < buffer.size()) break;
  }
  if (std::ferror(file.get())) return false;
  return hash.Finish(hexDigest);
}

std::string Sha256OfText(const std::string& text) {
  CSha256 hash;
  std::string digest;
  if (!hash.Update(text.data(), text.size()) || !hash.Finish(digest)) return std::string();
  return digest;
}

bool IsSha256Hex(const std::string& text) {
  if (text.size() != 64) return false;
  for (char c : text) {
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hex) return false;
  }
  return true;
}

std::string LowerHex(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::string HexOfBytes(const unsigned char* bytes, size_t size) {
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  text.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    text.push_back(kHex[bytes[i] >> 4]);
    text.push_back(kHex[bytes[i] & 15]);
  }
  return text;
}
