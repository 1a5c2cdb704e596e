// A .minisig and a public key as a server or an INI file may hand them over:
// parsing must refuse what it cannot read, and verification of whatever
// parses must end with a verdict, never a crash. The first byte picks how
// the rest is read.
#include <cstdint>
#include <string>

#include "trust/MinisignFormat.h"
#include "trust/SignatureVerifier.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string reason;
  if (data[0] & 1) {
    MinisignPublicKey key;
    if (ParsePublicKey(text, key, reason)) PublicKeyLine(key);
    return 0;
  }
  MinisignSignature signature;
  if (!ParseSignature(text, signature, reason)) return 0;
  MinisignPublicKey key;
  key.keyId = signature.keyId;
  VerifySignedBytes(key, signature, text);
  ParseTrustedComment(signature.trustedComment);
  SignatureFileText(signature, "fuzz");
  return 0;
}
