#include "Tokenizer.h"

void TokenizeString(std::vector<std::string>& tokens, const std::string& delimiters,
                    const std::string& text) {
  const size_t length = text.size();
  size_t start = 0;
  bool inQuote = false;
  for (size_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (!inQuote) {
      if (c == '"') {
        if (start < i) tokens.push_back(text.substr(start, i - start));
        start = i + 1;
        inQuote = true;
      } else if (delimiters.find(c) != std::string::npos) {
        if (start < i) tokens.push_back(text.substr(start, i - start));
        start = i + 1;
      }
    } else if (c == '\\') {
      ++i;  // the escaped character stays in the token with its backslash
    } else if (c == '"') {
      tokens.push_back(text.substr(start, i - start));
      start = i + 1;
      inQuote = false;
    }
  }
  if (start < length) tokens.push_back(text.substr(start));
}
