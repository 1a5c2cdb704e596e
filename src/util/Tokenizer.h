#pragma once
#include <string>
#include <vector>

// Splits text at any character of delimiters; double-quoted groups are one
// token (without their quotes) and may contain delimiters. Appends to tokens.
void TokenizeString(std::vector<std::string>& tokens, const std::string& delimiters,
                    const std::string& text);
