// The list line grammar: administrators' lines must be read exactly as
// clients have always read them.
#include "list/ListLineParser.h"

#include <gtest/gtest.h>

namespace {
FileItem Parse(const std::string& line) {
  FileItem item;
  ParseListLine(line, item);
  return item;
}
FileItem Kind(const std::string& field4) {
  FileItem item;
  ParseKindField(field4, item);
  return item;
}
}  // namespace

TEST(FileItem, DefaultsOfTheRecord) {
  const FileItem item;
  EXPECT_EQ(item.m_nPassFlag, 0);
  EXPECT_EQ(item.m_nWaitFlag, 0);
  EXPECT_EQ(item.m_nChunkedFlag, 0);
  EXPECT_EQ(item.m_nGzipFlag, -1);
  EXPECT_EQ(item.m_nFileType, 1);
  EXPECT_EQ(item.m_nSysFileFlag, 2);
  EXPECT_EQ(item.m_nDownFlag, 0);
  EXPECT_TRUE(item.m_strFilePath.empty() && item.m_strLocalPath.empty() && item.m_strTargetPath.empty());
  EXPECT_TRUE(item.m_strArgument.empty() && item.m_strModifyTime.empty() && item.m_strFileSize.empty());
}

TEST(ParseListLine, SixFieldsInOrder) {
  const FileItem item = Parse("bin/a.dll,lib/a.dll,SYS,ZIP,20100102030405,1234,extra,more");
  EXPECT_EQ(item.m_strFilePath, "bin/a.dll");
  EXPECT_EQ(item.m_strTargetPath, "lib/a.dll");  // slashes are changed later, not here
  EXPECT_EQ(item.m_nSysFileFlag, 1);
  EXPECT_EQ(item.m_nFileType, FILE_KIND_ZIP);
  EXPECT_EQ(item.m_strModifyTime, "20100102030405");
  EXPECT_EQ(item.m_strFileSize, "1234");
}

TEST(ParseListLine, RegWithPassOption) {
  const FileItem item = Parse("app/bin/x.dll,,,REG|PASS");
  EXPECT_EQ(item.m_strFilePath, "app/bin/x.dll");
  EXPECT_TRUE(item.m_strTargetPath.empty());
  EXPECT_EQ(item.m_nFileType, FILE_KIND_REG);
  EXPECT_EQ(item.m_nPassFlag, 1);
  EXPECT_EQ(item.m_nSysFileFlag, 2);
}

TEST(ParseListLine, EmptyFieldsKeepDefaultsAndStillCount) {
  const FileItem item = Parse(",,,,,77");
  EXPECT_TRUE(item.m_strFilePath.empty());
  EXPECT_EQ(item.m_nFileType, 1);
  EXPECT_EQ(item.m_strFileSize, "77");
  EXPECT_EQ(Parse("a,,,EXE").m_nFileType, FILE_KIND_EXE);
}

TEST(ParseListLine, SystemMarkIsCaseSensitivePrefix) {
  EXPECT_EQ(Parse("a,,SYSTEM").m_nSysFileFlag, 1);
  EXPECT_EQ(Parse("a,,SYS").m_nSysFileFlag, 1);
  EXPECT_EQ(Parse("a,,sys").m_nSysFileFlag, 2);
  EXPECT_EQ(Parse("a,,SY").m_nSysFileFlag, 2);
  EXPECT_EQ(Parse("a,, SYS").m_nSysFileFlag, 2);
  // Quotes stay part of a field 3 value, so this is no system mark.
  EXPECT_EQ(Parse("a,,\"SYS\"").m_nSysFileFlag, 2);
}

TEST(ParseListLine, TimeKeepsOnlyDigits) {
  EXPECT_EQ(Parse("a,,,,2010-01-02 03:04:05").m_strModifyTime, "20100102030405");
  EXPECT_EQ(Parse("a,,,,2010/1/2").m_strModifyTime, "201012");
  EXPECT_EQ(Parse("a,,,,abc").m_strModifyTime, "");
}

TEST(ParseListLine, SizeStoredAsWritten) { EXPECT_EQ(Parse("a,,,,,12 KB").m_strFileSize, "12 KB"); }

TEST(ParseListLine, QuotedFirstFieldKeepsComma) {
  const FileItem item = Parse("\"dir/a,b.txt\",x/y.txt,,REG");
  EXPECT_EQ(item.m_strFilePath, "dir/a,b.txt");
  EXPECT_EQ(item.m_strTargetPath, "x/y.txt");
  EXPECT_EQ(item.m_nFileType, FILE_KIND_REG);
}

