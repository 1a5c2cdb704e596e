#include "trust/MinisignSigner.h"

#include <sodium.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "trust/SodiumInit.h"

namespace {
constexpr std::size_t kSecretFileSize = 2 + 2 + 2 + 32 + 8 + 8 + 104;
// A ceiling for what a key file may ask for (a damaged file must not make
// us allocate without end).
constexpr uint64_t kMaxMemLimit = 2ull << 30;

void StoreLe64(uint8_t* out, uint64_t value) {
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}
uint64_t LoadLe64(const uint8_t* in) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | in[i];
  return value;
}

// BLAKE2b-256 over algorithm, key id and secret key.
std::array<uint8_t, 32> Checksum(const uint8_t* keyIdAndKey) {
  std::array<uint8_t, 32> chk{};
  crypto_generichash_state state;
  crypto_generichash_init(&state, nullptr, 0, chk.size());
  crypto_generichash_update(&state, reinterpret_cast<const uint8_t*>("Ed"), 2);
  crypto_generichash_update(&state, keyIdAndKey, 8 + 64);
  crypto_generichash_final(&state, chk.data(), chk.size());
  return chk;
}

bool XorWithScrypt(std::array<uint8_t, 104>& sealed, const std::string& password, const std::array<uint8_t, 32>& salt,
                   uint64_t opsLimit, uint64_t memLimit) {
  std::array<uint8_t, 104> stream{};
  if (crypto_pwhash_scryptsalsa208sha256(stream.data(), stream.size(), password.data(), password.size(), salt.data(),
                                         static_cast<unsigned long long>(opsLimit),
                                         static_cast<size_t>(memLimit)) != 0)
    return false;
  for (std::size_t i = 0; i < sealed.size(); ++i) sealed[i] ^= stream[i];
  sodium_memzero(stream.data(), stream.size());
  return true;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
}  // namespace

const ScryptCost kScryptSensitive = {crypto_pwhash_scryptsalsa208sha256_OPSLIMIT_SENSITIVE,
                                     crypto_pwhash_scryptsalsa208sha256_MEMLIMIT_SENSITIVE};
const ScryptCost kScryptInteractive = {crypto_pwhash_scryptsalsa208sha256_OPSLIMIT_INTERACTIVE,
                                       crypto_pwhash_scryptsalsa208sha256_MEMLIMIT_INTERACTIVE};

bool GenerateKeyPair(MinisignSecretKey& secretKey, MinisignPublicKey& publicKey) {
  if (!EnsureSodium()) return false;
  randombytes_buf(secretKey.keyId.data(), secretKey.keyId.size());
  if (crypto_sign_keypair(publicKey.key.data(), secretKey.key.data()) != 0) return false;
  publicKey.keyId = secretKey.keyId;
  return true;
}

MinisignPublicKey PublicKeyOf(const MinisignSecretKey& secretKey) {
  MinisignPublicKey publicKey;
  publicKey.keyId = secretKey.keyId;
  crypto_sign_ed25519_sk_to_pk(publicKey.key.data(), secretKey.key.data());
  return publicKey;
}

bool SecretKeyFileText(const MinisignSecretKey& secretKey, const std::string* password, std::string& text,
                       const ScryptCost& cost) {
  if (!EnsureSodium()) return false;
  MinisignSecretKeyFile file;
  file.encrypted = password != nullptr;
  randombytes_buf(file.salt.data(), file.salt.size());
  file.opsLimit = cost.opsLimit;
  file.memLimit = cost.memLimit;
  std::copy(secretKey.keyId.begin(), secretKey.keyId.end(), file.sealed.begin());
  std::copy(secretKey.key.begin(), secretKey.key.end(), file.sealed.begin() + 8);
  const std::array<uint8_t, 32> chk = Checksum(file.sealed.data());
  std::copy(chk.begin(), chk.end(), file.sealed.begin() + 72);
  if (password && !XorWithScrypt(file.sealed, *password, file.salt, file.opsLimit, file.memLimit)) return false;

  uint8_t raw[kSecretFileSize] = {'E', 'd'};
  raw[2] = file.encrypted ? 'S' : 0;
  raw[3] = file.encrypted ? 'c' : 0;
  raw[4] = 'B';
  raw[5] = '2';
  std::copy(file.salt.begin(), file.salt.end(), raw + 6);
  StoreLe64(raw + 38, file.opsLimit);
  StoreLe64(raw + 46, file.memLimit);
  std::copy(file.sealed.begin(), file.sealed.end(), raw + 54);
  text = std::string("untrusted comment: ") + (file.encrypted ? "minisign encrypted secret key" : "minisign secret key") +
         "\n" + EncodeBase64(raw, sizeof raw) + "\n";
  sodium_memzero(raw, sizeof raw);
  return true;
}

