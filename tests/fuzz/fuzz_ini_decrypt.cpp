// The encrypted INI decoder: "#ENCRYPT#" and DES-CBC with PKCS#5 padding,
// on any bytes a file may hold.
#include <cstdint>
#include <string>

#include "config/IniCrypt.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  int decrypted = 0;
  DecryptIniBytes(file, 1, &decrypted);
  DecryptIniBytes(file, 0, &decrypted);
  // Always behind the marker, so that the ciphertext path is taken.
  DecryptIniBytes(INI_ENCRYPT_MARKER + file, 1, nullptr);
  return 0;
}