TEST(ParseListLine, QuotedSecondField) {
  const FileItem item = Parse("a.txt,\"my dir/a,1.txt\",SYS,FNT");
  EXPECT_EQ(item.m_strTargetPath, "my dir/a,1.txt");
  EXPECT_EQ(item.m_nSysFileFlag, 1);
  EXPECT_EQ(item.m_nFileType, FILE_KIND_FNT);
}

TEST(ParseListLine, BackslashInsideQuotesIsInertAndKept) {
  const FileItem item = Parse("\"a\\\"b,c\",t");
  EXPECT_EQ(item.m_strFilePath, "a\\\"b,c");
  EXPECT_EQ(item.m_strTargetPath, "t");
  // Outside quotes a backslash is an ordinary character.
  EXPECT_EQ(Parse("a\\b,c\\d").m_strTargetPath, "c\\d");
}

TEST(ParseListLine, CharacterBehindClosingQuoteIsSkipped) {
  // Whatever follows the closing quote is taken as the separator.
  const FileItem item = Parse("\"a\"xb,c,SYS");
  EXPECT_EQ(item.m_strFilePath, "a");
  EXPECT_EQ(item.m_strTargetPath, "b");
  EXPECT_EQ(item.m_nSysFileFlag, 2);  // "c" is field 3
  // A quote directly behind a closing quote is skipped too, not opened;
  // the next quote then opens field 2, unterminated up to the line's end.
  const FileItem twice = Parse("\"a\"\"b\",c");
  EXPECT_EQ(twice.m_strFilePath, "a");
  EXPECT_EQ(twice.m_strTargetPath, ",c");
}

TEST(ParseListLine, TextBeforeAnOpeningQuoteIsDropped) {
  EXPECT_EQ(Parse("ab\"cd\",x").m_strFilePath, "cd");
}

TEST(ParseListLine, ClosingQuoteAtEndOfLine) {
  const FileItem item = Parse("a,\"b\"");
  EXPECT_EQ(item.m_strTargetPath, "b");
}

TEST(ParseListLine, UnterminatedQuoteRunsToTheEnd) {
  const FileItem item = Parse("\"a,b,SYS,REG");
  EXPECT_EQ(item.m_strFilePath, "a,b,SYS,REG");
  EXPECT_EQ(item.m_nFileType, 1);
}

TEST(ParseListLine, QuotesInLaterFieldsProtectButStay) {
  // The quoted separator keeps the option text in field 4.
  const FileItem item = Parse("a,,,\"EXE|a=\"\"x,y\"\"\",20100102030405,5");
  EXPECT_EQ(item.m_strModifyTime, "20100102030405");
  EXPECT_EQ(item.m_strFileSize, "5");
  // The code "EXE keeps its quote, so it is no recognised code.
  EXPECT_EQ(item.m_nFileType, 1);
  EXPECT_EQ(Parse("a,,,,,\"1,2\"").m_strFileSize, "\"1,2\"");
}

TEST(ParseListLine, ExampleWithQuotedArgumentContainingSlash) {
  const FileItem item = Parse("setup/run.exe,,,EXE|w=1/a=\"-s /quiet\"");
  EXPECT_EQ(item.m_nFileType, FILE_KIND_EXE);
  EXPECT_EQ(item.m_nWaitFlag, 1);
  EXPECT_EQ(item.m_strArgument, "-s /quiet");
}

TEST(ParseListLine, KoreanNamesPassThrough) {
  const std::string name = "\xC7\xD1\xB1\xDB/\xC6\xC4\xC0\xCF.txt";  // CP949 bytes
  const FileItem item = Parse(name + ",,,");
  EXPECT_EQ(item.m_strFilePath, name);
}

TEST(ParseKindField, EveryCode) {
  const struct {
    const char* code;
    int kind;
  } cases[] = {{"REG", 2}, {"DEL", 4}, {"REF", 6}, {"ZIP", 7}, {"ASM", 8}, {"ZRG", 9}, {"CMD", 3},
               {"EXE", 3}, {"FNT", 5}, {"FON", 5}, {"SYS", 1}, {"TXT", 1}, {"", 1}};
  for (const auto& c : cases) EXPECT_EQ(Kind(c.code).m_nFileType, c.kind) << c.code;
}

TEST(ParseKindField, CodeIsUpperCasedAndExact) {
  EXPECT_EQ(Kind("exe").m_nFileType, 3);
  EXPECT_EQ(Kind("Zrg").m_nFileType, 9);
  EXPECT_EQ(Kind("EXEC").m_nFileType, 1);
  EXPECT_EQ(Kind("EX").m_nFileType, 1);
  EXPECT_EQ(Kind("  REG\t").m_nFileType, 2);
}

