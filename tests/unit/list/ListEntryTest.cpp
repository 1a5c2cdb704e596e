// From a list line to an entry: target path, exclusion and the local path.
#include <gtest/gtest.h>

#include "list/ListFileScanner.h"

namespace {
class ListEntryTest : public ::testing::Test {
 protected:
  ListEntryTest() {
    m_rules.paths.targetDir = "C:\\App\\";
    m_rules.paths.specialDirs = {{"_FONTS", "C:\\Windows\\Fonts"}, {"_SYSTEM_32BIT", "C:\\Windows\\SysWOW64"}};
    m_rules.paths.systemDir = "C:\\Windows\\system32";
    m_rules.paths.windowsDir = "C:\\Windows";
  }
  ListLineOutcome Prepare(const std::string& line) {
    m_item = FileItem();
    return PrepareListEntry(line, m_item, m_rules);
  }
  std::string Local(const std::string& line) {
    EXPECT_EQ(Prepare(line), ListLineOutcome::Entry) << line;
    return m_item.m_strLocalPath;
  }
  ListEntryRules m_rules;
  FileItem m_item;
};
}  // namespace

TEST_F(ListEntryTest, CommentsAndEmptyLinesYieldNothing) {
  EXPECT_EQ(Prepare(""), ListLineOutcome::Skipped);
  EXPECT_EQ(Prepare("# a,b,,REG"), ListLineOutcome::Skipped);
  EXPECT_EQ(Prepare("!a,b,,REG"), ListLineOutcome::Skipped);
  // Only the very first character counts.
  EXPECT_EQ(Prepare(" #a"), ListLineOutcome::Entry);
}

TEST_F(ListEntryTest, LineWithoutServerPathIsNoEntry) {
  EXPECT_EQ(Prepare(",bin/x.dll,,DEL"), ListLineOutcome::NoServerPath);
  EXPECT_EQ(Prepare(" "), ListLineOutcome::Entry);  // a blank is a (strange) server path
}

TEST_F(ListEntryTest, RelativeTargetUnderTargetDir) {
  EXPECT_EQ(Local("app/bin/x.dll,,,REG|PASS"), "C:\\App\\app\\bin\\x.dll");
  EXPECT_EQ(m_item.m_strTargetPath, "app\\bin\\x.dll");
  EXPECT_EQ(m_item.m_nFileType, FILE_KIND_REG);
  EXPECT_EQ(m_item.m_nPassFlag, 1);
  EXPECT_EQ(Local("a.txt,sub/b.txt"), "C:\\App\\sub\\b.txt");
  EXPECT_EQ(m_item.m_strFilePath, "a.txt");
}

TEST_F(ListEntryTest, SpecialDirectoryTokens) {
  EXPECT_EQ(Local("f/a.ttf,_FONTS/a.ttf,,FNT"), "C:\\Windows\\Fonts\\a.ttf");
  EXPECT_EQ(Local("x.dll,_SYSTEM_32BIT\\x.dll"), "C:\\Windows\\SysWOW64\\x.dll");
  // Keys compare exactly; an unknown token stays relative.
  EXPECT_EQ(Local("f/a.ttf,_fonts/a.ttf"), "C:\\App\\_fonts\\a.ttf");
  EXPECT_EQ(Local("f/a.ttf,_NOPE/a.ttf"), "C:\\App\\_NOPE\\a.ttf");
  // Without a backslash there is no token.
  EXPECT_EQ(Local("f,_FONTS"), "C:\\App\\_FONTS");
}

TEST_F(ListEntryTest, SystemFolderNames) {
  EXPECT_EQ(Local("x.dll,%SystemDir%/x.dll"), "C:\\Windows\\system32\\x.dll");
  EXPECT_EQ(Local("x.dll,%SystemRoot%/x.dll"), "C:\\Windows\\x.dll");
  // %SystemRoot% is only looked at when there was no %SystemDir%.
  EXPECT_EQ(Local("x.dll,%SystemDir%/%SystemRoot%"), "C:\\Windows\\system32\\%SystemRoot%");
  EXPECT_EQ(Local("x.dll,%systemdir%/x.dll"), "C:\\App\\%systemdir%\\x.dll");
}

TEST_F(ListEntryTest, AbsoluteAndDriveRelativeTargets) {
  EXPECT_EQ(Local("x.dll,D:/Data/x.dll"), "D:\\Data\\x.dll");
  EXPECT_EQ(Local("x.dll,\\sys\\x.dll"), "C:\\sys\\x.dll");
  EXPECT_EQ(Local("x.dll,/sys/x.dll"), "C:\\sys\\x.dll");
  m_rules.paths.targetDir = "\\\\server\\share\\";
  EXPECT_EQ(Local("x.dll,\\sys\\x.dll"), "\\\\server\\share\\\\sys\\x.dll");
}

TEST_F(ListEntryTest, ExcludePrefixesAreBytewise) {
  m_rules.excludePrefixes = SplitExcludeDirs("bin\\old");
  EXPECT_EQ(Prepare("bin/old/x.dll,,,REG"), ListLineOutcome::Excluded);
  EXPECT_EQ(Prepare("bin/older/x.dll"), ListLineOutcome::Excluded);
  EXPECT_EQ(Prepare("BIN/old/x.dll"), ListLineOutcome::Entry);
  EXPECT_EQ(Prepare("x.dll,bin/old/y.dll"), ListLineOutcome::Excluded);  // the target decides
  EXPECT_EQ(Prepare("bin/old/x.dll,new/x.dll"), ListLineOutcome::Entry);
}

TEST_F(ListEntryTest, ExcludeListSplitsAtCommasOutsideQuotes) {
  EXPECT_EQ(SplitExcludeDirs("a,,b"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SplitExcludeDirs("\"x,y\",z"), (std::vector<std::string>{"x,y", "z"}));
  // An empty quoted prefix would match every entry: it is dropped.
  EXPECT_EQ(SplitExcludeDirs("\"\",a"), (std::vector<std::string>{"a"}));
  m_rules.excludePrefixes = SplitExcludeDirs("\"\"");
  EXPECT_EQ(Prepare("x.dll"), ListLineOutcome::Entry);
}

TEST(WithTrailingBackslash, AddsOnlyOne) {
  EXPECT_EQ(WithTrailingBackslash("C:\\App"), "C:\\App\\");
  EXPECT_EQ(WithTrailingBackslash("C:\\App\\"), "C:\\App\\");
}
