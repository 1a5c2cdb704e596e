// Where zip members land, and which names are refused.
#include "handlers/ZipMemberPath.h"

#include <gtest/gtest.h>

#include <string>

TEST(ZipMemberPath, NamesThatLeaveTheFolderAreRefused) {
  const struct {
    const char* name;
    bool outside;
  } cases[] = {
      {"a.dll", false},
      {"bin/sub/a.dll", false},
      {"bin/", false},
      {"..a/b..c/x..", false},  // dots inside names are fine
      {"./a.dll", false},
      {"한글/설정.ini", false},
      {"../a.dll", true},
      {"..\\a.dll", true},
      {"bin/../../a.dll", true},
      {"bin/..", true},
      {"bin/../a.dll", true},  // even when it would come back inside
      {"/etc/a", true},
      {"\\Windows\\a.dll", true},
      {"\\\\server\\share\\a", true},
      {"C:a.dll", true},
      {"C:/Windows/a.dll", true},
      {"a.txt:stream", true},
      {".. /a.dll", true},
      {"bin/.. ./a", true},
      {"...", true},
      {"NUL", true},  // devices: the content would go to a port or nowhere
      {"bin/com1.txt", true},
      {"Lpt9", true},
      {"con .log/a", true},
      {"CONOUT$", true},
      {"console.txt", false},
      {"com10", false},
      {"nul_/a", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsZipMemberOutsideFolder(c.name), c.outside) << c.name;
  // Found by fuzzing: the directory stores names with their length, zero
  // bytes included; the file system would see only the part before one.
  EXPECT_TRUE(IsZipMemberOutsideFolder(std::string("..\0\1x", 5)));
  EXPECT_TRUE(IsZipMemberOutsideFolder(std::string("bin/a.dll\0", 10)));
}

TEST(ZipMemberPath, MembersJoinTheArchivesFolder) {
  EXPECT_EQ(ToBackslashPath("bin/sub/a.dll"), "bin\\sub\\a.dll");
  EXPECT_EQ(ZipExtractDirOf("C:\\App\\pkg.zip"), "C:\\App");
  EXPECT_EQ(ZipExtractDirOf("pkg.zip"), "");
  EXPECT_EQ(JoinZipTarget("C:\\App", ToBackslashPath("bin/a.dll")), "C:\\App\\bin\\a.dll");
  EXPECT_EQ(JoinZipTarget("C:\\App", ToBackslashPath("bin/")), "C:\\App\\bin\\");
  EXPECT_EQ(JoinZipTarget("", "a.dll"), "a.dll");
}
