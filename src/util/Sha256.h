#pragma once
// SHA-256 through the platform's crypto library: the Windows crypto API
// (BCrypt) in the Windows builds, OpenSSL's libcrypto natively. Digests are
// written as 64 lower-case hex digits.
#include <cstddef>
#include <memory>
#include <string>

class CSha256 {
 public:
  CSha256();
  ~CSha256();
  CSha256(const CSha256&) = delete;
  CSha256& operator=(const CSha256&) = delete;

  // False when the crypto library could not set up a hash; Update and
  // Finish then fail too.
  bool IsReady() const;
  bool Update(const void* data, size_t size);
  // The digest of everything given so far; the object is spent afterwards.
  bool Finish(std::string& hexDigest);

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

// Reads the file in fixed blocks (never the whole file at once); false when
// it cannot be opened or read, or the crypto library fails.
bool Sha256OfFile(const std::string& path, std::string& hexDigest);

// The digest of a text in memory (tests, small texts).
std::string Sha256OfText(const std::string& text);

// True for exactly 64 hex digits of either case.
bool IsSha256Hex(const std::string& text);
// Lower-case copy of a hex text.
std::string LowerHex(std::string text);
// Bytes as lower-case hex digits (the platform halves use it).
std::string HexOfBytes(const unsigned char* bytes, size_t size);
