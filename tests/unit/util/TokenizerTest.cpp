#include "util/Tokenizer.h"

#include <gtest/gtest.h>

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
