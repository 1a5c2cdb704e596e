#include <gtest/gtest.h>

#include <windows.h>

#include <set>

#include "app/SpecialDirs.h"

namespace {
bool FakeFolder(int csidl, std::string& out) {
  switch (csidl) {
    case 0x24: out = "D:\\WINNT"; return true;  // Windows
    case 0x14: out = "D:\\WINNT\\Fonts"; return true;
    case 0x25: out = "D:\\WINNT\\system32"; return true;
    default: return false;
  }
}

TEST(FillSpecialDirMap, NineTokensAlways) {
  SpecialDirMap map;
  FillSpecialDirMap(map, FakeFolder, [](const std::string&) { return false; });
  const std::set<std::string> expected = {"_FONTS",   "_WINDOWS", "_DESKTOPDIRECTORY", "_PROGRAMS",
                                          "_STARTUP", "_SYSTEM",  "_PROGRAM_FILES",    "_SYSTEM_32BIT",
                                          "_PROGRAM_FILES_32BIT"};
  std::set<std::string> keys;
  for (const auto& e : map) keys.insert(e.first);
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(map["_STARTUP"], "") << "a failed query stores an empty text";
  EXPECT_EQ(map["_FONTS"], "D:\\WINNT\\Fonts");
}

TEST(FillSpecialDirMap, ThirtyTwoBitWindowsUsesTheOrdinaryFolders) {
  SpecialDirMap map;
  FillSpecialDirMap(map, FakeFolder, [](const std::string&) { return false; });
  EXPECT_EQ(map["_SYSTEM_32BIT"], "D:\\WINNT\\System32");
  EXPECT_EQ(map["_PROGRAM_FILES_32BIT"], "D:\\Program Files");
}

TEST(FillSpecialDirMap, SixtyFourBitWindowsUsesTheThirtyTwoBitFolders) {
  SpecialDirMap map;
  std::set<std::string> asked;
  FillSpecialDirMap(map, FakeFolder, [&](const std::string& p) {
    asked.insert(p);
    return true;
  });
  EXPECT_EQ(map["_SYSTEM_32BIT"], "D:\\WINNT\\SysWOW64");
  EXPECT_EQ(map["_PROGRAM_FILES_32BIT"], "D:\\Program Files (x86)");
  EXPECT_EQ(asked, (std::set<std::string>{"D:\\WINNT\\SysWOW64", "D:\\Program Files (x86)"}));
}

TEST(FillSpecialDirMap, ThisSixtyFourBitPrefix) {
  SpecialDirMap map;
  FillSpecialDirMap(map);
  char windows[MAX_PATH];
  ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  EXPECT_STRCASEEQ(map["_WINDOWS"].c_str(), windows);
  EXPECT_STRCASEEQ(map["_SYSTEM_32BIT"].c_str(), (std::string(windows) + "\\SysWOW64").c_str());
  EXPECT_STRCASEEQ(map["_PROGRAM_FILES_32BIT"].c_str(),
                   (std::string(1, windows[0]) + ":\\Program Files (x86)").c_str());
  EXPECT_STRCASEEQ(map["_FONTS"].c_str(), (std::string(windows) + "\\Fonts").c_str());
  for (const auto& e : map) {
    EXPECT_FALSE(e.second.empty()) << e.first;
    EXPECT_NE(e.second.back(), '\\') << e.first;
  }
}

TEST(FindSpecialDir, KeysCompareCaseSensitively) {
  SpecialDirMap map;
  map["_FONTS"] = "C:\\Windows\\Fonts";
  std::string out = "unchanged";
  EXPECT_FALSE(FindSpecialDir(map, "_fonts", out));
  EXPECT_EQ(out, "unchanged");
  EXPECT_TRUE(FindSpecialDir(map, "_FONTS", out));
  EXPECT_EQ(out, "C:\\Windows\\Fonts");
}
}  // namespace
