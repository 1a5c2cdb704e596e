#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "TestProcess.h"
#include "app/AppGlobals.h"
#include "app/AppLaunch.h"
#include "app/RunTwin.h"
#include "app/VantoExeApp.h"
#include "support/TempDir.h"

namespace {
TEST(MakeRunTwin, InsertsRunBeforeTheLastDot) {
  EXPECT_EQ(MakeRunTwin("C:\\Agent\\Agent.exe"), "C:\\Agent\\AgentRun.exe");
  EXPECT_EQ(MakeRunTwin("C:\\a.b\\loom.Browser.exe"), "C:\\a.b\\loom.BrowserRun.exe");
  EXPECT_EQ(MakeRunTwin("Agent.exe"), "AgentRun.exe");
  EXPECT_EQ(MakeRunTwin("C:\\NoExt\\Agent"), "C:\\NoExt\\Agent");
}

TEST(BuildCommandLine, QuotesTheProgramAndKeepsArguments) {
  EXPECT_EQ(BuildCommandLine("C:\\Program Files\\A\\AgentRun.exe", "-s \"x y\"", false),
            "\"C:\\Program Files\\A\\AgentRun.exe\" -s \"x y\"");
  EXPECT_EQ(BuildCommandLine("C:\\A\\B.exe", "", false), "\"C:\\A\\B.exe\"");
  EXPECT_EQ(BuildCommandLine("C:\\A\\B.exe", "", true), "\"C:\\A\\B.exe\" ");
}

TEST(GetCommandLineTail, SkipsTheProgramName) {
  EXPECT_EQ(GetCommandLineTail("\"C:\\Program Files\\V\\VantoExe.exe\" R"), "R");
  EXPECT_EQ(GetCommandLineTail("C:\\V\\VantoExe.exe   3 a b"), "3 a b");
  EXPECT_EQ(GetCommandLineTail("VantoExe.exe"), "");
  EXPECT_EQ(GetCommandLineTail("\"C:\\V\\VantoExe.exe\""), "");
  EXPECT_EQ(GetCommandLineTail("x.exe 1\x1a" "0\x1a"), "1\x1a" "0\x1a");
}

using LaunchFilesTest = TempDirTest;

TEST_F(LaunchFilesTest, CopyAndRunStartsTheRunTwinEvenInAFolderWithABlank) {
  // Unquoted, "...\my dir\Agent.exe" would start the decoy "...\my.exe".
  const std::string folder = m_dir.Child("my dir");
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
  const std::string agent = folder + "\\Agent.exe";
  const std::string decoy = m_dir.Child("my.exe");
  ASSERT_TRUE(::CopyFileA(ProbeExePath().c_str(), agent.c_str(), FALSE));
  ASSERT_TRUE(::CopyFileA(ProbeExePath().c_str(), decoy.c_str(), FALSE));
  EXPECT_EQ(CopyAndRun(agent, "sleep 30", "Corvo"), 0);
  ::Sleep(500);
  const std::string twin = folder + "\\AgentRun.exe";
  EXPECT_TRUE(FileExists(twin));
  EXPECT_TRUE(IsRunningFrom(twin));
  EXPECT_FALSE(IsRunningFrom(decoy));
  TerminateAllFrom(twin);
  TerminateAllFrom(decoy);
}

TEST_F(LaunchFilesTest, CopyAndRunResults) {
  EXPECT_EQ(CopyAndRun("", "", "Corvo"), 0);
  EXPECT_EQ(CopyAndRun("C:\\NoExtension\\Agent", "", "Corvo"), -1);
  // A file that is no program: copied, but not started.
  const std::string text = m_dir.Child("Notes.txt");
  ASSERT_TRUE(WriteWholeFile(text, "hello"));
  EXPECT_EQ(CopyAndRun(text, "", "Corvo"), -4);
  EXPECT_TRUE(FileExists(m_dir.Child("NotesRun.txt")));
}

TEST_F(LaunchFilesTest, StartExeByCreateProcessResults) {
  EXPECT_EQ(StartExeByCreateProcess("", "", "t"), -1);
  EXPECT_EQ(StartExeByCreateProcess(m_dir.Child("missing.exe"), "", "t"), -1);
  const std::string exe = m_dir.Child("with blank") + "\\Loom5.exe";
  ASSERT_TRUE(::CreateDirectoryA(m_dir.Child("with blank").c_str(), nullptr));
  ASSERT_TRUE(::CopyFileA(ProbeExePath().c_str(), exe.c_str(), FALSE));
  EXPECT_EQ(StartExeByCreateProcess(exe, "sleep 30", "loom5Browser"), 0);
  ::Sleep(500);
  EXPECT_TRUE(IsRunningFrom(exe));
  TerminateAllFrom(exe);
}

TEST_F(LaunchFilesTest, KillOperationsResults) {
  EXPECT_EQ(KillVantoExe(""), 0);
  EXPECT_EQ(KillVantoExe("C:\\NoDot\\VantoExeRun"), -1);
  EXPECT_EQ(KillVantoExe(m_dir.Child("VantoExeRun.exe")), -2);
  EXPECT_EQ(KillLoomBrowserRun(""), 0);
  EXPECT_EQ(KillLoomBrowserRun("C:\\NoDot\\loomBrowser"), -1);
  EXPECT_EQ(KillLoomBrowserRun(m_dir.Child("loomBrowser.exe")), -1);
  EXPECT_EQ(KillLoomBrowser5Run(m_dir.Child("loom5.exe")), -1);
}

TEST_F(LaunchFilesTest, KillLoomBrowserRunStopsTheTwinNotTheBrowser) {
  const std::string browser = m_dir.Child("loomBrowser.exe");
  ASSERT_TRUE(::CopyFileA(ProbeExePath().c_str(), browser.c_str(), FALSE));
  SleepingProcess original(browser, 60);
  SleepingProcess twin(m_dir.Child("loomBrowserRun.exe"), 60);
  ASSERT_TRUE(original.Running());
  ASSERT_TRUE(twin.Running());
  EXPECT_EQ(KillLoomBrowserRun(browser), 0);
  EXPECT_FALSE(twin.Running());
  EXPECT_TRUE(original.Running());
  EXPECT_EQ(KillLoomBrowser5Run(browser), 0);
  EXPECT_FALSE(original.Running());
}

TEST_F(LaunchFilesTest, KillVantoExeStopsTheRunningCopy) {
  SleepingProcess copy(m_dir.Child("VantoExeRun.exe"), 60);
  ASSERT_TRUE(copy.Running());
  EXPECT_EQ(KillVantoExe(m_dir.Child("VantoExeRun.exe")), 1);
  EXPECT_FALSE(copy.Running());
}

TEST_F(LaunchFilesTest, CopyAndStartSelfWithoutInstalledProgramIsMinusOne) {
  std::snprintf(g_szModuleDir, sizeof(g_szModuleDir), "%s", m_dir.path().c_str());
  EXPECT_EQ(CopyAndStartSelf("R"), -1);
  EXPECT_FALSE(FileExists(m_dir.Child("VantoExeRun.exe")));
  g_szModuleDir[0] = '\0';
}

TEST_F(LaunchFilesTest, CopyAndRunLoomBrowserReadsKoreanNamesWhole) {
  // 갏 is 81 49: lower-cased byte by byte, "갏EXPLORE" would read "...iexplore"
  // and Internet Explorer would start instead of the browser's Run twin.
  const std::string folder = m_dir.Child("갏EXPLORE");
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
  const std::string browser = folder + "\\loomBrowser.exe";
  ASSERT_TRUE(::CopyFileA(ProbeExePath().c_str(), browser.c_str(), FALSE));
  EXPECT_EQ(CopyAndRunLoomBrowser(browser, "sleep 30", "LoomBrowser"), 0);
  const std::string twin = folder + "\\loomBrowserRun.exe";
  EXPECT_TRUE(IsRunningFrom(twin));
  TerminateAllFrom(twin);
}

TEST(GetInternetExplorerPath, PrefersTheCopyInProgramFilesX86) {
  char programFiles[512] = "";
  ASSERT_TRUE(::SHGetSpecialFolderPathA(nullptr, programFiles, CSIDL_PROGRAM_FILES, FALSE));
  bool x86Exists = false;
  std::string x86, plain;
  const std::string chosen = GetInternetExplorerPath(&x86Exists, &x86, &plain);
  EXPECT_EQ(x86, std::string(programFiles) + " (x86)\\Internet Explorer\\IEXPLORE.EXE");
  EXPECT_EQ(plain, std::string(programFiles) + "\\Internet Explorer\\IEXPLORE.EXE");
  EXPECT_EQ(x86Exists, ::GetFileAttributesA(x86.c_str()) != INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(chosen, x86Exists ? x86 : plain);
#ifdef _WIN64
  EXPECT_TRUE(x86Exists) << "a 64-bit system keeps the 32-bit copy in Program Files (x86)";
#endif
}

TEST(GetOsMajorVersion, KnowsThisSystem) { EXPECT_GE(GetOsMajorVersion(), 5); }
}  // namespace
