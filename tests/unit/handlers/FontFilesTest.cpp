// Font entries installed into a Windows folder and a font key of the test's
// own, with a TrueType font from the build machine's Nanum package.
#include <gtest/gtest.h>

#include "support/FakeRunDisplay.h"
#include "support/LogCapture.h"
#include "TestRegistryKey.h"
#include "support/TempDir.h"
#include "handlers/FontFiles.h"
#include "handlers/FontNames.h"

namespace {
const char kNanumFont[] = "Z:\\usr\\share\\fonts\\truetype\\nanum\\NanumGothicCoding.ttf";

class FontFilesTest : public TempDirTest {
 protected:
  void SetUp() override {
    if (::GetFileAttributesA(kNanumFont) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "fonts-nanum is not installed";
    ::CreateDirectoryA(m_windows.c_str(), nullptr);
    ::CreateDirectoryA((m_windows + "\\fonts").c_str(), nullptr);
    ::CreateDirectoryA((m_windows + "\\SysWOW64").c_str(), nullptr);
    ::CreateDirectoryA(m_dir.Child("down").c_str(), nullptr);
  }
  // A downloaded font entry: a copy of the Nanum font, or the given bytes.
  FileItem& AddFont(const std::string& name, const char* bytes = nullptr) {
    auto item = std::make_unique<FileItem>();
    item->m_nFileType = FILE_KIND_FNT;
    item->m_nDownFlag = 1;
    item->m_strLocalPath = m_dir.Child("down") + "\\" + name;
    if (bytes)
      WriteWholeFile(item->m_strLocalPath, bytes);
    else
      ::CopyFileA(kNanumFont, item->m_strLocalPath.c_str(), FALSE);
    m_items.push_back(std::move(item));
    return *m_items.back();
  }
  std::string Installed(const std::string& name) const { return m_windows + "\\fonts\\" + name; }
  bool Recorded(const std::string& key, const std::string& value, std::string* data) const {
    return m_reg.ReadText(key, value, data);
  }

  LogCapture m_log;
  TestRegistryKey m_reg;
  FakeRunDisplay m_display;
  std::string m_windows = m_dir.Child("windows");
  FileItemList m_items;
};
const char kPrefix[] = "CVantoExeDlg::ProcessFontFile> ";
}  // namespace

TEST_F(FontFilesTest, NewFontCopiedLoadedRecordedAndNotCopiedAgain) {
  AddFont("VantoFont.ttf");
  CFontInstaller installer(m_display, m_windows, m_reg.root());
  EXPECT_EQ(installer.FontRegistryKey(), kFontKeyWow64);
  EXPECT_EQ(installer.HandleFontTypeFiles(m_items), 0);
  EXPECT_TRUE(FileExists(Installed("VantoFont.ttf")));
  std::string data;
  ASSERT_TRUE(Recorded(kFontKeyWow64, "VantoFont", &data));
  EXPECT_EQ(data, "VantoFont.ttf");
  EXPECT_EQ(m_display.m_steps,
            (std::vector<std::string>{"글꼴 등록중...", "글꼴 등록 중 : VantoFont.ttf", "글꼴 등록 완료."}));
  const std::string dst = Installed("VantoFont.ttf");
  for (const std::string& line : {
           "[INFO ] " + std::string(kPrefix) + "m_strTargetFile = " + m_items[0]->m_strLocalPath,
           "[INFO ] " + std::string(kPrefix) + "strFontDir = " + m_windows + "\\fonts",
           "[INFO ] " + std::string(kPrefix) + "strFontFile = VantoFont.ttf",
           "[INFO ] " + std::string(kPrefix) + "strDstFile = " + dst,
           "[INFO ] " + std::string(kPrefix) + "Font(" + dst + ") is not Exist",
           "[ERROR] " + std::string(kPrefix) + "CopyFile(" + dst + ") Success",
           "[INFO ] " + std::string(kPrefix) + "AddFontRecource(VantoFont.ttf) Success, nRet = ",
           "[INFO ] " + std::string(kPrefix) + "SetRegistryValue(VantoFont=VantoFont.ttf) Success. nRet = 1",
       })
    EXPECT_TRUE(m_log.Contains(line)) << line;
  EXPECT_FALSE(m_log.Contains("Try SetRegistryValue"));

  // The next run finds it in the folder and recorded: loaded, nothing written.
  ASSERT_TRUE(WriteWholeFile(m_items[0]->m_strLocalPath, "changed"));
  EXPECT_EQ(installer.HandleFontTypeFiles(m_items), 0);
  EXPECT_EQ(m_log.Count("CopyFile("), 1);
  EXPECT_TRUE(m_log.Contains("[INFO ] " + std::string(kPrefix) + "Previous Font(" + dst + ") is Already Exist"));
  EXPECT_TRUE(m_log.Contains("[INFO ] " + std::string(kPrefix) + "AddFontRecource(" + dst + ") Success. nRet = "));
  EXPECT_FALSE(m_log.Contains("Success, nRet = 0")) << m_log.Text();
  EXPECT_EQ(m_log.Count("SetRegistryValue("), 1);
}

TEST_F(FontFilesTest, PresentFontRecordedOnlyWhenMissingInAnyCase) {
  FileItem& item = AddFont("Present.ttf");
  ASSERT_TRUE(::CopyFileA(kNanumFont, Installed("Present.ttf").c_str(), FALSE));
  CFontInstaller installer(m_display, m_windows, m_reg.root());
  EXPECT_EQ(installer.ProcessFontFile(item, kFontKey, {"PRESENT.TTF"}), 0);
  std::string data;
  EXPECT_FALSE(Recorded(kFontKey, "Present", &data));
  EXPECT_EQ(installer.ProcessFontFile(item, kFontKey, {"Other.ttf"}), 0);
  EXPECT_TRUE(m_log.Contains("[INFO ] " + std::string(kPrefix) + "Try SetRegistryValue(Present=Present.ttf)"));
  ASSERT_TRUE(Recorded(kFontKey, "Present", &data));
  EXPECT_EQ(data, "Present.ttf");

  // A present font that does not load is no failure either.
  ASSERT_TRUE(WriteWholeFile(Installed("Broken.ttf"), "not a font"));
  EXPECT_EQ(installer.ProcessFontFile(AddFont("Broken.ttf"), kFontKey, {}), 0);
  EXPECT_TRUE(m_log.Contains("[INFO ] " + std::string(kPrefix) + "AddFontRecource(" + Installed("Broken.ttf") +
                             ") Fail, ErrCode = "));
}

TEST_F(FontFilesTest, FailuresCountButEveryFontIsTried) {
  AddFont("Garbage.ttf", "not a font at all");
  AddFont("Missing.ttf");
  ::DeleteFileA(m_items.back()->m_strLocalPath.c_str());
  AddFont("Skipped.ttf").m_nDownFlag = 0;
  AddFont("Good.ttf");
  CFontInstaller installer(m_display, m_windows, m_reg.root());
  EXPECT_EQ(installer.ProcessFontFile(*m_items[0], kFontKey, {}), -3);
  EXPECT_EQ(installer.ProcessFontFile(*m_items[1], kFontKey, {}), -2);
  EXPECT_FALSE(FileExists(Installed("Garbage.ttf"))) << "an unloadable copy does not stay in the folder";
  EXPECT_TRUE(m_log.Contains("[ERROR] " + std::string(kPrefix) + "AddFontRecource(Garbage.ttf) Fail, ErrCode = "));
  EXPECT_TRUE(m_log.Contains("[ERROR] " + std::string(kPrefix) + "CopyFile(" + Installed("Missing.ttf") +
                             ") Fail, ErrCode = 2"));

  EXPECT_EQ(installer.HandleFontTypeFiles(m_items), -1);
  EXPECT_FALSE(FileExists(Installed("Skipped.ttf")));
  EXPECT_TRUE(FileExists(Installed("Good.ttf")));
  std::string data;
  EXPECT_TRUE(Recorded(kFontKeyWow64, "Good", &data));
  EXPECT_FALSE(Recorded(kFontKeyWow64, "Garbage", &data));
}

TEST_F(FontFilesTest, PlainKeyWithoutSysWow64AndNothingToDoWithoutFonts) {
  ::RemoveDirectoryA((m_windows + "\\SysWOW64").c_str());
  CFontInstaller installer(m_display, m_windows, m_reg.root());
  EXPECT_EQ(installer.FontRegistryKey(), kFontKey);
  EXPECT_EQ(installer.HandleFontTypeFiles(m_items), 0);
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::HandleFontTypeFiles> Font file item is 0."));
  EXPECT_TRUE(m_display.m_steps.empty());
}
