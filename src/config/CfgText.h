#pragma once
// Small text rules shared by the configuration readers.
#include <string>

// C library atoi rule: leading white space, optional sign, digits up to the
// first non-digit; no digits give 0. Saturates instead of overflowing.
int CfgAtoi(const std::string& text);
// Removes white space (space, tab, line breaks, vertical tab, form feed) at
// both ends.
std::string TrimWhite(const std::string& text);
// Case-insensitive comparison of CP949 texts: only single-byte letters fold;
// the second byte of a double-byte character is compared as it is.
bool EqualsNoCaseMbcs(const std::string& a, const std::string& b);
