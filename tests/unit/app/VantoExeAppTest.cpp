#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "app/VantoExeApp.h"
#include "support/TempDir.h"
#include "util/MyLog.h"

namespace {
// An application object whose log writes into the test folder.
class VantoExeAppTest : public TempDirTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(m_log.Init(m_dir.Child("log").c_str(), "VantoExe", 10, "DEBUG", 0), 0);
    g_pMyLog = &m_log;
  }
  void TearDown() override { g_pMyLog = nullptr; }
  std::string LogText() {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((m_dir.Child("log") + "\\VantoExe_*.log").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return std::string();
    ::FindClose(find);
    std::string text;
    ReadWholeFile(m_dir.Child("log") + "\\" + data.cFileName, &text);
    return text;
  }
  CMyLog m_log;
};

TEST_F(VantoExeAppTest, SpecialDirMapIsLoggedLookedUpAndCleared) {
  CVantoExeApp app;
  EXPECT_EQ(GetVantoExeApp(), &app);
  app.ClearSpecialDirMap();
  app.LoadSpecialDirMap();
  char folder[512] = "unchanged";
  app.GetSpecialDir("_fonts", folder);
  EXPECT_STREQ(folder, "unchanged");
  app.GetSpecialDir("_SYSTEM_32BIT", folder);
  char windows[MAX_PATH];
  ::GetWindowsDirectoryA(windows, MAX_PATH);
  EXPECT_STRCASEEQ(folder, (std::string(windows) + "\\SysWOW64").c_str());
  EXPECT_EQ(app.GetSpecialDirMap().size(), 9u);
  app.ClearSpecialDirMap();
  EXPECT_TRUE(app.GetSpecialDirMap().empty());

  const std::string log = LogText();
  const size_t empty = log.find("[DEBUG] CVantoExeApp::ClearSpecialDirMap> Map Count = 0");
  const size_t entry = log.find("[DEBUG] CVantoExeApp::LoadSpecialDirMap> _SYSTEM_32BIT = [");
  const size_t full = log.find("[DEBUG] CVantoExeApp::ClearSpecialDirMap> Map Count = 9");
  ASSERT_NE(empty, std::string::npos);
  ASSERT_NE(entry, std::string::npos);
  ASSERT_NE(full, std::string::npos);
  EXPECT_LT(empty, entry);
  EXPECT_LT(entry, full);
}

TEST(VantoExeApp, VersionComesFromTheProgramFile) {
  // The test program carries no version resource: empty text.
  EXPECT_EQ(CVantoExeApp::GetAppVersion(), "");
}

TEST(VantoExeApp, DefaultIniLiesBesideTheProgram) {
  char path[MAX_PATH];
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string expected = path;
  expected = expected.substr(0, expected.rfind('\\')) + "\\Vanto.ini";
  EXPECT_EQ(CVantoExeApp::GetDefaultIniPath(), expected);
}

TEST(VantoExeApp, ApplicationObjectIsKnownOnlyDuringItsLife) {
  {
    CVantoExeApp app;
    EXPECT_EQ(GetVantoExeApp(), &app);
  }
  EXPECT_EQ(GetVantoExeApp(), nullptr);
}
}  // namespace
