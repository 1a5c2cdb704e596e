#include "util/Cp949Case.h"

namespace {
template <typename Fold>
std::string FoldSingleBytes(std::string text, Fold fold) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsCp949LeadByte(static_cast<unsigned char>(text[i]))) {
      ++i;  // the trail byte stays as it is (a lead byte at the very end too)
      continue;
    }
    text[i] = fold(text[i]);
  }
  return text;
}
}  // namespace

std::string LowerCp949(std::string text) {
  return FoldSingleBytes(std::move(text), [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
}

std::string UpperCp949(std::string text) {
  return FoldSingleBytes(std::move(text), [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
}
