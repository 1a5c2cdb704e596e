#pragma once
// Producing encrypted INI files, for the admin tool: VantoExe itself only
// reads them.
#include <string>

// "#ENCRYPT#" followed by the DES-CBC/PKCS#5 ciphertext of text with the
// program's key and IV.
std::string EncryptIniContent(const std::string& text);
