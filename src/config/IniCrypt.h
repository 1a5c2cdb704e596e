#pragma once
// Encrypted INI files: "#ENCRYPT#" followed by the DES-CBC/PKCS#5 ciphertext
// of the INI text, with the program's fixed key and IV.
#include <cstddef>
#include <cstdint>
#include <string>

constexpr const char INI_ENCRYPT_MARKER[] = "#ENCRYPT#";
constexpr size_t kIniEncryptMarkerLength = 9;

// Copies the fixed 8-byte key and IV.
void GetIniCipherKey(uint8_t key[8], size_t* keyLength, uint8_t iv[8], size_t* ivLength);

// The file's text: decrypted from byte offset 9 (markerRequired) when the text
// contains the marker, else unchanged up to its first zero byte. decrypted
// is 1 only after a successful decryption; failures give the raw text, or
// the empty text when the file cannot be read.
std::string DecryptIniFile(const std::string& path, int markerRequired, int* decrypted);
// The same for the bytes of a file already read.
std::string DecryptIniBytes(const std::string& file, int markerRequired, int* decrypted);
