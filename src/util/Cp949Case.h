#pragma once
// Letter case of CP949 texts (paths, codes, names). Only single-byte ASCII
// letters change; a double-byte character is stepped over whole, because
// its second byte may look like an ASCII letter (0x41-0x5A, 0x61-0x7A).
#include <string>

// First byte of a CP949 double-byte character.
inline bool IsCp949LeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

std::string LowerCp949(std::string text);
std::string UpperCp949(std::string text);
