#pragma once
// vantoctl's signing: the secret key file and the signature of one file,
// shared by "key", "sign" and "list sign".
#include <string>
#include <vector>

#include "trust/MinisignSigner.h"

// Reads and unlocks a minisign secret key file (asks for the password when
// it is encrypted). false with the reason printed.
bool LoadSecretKey(const std::string& path, MinisignSecretKey& key);

// "sign FILE ..." / "list sign FILE ...": args from the file name on.
// Writes FILE.minisig; exit status.
int SignFileCommand(const std::vector<std::string>& args, const char* usage);

// Whole file as bytes; false when it cannot be read.
bool ReadTextFile(const std::string& path, std::string& text);
bool WriteTextFile(const std::string& path, const std::string& text, bool mayReplace);
