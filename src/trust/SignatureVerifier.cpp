#include "trust/SignatureVerifier.h"

#include <sodium.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "trust/SodiumInit.h"

namespace {
constexpr uint64_t kMaxLegacyFileSize = 1ull << 30;
constexpr std::size_t kBlockSize = 64 * 1024;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

bool VerifyDetached(const uint8_t* signature, const uint8_t* message, std::size_t size,
                    const MinisignPublicKey& key) {
  return crypto_sign_verify_detached(signature, message, size, key.key.data()) == 0;
}

// The global signature covers the file's signature and the trusted comment.
bool VerifyGlobal(const MinisignPublicKey& key, const MinisignSignature& signature) {
  std::vector<uint8_t> signed_(signature.signature.begin(), signature.signature.end());
  signed_.insert(signed_.end(), signature.trustedComment.begin(), signature.trustedComment.end());
  return VerifyDetached(signature.globalSignature.data(), signed_.data(), signed_.size(), key);
}

SignatureFault Finish(const MinisignPublicKey& key, const MinisignSignature& signature, bool fileMatches) {
  if (!fileMatches) return SignatureFault::FileMismatch;
  if (!VerifyGlobal(key, signature)) return SignatureFault::CommentMismatch;
  return SignatureFault::None;
}
}  // namespace

const char* SignatureFaultText(SignatureFault fault) {
  switch (fault) {
    case SignatureFault::None: return "signature valid";
    case SignatureFault::OtherKey: return "signed with another key";
    case SignatureFault::FileMismatch: return "signature does not match the file";
    case SignatureFault::CommentMismatch: return "trusted comment does not match its signature";
    case SignatureFault::FileUnreadable: return "signed file could not be read";
  }
  return "unknown";
}

SignatureFault VerifySignedBytes(const MinisignPublicKey& key, const MinisignSignature& signature,
                                 const std::string& bytes) {
  if (!EnsureSodium()) return SignatureFault::FileUnreadable;
  if (signature.keyId != key.keyId) return SignatureFault::OtherKey;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  if (signature.algorithm == MinisignAlgorithm::Legacy)
    return Finish(key, signature, VerifyDetached(signature.signature.data(), data, bytes.size(), key));
  uint8_t hash[crypto_generichash_BYTES_MAX];
  crypto_generichash(hash, sizeof hash, data, bytes.size(), nullptr, 0);
  return Finish(key, signature, VerifyDetached(signature.signature.data(), hash, sizeof hash, key));
}

SignatureFault VerifySignedFile(const MinisignPublicKey& key, const MinisignSignature& signature,
                                const std::string& path) {
  if (!EnsureSodium()) return SignatureFault::FileUnreadable;
  if (signature.keyId != key.keyId) return SignatureFault::OtherKey;
  UniqueFile file(std::fopen(path.c_str(), "rb"));
  if (!file) return SignatureFault::FileUnreadable;
  std::vector<uint8_t> block(kBlockSize);
  if (signature.algorithm == MinisignAlgorithm::Legacy) {
    std::string bytes;
    std::size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), file.get())) > 0) {
      if (bytes.size() + got > kMaxLegacyFileSize) return SignatureFault::FileUnreadable;
      bytes.append(reinterpret_cast<const char*>(block.data()), got);
    }
    if (std::ferror(file.get())) return SignatureFault::FileUnreadable;
    return VerifySignedBytes(key, signature, bytes);
  }
  crypto_generichash_state state;
  crypto_generichash_init(&state, nullptr, 0, crypto_generichash_BYTES_MAX);
  std::size_t got;
  while ((got = std::fread(block.data(), 1, block.size(), file.get())) > 0)
    crypto_generichash_update(&state, block.data(), got);
  if (std::ferror(file.get())) return SignatureFault::FileUnreadable;
  uint8_t hash[crypto_generichash_BYTES_MAX];
  crypto_generichash_final(&state, hash, sizeof hash);
  return Finish(key, signature, VerifyDetached(signature.signature.data(), hash, sizeof hash, key));
}

TrustedCommentFields ParseTrustedComment(const std::string& comment) {
  TrustedCommentFields fields;
  std::size_t start = 0;
  while (start <= comment.size()) {
    std::size_t end = comment.find('\t', start);
    if (end == std::string::npos) end = comment.size();
    const std::string field = comment.substr(start, end - start);
    if (field.compare(0, 10, "timestamp:") == 0 && !fields.hasTimestamp) {
      const std::string digits = field.substr(10);
      // Up to 19 digits always fit; anything else is no timestamp.
      bool ok = !digits.empty() && digits.size() <= 19;
      for (char c : digits) ok = ok && c >= '0' && c <= '9';
      if (ok) {
        fields.hasTimestamp = true;
        fields.timestamp = std::strtoull(digits.c_str(), nullptr, 10);
      }
    } else if (field.compare(0, 5, "file:") == 0 && !fields.hasFile) {
      fields.hasFile = true;
      fields.file = field.substr(5);
    }
    start = end + 1;
  }
  return fields;
}
