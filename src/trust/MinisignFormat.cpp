#include "trust/MinisignFormat.h"

#include <sodium.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "trust/SodiumInit.h"

namespace {
const char kUntrusted[] = "untrusted comment: ";
const char kTrusted[] = "trusted comment: ";
constexpr std::size_t kPublicKeySize = 2 + 8 + 32;
constexpr std::size_t kSignatureLineSize = 2 + 8 + 64;

bool StartsWith(const std::string& text, const char* prefix) { return text.compare(0, std::strlen(prefix), prefix) == 0; }

// Splits at "\n", dropping one "\r" before it; a last line without "\n"
// counts as a line.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string Trim(const std::string& text) {
  const char* space = " \t\r\n";
  const std::size_t first = text.find_first_not_of(space);
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(space) - first + 1);
}
}  // namespace

std::string KeyIdText(const MinisignKeyId& keyId) {
  char text[17];
  for (int i = 0; i < 8; ++i) std::snprintf(text + 2 * i, 3, "%02X", keyId[7 - i]);
  return std::string(text, 16);
}

bool DecodeBase64(const std::string& text, uint8_t* out, std::size_t outSize) {
  if (!EnsureSodium()) return false;
  // The encoded length of outSize bytes, so that a longer text cannot fit.
  if (text.size() != sodium_base64_ENCODED_LEN(outSize, sodium_base64_VARIANT_ORIGINAL) - 1) return false;
  std::size_t written = 0;
  const char* end = nullptr;
  if (sodium_base642bin(out, outSize, text.data(), text.size(), nullptr, &written, &end,
                        sodium_base64_VARIANT_ORIGINAL) != 0)
    return false;
  return written == outSize && end == text.data() + text.size();
}

std::string EncodeBase64(const uint8_t* data, std::size_t size) {
  EnsureSodium();
  std::vector<char> text(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL));
  sodium_bin2base64(text.data(), text.size(), data, size, sodium_base64_VARIANT_ORIGINAL);
  return std::string(text.data());
}

bool ParsePublicKey(const std::string& text, MinisignPublicKey& key, std::string& reason) {
  if (text.size() > kMaxSignatureFileSize) {
    reason = "public key text too long";
    return false;
  }
  // A whole key file: the key is the line after the untrusted comment.
  std::string line = Trim(text);
  const std::vector<std::string> lines = SplitLines(line);
  if (lines.size() >= 2 && StartsWith(lines[0], kUntrusted)) line = Trim(lines[1]);
  else if (lines.size() != 1) {
    reason = "public key is not one base64 line";
    return false;
  }
  uint8_t raw[kPublicKeySize];
  if (!DecodeBase64(line, raw, sizeof raw)) {
    reason = "public key is not valid base64 of 42 bytes";
    return false;
  }
  if (raw[0] != 'E' || raw[1] != 'd') {
    reason = "public key of an unknown algorithm";
    return false;
  }
  std::copy(raw + 2, raw + 10, key.keyId.begin());
  std::copy(raw + 10, raw + kPublicKeySize, key.key.begin());
  return true;
}

bool ParseSignature(const std::string& text, MinisignSignature& signature, std::string& reason) {
  if (text.size() > kMaxSignatureFileSize) {
    reason = "signature file larger than 4096 bytes";
    return false;
  }
  if (text.find('\0') != std::string::npos) {
    reason = "signature file holds a NUL byte";
    return false;
  }
  std::vector<std::string> lines = SplitLines(text);
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  if (lines.empty() || !StartsWith(lines[0], kUntrusted)) {
    reason = "no untrusted comment line";
    return false;
  }
  if (lines.size() < 2) {
    reason = "no signature line";
    return false;
  }
  uint8_t raw[kSignatureLineSize];
  if (!DecodeBase64(lines[1], raw, sizeof raw)) {
    reason = "signature line is not valid base64 of 74 bytes";
    return false;
  }
  if (raw[0] == 'E' && raw[1] == 'd') signature.algorithm = MinisignAlgorithm::Legacy;
  else if (raw[0] == 'E' && raw[1] == 'D') signature.algorithm = MinisignAlgorithm::Hashed;
  else {
    reason = "signature of an unknown algorithm";
    return false;
  }
  std::copy(raw + 2, raw + 10, signature.keyId.begin());
  std::copy(raw + 10, raw + kSignatureLineSize, signature.signature.begin());
  if (lines.size() < 4) {
    reason = "no trusted comment and global signature";
    return false;
  }
  if (lines.size() > 4) {
    reason = "text after the global signature";
    return false;
  }
  if (!StartsWith(lines[2], kTrusted)) {
    reason = "third line is not a trusted comment";
    return false;
  }
  signature.trustedComment = lines[2].substr(std::strlen(kTrusted));
  if (signature.trustedComment.size() > kMaxCommentSize) {
    reason = "trusted comment longer than 1024 bytes";
    return false;
  }
  if (!DecodeBase64(lines[3], signature.globalSignature.data(), signature.globalSignature.size())) {
    reason = "global signature is not valid base64 of 64 bytes";
    return false;
  }
  return true;
}

std::string PublicKeyLine(const MinisignPublicKey& key) {
  uint8_t raw[kPublicKeySize] = {'E', 'd'};
  std::copy(key.keyId.begin(), key.keyId.end(), raw + 2);
  std::copy(key.key.begin(), key.key.end(), raw + 10);
  return EncodeBase64(raw, sizeof raw);
}

std::string PublicKeyFileText(const MinisignPublicKey& key) {
  return std::string(kUntrusted) + "minisign public key " + KeyIdText(key.keyId) + "\n" + PublicKeyLine(key) + "\n";
}

std::string SignatureFileText(const MinisignSignature& signature, const std::string& untrustedComment) {
  uint8_t raw[kSignatureLineSize] = {'E', signature.algorithm == MinisignAlgorithm::Hashed ? uint8_t('D') : uint8_t('d')};
  std::copy(signature.keyId.begin(), signature.keyId.end(), raw + 2);
  std::copy(signature.signature.begin(), signature.signature.end(), raw + 10);
  return std::string(kUntrusted) + untrustedComment + "\n" + EncodeBase64(raw, sizeof raw) + "\n" + kTrusted +
         signature.trustedComment + "\n" +
         EncodeBase64(signature.globalSignature.data(), signature.globalSignature.size()) + "\n";
}
