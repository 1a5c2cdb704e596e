#include "config/CfgText.h"

#include <climits>

#include "util/Cp949Case.h"

namespace {
bool IsWhite(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
}  // namespace

int CfgAtoi(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && IsWhite(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

std::string TrimWhite(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsWhite(text[begin])) ++begin;
  while (end > begin && IsWhite(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool EqualsNoCaseMbcs(const std::string& a, const std::string& b) {
  return a.size() == b.size() && LowerCp949(a) == LowerCp949(b);
}
