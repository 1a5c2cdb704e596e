#include "util/Tokenizer.h"

#include <gtest/gtest.h>

#include <random>

namespace {
std::vector<std::string> Split(const std::string& delimiters, const std::string& text) {
  std::vector<std::string> tokens;
  TokenizeString(tokens, delimiters, text);
  return tokens;
}
using Tokens = std::vector<std::string>;
}  // namespace

TEST(TokenizeString, WebCommandLineKeepsQuotedBlank) {
  EXPECT_EQ(Split(" ", "2 0 host 80 \"/cfg/a b.ini\" C:\\T 2"),
            (Tokens{"2", "0", "host", "80", "/cfg/a b.ini", "C:\\T", "2"}));
}

TEST(TokenizeString, RunsOfDelimitersYieldNoEmptyTokens) {
  EXPECT_EQ(Split("=", "KEY==VALUE"), (Tokens{"KEY", "VALUE"}));
  EXPECT_EQ(Split(",", ",,a,,b,"), (Tokens{"a", "b"}));
  EXPECT_EQ(Split("=", "KEY="), (Tokens{"KEY"}));
  EXPECT_EQ(Split("=", "=VALUE"), (Tokens{"VALUE"}));
  EXPECT_TRUE(Split(" ", "").empty());
  EXPECT_TRUE(Split(" ", "   ").empty());
}

TEST(TokenizeString, QuotedGroups) {
  EXPECT_EQ(Split(" ", "a \"\" b"), (Tokens{"a", "", "b"}));
  EXPECT_EQ(Split(" ", "ab\"cd\""), (Tokens{"ab", "cd"}));
  EXPECT_EQ(Split(" ", "\"x y"), (Tokens{"x y"}));
  // An escaped quote stays in the group with its backslash.
  EXPECT_EQ(Split(" ", "\"a\\\" b\" c"), (Tokens{"a\\\" b", "c"}));
}

TEST(TokenizeString, EveryCharacterOfTheSetDelimits) {
  EXPECT_EQ(Split("\n", "one\n\ntwo"), (Tokens{"one", "two"}));
  EXPECT_EQ(Split(",;", "a;b,c"), (Tokens{"a", "b", "c"}));
}

TEST(TokenizeString, AppendsToExistingTokens) {
  Tokens tokens{"first"};
  TokenizeString(tokens, " ", "a b");
  EXPECT_EQ(tokens, (Tokens{"first", "a", "b"}));
}

// Round trip: any token list, written with delimiter runs between plain
// tokens and quotes around tokens that need them (or at random), reads back
// as the same list.
TEST(TokenizeString, RandomRoundTrip) {
  std::mt19937 random(20210107);
  const std::string delimiters = " ,";
  const std::vector<std::string> pieces = {"a", "b", "Z", "\xB0\xA1", ".", "\\x", " ", ",", "="};
  auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  for (int round = 0; round < 3000; ++round) {
    Tokens expected;
    std::string text;
    for (size_t i = 0, n = pick(3); i < n; ++i) text += delimiters[pick(2)];  // leading run
    bool lastPlain = false;
    const size_t count = pick(6);
    for (size_t t = 0; t < count; ++t) {
      std::string token;
      for (size_t k = 0, n = pick(4); k < n; ++k) token += pieces[pick(pieces.size())];
      const bool needsQuotes = token.empty() || token.find_first_of(delimiters) != std::string::npos;
      // A backslash only escapes inside quotes, and an escaped quote never ends a token here.
      const bool quoted = needsQuotes || pick(3) == 0;
      if (!quoted && lastPlain) text += delimiters[pick(2)];
      for (size_t i = 0, n = pick(3); i < n; ++i) text += delimiters[pick(2)];
      text += quoted ? "\"" + token + "\"" : token;
      expected.push_back(token);
      lastPlain = !quoted;
    }
    for (size_t i = 0, n = pick(3); i < n; ++i) text += delimiters[pick(2)];  // trailing run
    ASSERT_EQ(Split(delimiters, text), expected) << "text: " << text;
  }
}