bool ParseSecretKeyFile(const std::string& text, MinisignSecretKeyFile& file, std::string& reason) {
  const std::size_t newline = text.find('\n');
  if (text.compare(0, 19, "untrusted comment: ") != 0 || newline == std::string::npos) {
    reason = "not a minisign secret key file";
    return false;
  }
  std::string line = text.substr(newline + 1);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  uint8_t raw[kSecretFileSize];
  if (!DecodeBase64(line, raw, sizeof raw)) {
    reason = "secret key line is not valid base64 of 158 bytes";
    return false;
  }
  if (std::memcmp(raw, "Ed", 2) != 0 || std::memcmp(raw + 4, "B2", 2) != 0) {
    reason = "secret key of an unknown algorithm";
    return false;
  }
  if (std::memcmp(raw + 2, "Sc", 2) == 0) file.encrypted = true;
  else if (raw[2] == 0 && raw[3] == 0) file.encrypted = false;
  else {
    reason = "secret key encrypted with an unknown method";
    return false;
  }
  std::copy(raw + 6, raw + 38, file.salt.begin());
  file.opsLimit = LoadLe64(raw + 38);
  file.memLimit = LoadLe64(raw + 46);
  std::copy(raw + 54, raw + kSecretFileSize, file.sealed.begin());
  sodium_memzero(raw, sizeof raw);
  if (file.encrypted && file.memLimit > kMaxMemLimit) {
    reason = "secret key asks for more memory than 2 GiB";
    return false;
  }
  return true;
}

bool UnlockSecretKey(const MinisignSecretKeyFile& file, const std::string& password, MinisignSecretKey& secretKey,
                     std::string& reason) {
  if (!EnsureSodium()) {
    reason = "crypto library unavailable";
    return false;
  }
  std::array<uint8_t, 104> sealed = file.sealed;
  if (file.encrypted && !XorWithScrypt(sealed, password, file.salt, file.opsLimit, file.memLimit)) {
    reason = "key derivation failed (not enough memory?)";
    return false;
  }
  const std::array<uint8_t, 32> chk = Checksum(sealed.data());
  const bool ok = sodium_memcmp(chk.data(), sealed.data() + 72, chk.size()) == 0;
  if (ok) {
    std::copy(sealed.begin(), sealed.begin() + 8, secretKey.keyId.begin());
    std::copy(sealed.begin() + 8, sealed.begin() + 72, secretKey.key.begin());
  } else {
    reason = file.encrypted ? "wrong password" : "damaged secret key";
  }
  sodium_memzero(sealed.data(), sealed.size());
  return ok;
}

bool SignFile(const MinisignSecretKey& secretKey, const std::string& path, MinisignAlgorithm algorithm,
              const std::string& trustedComment, MinisignSignature& signature) {
  if (!EnsureSodium()) return false;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  std::vector<uint8_t> block(64 * 1024);
  std::vector<uint8_t> message;
  crypto_generichash_state state;
  crypto_generichash_init(&state, nullptr, 0, crypto_generichash_BYTES_MAX);
  std::size_t got;
  while ((got = std::fread(block.data(), 1, block.size(), file.get())) > 0) {
    if (algorithm == MinisignAlgorithm::Hashed) crypto_generichash_update(&state, block.data(), got);
    else message.insert(message.end(), block.begin(), block.begin() + got);
  }
  if (std::ferror(file.get())) return false;
  if (algorithm == MinisignAlgorithm::Hashed) {
    message.resize(crypto_generichash_BYTES_MAX);
    crypto_generichash_final(&state, message.data(), message.size());
  }
  signature.algorithm = algorithm;
  signature.keyId = secretKey.keyId;
  signature.trustedComment = trustedComment;
  crypto_sign_detached(signature.signature.data(), nullptr, message.data(), message.size(), secretKey.key.data());
  std::vector<uint8_t> global(signature.signature.begin(), signature.signature.end());
  global.insert(global.end(), trustedComment.begin(), trustedComment.end());
  crypto_sign_detached(signature.globalSignature.data(), nullptr, global.data(), global.size(), secretKey.key.data());
  return true;
}
