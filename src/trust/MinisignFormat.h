#pragma once
// The text formats of minisign's keys and signatures, so that keys and
// signatures made by the minisign program work here and ours work there.
//
//   public key:  "untrusted comment: ..." line, then base64 of
//                "Ed" | key id (8) | Ed25519 public key (32)
//   signature:   "untrusted comment: ..." line,
//                base64 of algorithm "Ed" or "ED" | key id (8) | signature (64),
//                "trusted comment: ..." line,
//                base64 of the global signature (64) over signature | trusted comment
//
// Parsing is strict and bounded: whatever does not have exactly this shape
// is refused with a reason that names what is wrong.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

using MinisignKeyId = std::array<uint8_t, 8>;

struct MinisignPublicKey {
  MinisignKeyId keyId{};
  std::array<uint8_t, 32> key{};
};

// "Ed": Ed25519 of the file itself; "ED": Ed25519 of its BLAKE2b-512 hash.
enum class MinisignAlgorithm { Legacy, Hashed };

struct MinisignSignature {
  MinisignAlgorithm algorithm = MinisignAlgorithm::Hashed;
  MinisignKeyId keyId{};
  std::array<uint8_t, 64> signature{};
  std::string trustedComment;  // the text after "trusted comment: "
  std::array<uint8_t, 64> globalSignature{};
};

// A signature file is a few hundred bytes; minisign bounds each comment to
// 1024 bytes. Anything longer is not a signature file.
constexpr std::size_t kMaxSignatureFileSize = 4096;
constexpr std::size_t kMaxCommentSize = 1024;

// The key id as minisign shows it: 16 upper-case hex digits.
std::string KeyIdText(const MinisignKeyId& keyId);

// The base64 line ("RW...") or a whole public key file. false with reason.
bool ParsePublicKey(const std::string& text, MinisignPublicKey& key, std::string& reason);
// The contents of a .minisig file. false with reason.
bool ParseSignature(const std::string& text, MinisignSignature& signature, std::string& reason);

// The base64 line of a public key, and a whole public key file.
std::string PublicKeyLine(const MinisignPublicKey& key);
std::string PublicKeyFileText(const MinisignPublicKey& key);
// A whole .minisig file.
std::string SignatureFileText(const MinisignSignature& signature, const std::string& untrustedComment);

// Strict base64 (standard alphabet, padded), the whole text or nothing.
bool DecodeBase64(const std::string& text, uint8_t* out, std::size_t outSize);
std::string EncodeBase64(const uint8_t* data, std::size_t size);