TEST(ParseKindField, OptionsBehindTheBar) {
  FileItem item = Kind("EXE|w=1/p=1/a=\"-x\"");
  EXPECT_EQ(item.m_nFileType, 3);
  EXPECT_EQ(item.m_nWaitFlag, 1);
  EXPECT_EQ(item.m_nPassFlag, 1);
  EXPECT_EQ(item.m_strArgument, "-x");
  item = Kind(" REG | PASS");  // pieces are not trimmed: " PASS" is no option
  EXPECT_EQ(item.m_nFileType, 2);
  EXPECT_EQ(item.m_nPassFlag, 0);
  item = Kind("REG|pass/W=1/w=2");  // exact, case-sensitive
  EXPECT_EQ(item.m_nPassFlag, 0);
  EXPECT_EQ(item.m_nWaitFlag, 0);
  item = Kind("DEL|//p=1//");  // empty pieces dropped
  EXPECT_EQ(item.m_nFileType, 4);
  EXPECT_EQ(item.m_nPassFlag, 1);
}

TEST(ParseKindField, UnquotedArgumentIsIgnored) {
  FileItem item = Kind("EXE|a=-s");
  EXPECT_EQ(item.m_nFileType, 3);
  EXPECT_TRUE(item.m_strArgument.empty());
  EXPECT_TRUE(Kind("EXE|a=\"").m_strArgument.empty());
  EXPECT_TRUE(Kind("EXE|a=\"x").m_strArgument.empty());
  EXPECT_EQ(Kind("EXE|a=\"\"").m_strArgument, "");
}

TEST(ParseKindField, QuotedArgumentKeepsBackslashes) {
  EXPECT_EQ(Kind("CMD|a=\"C:\\x\\\" /y\"/w=1").m_strArgument, "C:\\x\\\" /y");
  EXPECT_EQ(Kind("CMD|a=\"C:\\x\\\" /y\"/w=1").m_nWaitFlag, 1);
}

TEST(ParseKindField, BarTooEarlyMeansNoOptions) {
  // A bar before index 3 does not start options; the whole text is the code.
  FileItem item = Kind("EX|w=1");
  EXPECT_EQ(item.m_nFileType, 1);
  EXPECT_EQ(item.m_nWaitFlag, 0);
  EXPECT_EQ(Kind("|PASS").m_nPassFlag, 0);
}

TEST(ParseKindField, LeadingBlanksDoNotCountTowardsTheBarIndex) {
  const FileItem item = Kind("   |p=1");
  EXPECT_EQ(item.m_nFileType, 1);
  EXPECT_EQ(item.m_nPassFlag, 0);
}

TEST(ParseKindField, FourCharacterCodeWithOptionsIsNoKind) {
  FileItem item = Kind("REGX|PASS");
  EXPECT_EQ(item.m_nFileType, 1);
  EXPECT_EQ(item.m_nPassFlag, 1);
}

TEST(ParseListLine, SeventhFieldCarriesADigestOnlyInItsExactForm) {
  const std::string hex = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
  std::string upper = hex;
  for (char& c : upper)
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  const struct {
    std::string field7;
    std::string want;
  } cases[] = {
      {"sha256:" + hex, hex},
      {"SHA256:" + upper, hex},  // either case, stored in lower case
      {"Sha256:" + hex.substr(0, 32) + upper.substr(32), hex},
      {"sha256:" + hex.substr(1), ""},        // 63 digits
      {"sha256:" + hex + "0", ""},            // 65 digits
      {"sha256:" + hex.substr(1) + "g", ""},  // not hex
      {" sha256:" + hex.substr(1), ""},       // nothing is trimmed
      {"sha256:" + hex + " ", ""},
      {"\"sha256:" + hex + "\"", ""},  // quotes stay part of the value
      {"sha-256:" + hex, ""},
      {"md5:d41d8cd98f00b204e9800998ecf8427e", ""},
      {hex, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field7);
    const FileItem item = Parse("bin/a.dll,lib/a.dll,SYS,ZIP,20100102030405,1234," + c.field7 + ",more");
    EXPECT_EQ(item.m_strSha256, c.want);
    // The first six fields read as they always have.
    EXPECT_EQ(item.m_strTargetPath, "lib/a.dll");
    EXPECT_EQ(item.m_nFileType, FILE_KIND_ZIP);
    EXPECT_EQ(item.m_strFileSize, "1234");
  }
  EXPECT_EQ(Parse("a.dll,,,,,,sha256:" + hex).m_strSha256, hex);
  EXPECT_EQ(Parse("a.dll,,,,,sha256:" + hex).m_strSha256, "");  // field 6 is the size
}
