#include "config/IniEncrypt.h"

#include <cstring>

#include "config/DesCipher.h"
#include "config/IniCrypt.h"

std::string EncryptIniContent(const std::string& text) {
  uint8_t key[8];
  uint8_t iv[8];
  size_t keyLength = 0;
  size_t ivLength = 0;
  GetIniCipherKey(key, &keyLength, iv, &ivLength);
  uint32_t schedule[16][2];
  DesKeySchedule(key, schedule);

  // PKCS#5: 1..8 pad bytes, each holding the pad length.
  std::string plain = text;
  const size_t pad = kDesBlockSize - plain.size() % kDesBlockSize;
  plain.append(pad, static_cast<char>(pad));

  std::string out(INI_ENCRYPT_MARKER);
  uint8_t chain[8];
  std::memcpy(chain, iv, 8);
  for (size_t at = 0; at < plain.size(); at += kDesBlockSize) {
    uint8_t block[8];
    for (size_t i = 0; i < kDesBlockSize; ++i)
      block[i] = static_cast<uint8_t>(plain[at + i]) ^ chain[i];
    DesEncryptBlock(schedule, block, chain);
    out.append(reinterpret_cast<const char*>(chain), kDesBlockSize);
  }
  return out;
}
