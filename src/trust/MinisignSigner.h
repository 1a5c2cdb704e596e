#pragma once
// Making keys and signatures in minisign's formats (the administrators'
// tool). The secret key file is minisign's: optionally encrypted with a
// password through scrypt, with a BLAKE2b check that tells a wrong password.
#include <array>
#include <cstdint>
#include <string>

#include "trust/MinisignFormat.h"

struct MinisignSecretKey {
  MinisignKeyId keyId{};
  std::array<uint8_t, 64> key{};  // Ed25519 secret key (seed and public key)
};

// The secret key file as stored, before any password is applied.
struct MinisignSecretKeyFile {
  bool encrypted = false;
  std::array<uint8_t, 32> salt{};
  uint64_t opsLimit = 0;
  uint64_t memLimit = 0;
  std::array<uint8_t, 104> sealed{};  // key id, secret key, check (xor-ed with the scrypt stream when encrypted)
};

bool GenerateKeyPair(MinisignSecretKey& secretKey, MinisignPublicKey& publicKey);
MinisignPublicKey PublicKeyOf(const MinisignSecretKey& secretKey);

// The cost of the password's key derivation (scrypt). New keys get
// minisign's: a second or more and 1 GiB of memory, on purpose.
struct ScryptCost {
  uint64_t opsLimit;
  uint64_t memLimit;
};
extern const ScryptCost kScryptSensitive;
extern const ScryptCost kScryptInteractive;  // cheap, for tests

// The whole secret key file; encrypted with password when it is not null.
// false when the key derivation failed (memory).
bool SecretKeyFileText(const MinisignSecretKey& secretKey, const std::string* password, std::string& text,
                       const ScryptCost& cost = kScryptSensitive);
bool ParseSecretKeyFile(const std::string& text, MinisignSecretKeyFile& file, std::string& reason);
// password is ignored for an unencrypted file. false with reason (wrong password).
bool UnlockSecretKey(const MinisignSecretKeyFile& file, const std::string& password, MinisignSecretKey& secretKey,
                     std::string& reason);

// Signs the file's bytes; the trusted comment is signed with them.
bool SignFile(const MinisignSecretKey& secretKey, const std::string& path, MinisignAlgorithm algorithm,
              const std::string& trustedComment, MinisignSignature& signature);
