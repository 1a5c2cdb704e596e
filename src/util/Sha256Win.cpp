// SHA-256 over the Windows crypto API (BCrypt, Vista and later).
#include <windows.h>
#include <bcrypt.h>

#include <vector>

#include "util/Sha256.h"

namespace {
struct AlgorithmCloser {
  void operator()(void* algorithm) const { ::BCryptCloseAlgorithmProvider(algorithm, 0); }
};
struct HashDestroyer {
  void operator()(void* hash) const { ::BCryptDestroyHash(hash); }
};

bool Succeeded(NTSTATUS status) { return status >= 0; }
}  // namespace

struct CSha256::State {
  std::unique_ptr<void, AlgorithmCloser> algorithm;
  std::vector<unsigned char> object;  // the hash object's memory, owned by us
  std::unique_ptr<void, HashDestroyer> hash;
};

CSha256::CSha256() : m_state(new State) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (!Succeeded(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) return;
  m_state->algorithm.reset(algorithm);
  DWORD objectSize = 0;
  ULONG got = 0;
  if (!Succeeded(::BCryptGetProperty(algorithm, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectSize),
                                     sizeof(objectSize), &got, 0)))
    return;
  m_state->object.resize(objectSize);
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!Succeeded(::BCryptCreateHash(algorithm, &hash, m_state->object.data(), objectSize, nullptr, 0, 0))) return;
  m_state->hash.reset(hash);
}

CSha256::~CSha256() = default;

bool CSha256::IsReady() const { return m_state && m_state->hash; }

bool CSha256::Update(const void* data, size_t size) {
  if (!IsReady()) return false;
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ULONG piece = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
    if (!Succeeded(::BCryptHashData(m_state->hash.get(), const_cast<PUCHAR>(bytes), piece, 0))) return false;
    bytes += piece;
    size -= piece;
  }
  return true;
}

bool CSha256::Finish(std::string& hexDigest) {
  if (!IsReady()) return false;
  unsigned char digest[32];
  const bool done = Succeeded(::BCryptFinishHash(m_state->hash.get(), digest, sizeof(digest), 0));
  m_state->hash.reset();
  if (!done) return false;
  hexDigest = HexOfBytes(digest, sizeof(digest));
  return true;
}
