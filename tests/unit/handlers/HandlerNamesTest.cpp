// Names a font is installed under, the font key, and the registry editor's
// arguments: the parts of the handlers that need no Windows.
#include <gtest/gtest.h>

#include "handlers/FontNames.h"
#include "handlers/RegistryFileCommand.h"

TEST(FontNamesTest, FileAndValueNamesFromTheLocalPath) {
  struct Case {
    const char* localPath;
    const char* fileName;
    const char* valueName;
  } cases[] = {
      {"C:\\App\\font\\Sample.ttf", "Sample.ttf", "Sample"},
      {"C:\\App\\font\\나눔고딕.TTF", "나눔고딕.TTF", "나눔고딕"},
      {"C:\\App\\font\\my.font.ttc", "my.font.ttc", "my.font"},
      {"C:\\App\\font\\NoExtension", "NoExtension", "NoExtension"},
      {"C:\\App\\font\\.ttf", ".ttf", ".ttf"},
      {"C:\\App\\font\\trailing.", "trailing.", "trailing"},
      {"Bare.fon", "Bare.fon", "Bare"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.localPath);
    EXPECT_EQ(FontFileNameOf(c.localPath), c.fileName);
    EXPECT_EQ(FontValueNameOf(c.fileName), c.valueName);
  }
}

TEST(FontNamesTest, KeyFitsTheBitnessOfWindows) {
  EXPECT_STREQ(FontRegistryKeyFor(true), "SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Fonts\\");
  EXPECT_STREQ(FontRegistryKeyFor(false), "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts\\");
}

TEST(FontNamesTest, RecordedFontsCompareWithoutLatinCase) {
  const std::vector<std::string> recorded = {"arial.ttf", "나눔고딕.ttf"};
  EXPECT_TRUE(IsFontRecorded(recorded, "ARIAL.TTF"));
  EXPECT_TRUE(IsFontRecorded(recorded, "나눔고딕.TTF"));
  EXPECT_FALSE(IsFontRecorded(recorded, "arial.ttf2"));
  EXPECT_FALSE(IsFontRecorded(recorded, "arial"));
  EXPECT_FALSE(IsFontRecorded({}, "arial.ttf"));
  // Two Korean characters whose second bytes differ only as "A" and "a" do.
  EXPECT_FALSE(EqualsIgnoringCaseCp949("\x81\x41.ttf", "\x81\x61.ttf"));
  EXPECT_TRUE(EqualsIgnoringCaseCp949("\x81\x41.TTF", "\x81\x41.ttf"));
}

TEST(RegistryFileCommandTest, PathStaysOneArgumentAndFolderKeepsItsBackslash) {
  EXPECT_EQ(RegistryFileParameters("C:\\Program Files\\App\\설정.reg"), "-s \"C:\\Program Files\\App\\설정.reg\"");
  EXPECT_EQ(RegistryFileFolder("C:\\Program Files\\App\\설정.reg"), "C:\\Program Files\\App\\");
  EXPECT_EQ(RegistryFileFolder("C:\\x.reg"), "C:\\");
  EXPECT_EQ(RegistryFileFolder("x.reg"), "");
  EXPECT_EQ(RegistryEditorPath("C:\\Windows"), "C:\\Windows\\regedit.exe");
}
