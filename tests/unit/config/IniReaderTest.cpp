#include "config/IniReader.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace {
using Lines = std::vector<std::string>;

Lines Split(const std::string& text) {
  Lines lines{"stale"};
  SplitContentLines(lines, '\n', text, '"');
  return lines;
}
}  // namespace

TEST(SplitContentLines, EmptyLinesKeptNoTrailingEntry) {
  EXPECT_EQ(Split("a\n\nb\n"), (Lines{"a", "", "b"}));
  EXPECT_EQ(Split("\n"), (Lines{""}));
  EXPECT_EQ(Split(""), Lines{});
  EXPECT_EQ(Split("a\n\n"), (Lines{"a", ""}));
  EXPECT_EQ(Split("x"), (Lines{"x"}));
}

TEST(SplitContentLines, QuotesKeepDelimitersAndStay) {
  EXPECT_EQ(Split("K=\"a\nb\"\nL=1"), (Lines{"K=\"a\nb\"", "L=1"}));
  // An unbalanced quote swallows the rest.
  EXPECT_EQ(Split("K=\"a\nL=1\nM=2"), (Lines{"K=\"a\nL=1\nM=2"}));
  Lines lines;
  SplitContentLines(lines, ',', "a,'b,c',d", '\'');
  EXPECT_EQ(lines, (Lines{"a", "'b,c'", "d"}));
}

TEST(GetIniValue, CaseInsensitiveAndTrimmed) {
  const Lines lines = Split("[vanto]\n  svr_ip_addr \t=  10.1.2.3  \n");
  EXPECT_EQ(GetIniValue(lines, "VANTO", "SVR_IP_ADDR", "d"), "10.1.2.3");
  EXPECT_EQ(GetIniValue(lines, "Vanto", "Svr_Ip_Addr", "d"), "10.1.2.3");
}

TEST(GetIniValue, EverythingAfterFirstEquals) {
  const Lines lines = Split("[S]\nURL=a=b==c\nEMPTY=\n");
  EXPECT_EQ(GetIniValue(lines, "S", "URL", "d"), "a=b==c");
  EXPECT_EQ(GetIniValue(lines, "S", "EMPTY", "d"), "");
}

TEST(GetIniValue, OnlyFirstSectionOfTheName) {
  const Lines lines = Split("[S]\nA=1\n[T]\nB=2\n[S]\nB=3\nA=4\n");
  EXPECT_EQ(GetIniValue(lines, "S", "A", "d"), "1");
  EXPECT_EQ(GetIniValue(lines, "S", "B", "d"), "d");
  EXPECT_EQ(GetIniValue(lines, "T", "B", "d"), "2");
}

TEST(GetIniValue, FirstMatchWinsAndQuotesStay) {
  const Lines lines = Split("[S]\nA=first\nA=second\nQ=\"quoted value\"\n");
  EXPECT_EQ(GetIniValue(lines, "S", "A", "d"), "first");
  EXPECT_EQ(GetIniValue(lines, "S", "Q", "d"), "\"quoted value\"");
}

TEST(GetIniValue, LinesBeforeHeaderAndHeadersNeverMatch) {
  const Lines lines = Split("A=top\n[S]\n[X=1]\n;C=commented\n");
  EXPECT_EQ(GetIniValue(lines, "S", "A", "d"), "d");
  // The bracketed line ends the section; it yields no value itself.
  EXPECT_EQ(GetIniValue(lines, "S", "[X", "d"), "d");
  EXPECT_EQ(GetIniValue(lines, "X=1", "C", "d"), "d");
  EXPECT_EQ(GetIniValue(Split("[S]\n;C=commented\n"), "S", ";C", "d"), "commented");
}

TEST(GetIniValue, DefaultForEmptyInputs) {
  const Lines lines = Split("[S]\nA=1\n");
  EXPECT_EQ(GetIniValue(Lines{}, "S", "A", "d"), "d");
  EXPECT_EQ(GetIniValue(lines, "", "A", "d"), "d");
  EXPECT_EQ(GetIniValue(lines, "S", "", "d"), "d");
  EXPECT_EQ(GetIniValue(lines, "S", "B", "dflt"), "dflt");
}

TEST(GetIniValue, KoreanSectionAndValue) {
  const Lines lines = Split("[한글섹션]\nNAME = 바탕 화면\n");
  EXPECT_EQ(GetIniValue(lines, "한글섹션", "name", "d"), "바탕 화면");
  EXPECT_EQ(GetIniValue(lines, "한글", "name", "d"), "d");
}

TEST(GetIniValue, HeaderNeedsTwoCharacters) {
  const Lines lines = Split("[S]\n[\nA=1\n");
  EXPECT_EQ(GetIniValue(lines, "S", "A", "d"), "1");
}

class IniFileContentTest : public TempDirTest {};

TEST_F(IniFileContentTest, PlainFileUpToZeroByte) {
  const std::string path = m_dir.Child("plain.ini");
  ASSERT_TRUE(WriteWholeFile(path, std::string("[S]\r\nA=1\r\n\0B=2", 15)));
  int decrypted = 7;
  EXPECT_EQ(GetIniFileContent(path, &decrypted), "[S]\r\nA=1\r\n");
  EXPECT_EQ(decrypted, 0);
}

TEST_F(IniFileContentTest, MissingOrUnnamedFileIsEmpty) {
  int decrypted = 7;
  EXPECT_EQ(GetIniFileContent(m_dir.Child("none.ini"), &decrypted), "");
  EXPECT_EQ(decrypted, 0);
  EXPECT_EQ(GetIniFileContent(""), "");
}

TEST_F(IniFileContentTest, ReadIniLinesDropsCarriageReturns) {
  const std::string path = m_dir.Child("crlf.ini");
  ASSERT_TRUE(WriteWholeFile(path, "[S]\r\nA = x\r\r\n\r\nB=y"));
  EXPECT_EQ(ReadIniLines(path), (Lines{"[S]", "A = x", "", "B=y"}));
}
