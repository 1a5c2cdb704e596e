// SHA-256 over OpenSSL's libcrypto (the native build).
#include <openssl/evp.h>

#include "util/Sha256.h"

namespace {
struct ContextFreer {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
}  // namespace

struct CSha256::State {
  std::unique_ptr<EVP_MD_CTX, ContextFreer> context;
};

CSha256::CSha256() : m_state(new State) {
  m_state->context.reset(EVP_MD_CTX_new());
  if (m_state->context && EVP_DigestInit_ex(m_state->context.get(), EVP_sha256(), nullptr) != 1)
    m_state->context.reset();
}

CSha256::~CSha256() = default;

bool CSha256::IsReady() const { return m_state && m_state->context; }

bool CSha256::Update(const void* data, size_t size) {
  return IsReady() && EVP_DigestUpdate(m_state->context.get(), data, size) == 1;
}

bool CSha256::Finish(std::string& hexDigest) {
  if (!IsReady()) return false;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  const bool done = EVP_DigestFinal_ex(m_state->context.get(), digest, &length) == 1 && length == 32;
  m_state->context.reset();
  if (!done) return false;
  hexDigest = HexOfBytes(digest, length);
  return true;
}
