#include "config/IniCrypt.h"

#include <cstring>
#include <vector>

#include "config/DesCipher.h"
#include "config/IniFileAccess.h"

namespace {
const uint8_t kIniKey[8] = {'m', 'z', '5', '0', '6', '2', 'm', 'z'};
const uint8_t kIniIv[8] = {'k', 'q', '4', '8', '3', '7', 'k', 'q'};

// The bytes up to the first zero byte, at most count of them.
std::string UpToZero(const uint8_t* bytes, size_t count) {
  const void* zero = std::memchr(bytes, 0, count);
  const size_t length = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes) : count;
  return std::string(reinterpret_cast<const char*>(bytes), length);
}
}  // namespace

void GetIniCipherKey(uint8_t key[8], size_t* keyLength, uint8_t iv[8], size_t* ivLength) {
  std::memcpy(key, kIniKey, 8);
  std::memcpy(iv, kIniIv, 8);
  *keyLength = 8;
  *ivLength = 8;
}

std::string DecryptIniFile(const std::string& path, int markerRequired, int* decrypted) {
  if (decrypted) *decrypted = 0;
  std::string file;
  if (!ReadIniFileBytes(path, &file)) return std::string();
  return DecryptIniBytes(file, markerRequired, decrypted);
}

std::string DecryptIniBytes(const std::string& file, int markerRequired, int* decrypted) {
  int dummy = 0;
  int& done = decrypted ? *decrypted : dummy;
  done = 0;

  const size_t header = markerRequired ? kIniEncryptMarkerLength : 0;
  const std::string text = UpToZero(reinterpret_cast<const uint8_t*>(file.data()), file.size());
  if (text.empty()) return std::string();
  if (markerRequired && text.find(INI_ENCRYPT_MARKER) == std::string::npos) return text;
  // A marked file is decrypted from byte 9 wherever the marker stood.
  if (file.size() < header) return text;

  uint8_t key[8];
  uint8_t iv[8];
  size_t keyLength = 0;
  size_t ivLength = 0;
  GetIniCipherKey(key, &keyLength, iv, &ivLength);
  DesContext ctx;
  DesInit(DES_MODE_CBC, DES_PAD_PKCS5, iv, ctx);
  if (DesSetKey(key, keyLength, ctx) != DES_OK || DesReset(ctx) != DES_OK) return std::string();

  const size_t cipherLength = file.size() - header;
  std::vector<uint8_t> plain(cipherLength + kDesBlockSize + 1, 0);
  size_t updateLength = 0;
  if (DesUpdate(ctx, reinterpret_cast<const uint8_t*>(file.data()) + header, cipherLength,
                plain.data(), &updateLength) != DES_OK)
    return text;
  std::string result = UpToZero(plain.data(), updateLength);

  size_t finalLength = 0;
  if (DesFinal(ctx, plain.data(), &finalLength) != DES_OK) return text;
  if (finalLength > 0) result += UpToZero(plain.data(), finalLength);
  done = 1;
  return result;
}
