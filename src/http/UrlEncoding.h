#pragma once
// Object names as the update server expects them: non-ASCII characters as
// percent-escaped UTF-8, everything ASCII left as it is.
#include <string>

// encodeFlag is ENCODE_URL_UTF: 0 returns the name unchanged (ANSI code page).
std::string EncodeUrlUtf8(const std::string& objectName, int encodeFlag);
// The escaping step on UTF-16 units; surrogate halves are escaped one by one.
std::string EncodeUtf16UnitsAsUtf8Escapes(const std::u16string& units);
