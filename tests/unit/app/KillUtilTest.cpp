#include <gtest/gtest.h>

#include <windows.h>

#include "TestProcess.h"
#include "app/KillUtil.h"
#include "support/TempDir.h"

namespace {
// Every case runs on the Toolhelp path and on the native ntdll path.
class KillUtilTest : public TempDirTest, public ::testing::WithParamInterface<CKillUtil::Lookup> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(::CreateDirectoryA(m_dir.Child("A").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA(m_dir.Child("B").c_str(), nullptr));
  }
  std::string InA(const char* name) { return m_dir.Child("A") + "\\" + name; }
  std::string InB(const char* name) { return m_dir.Child("B") + "\\" + name; }
};

TEST_P(KillUtilTest, UsesTheSelectedEnumeration) {
  CKillUtil killer(GetParam());
  if (GetParam() == CKillUtil::Lookup::Native) {
    EXPECT_FALSE(killer.UsesToolhelp());
    EXPECT_TRUE(killer.UsesNative());
  } else {
    EXPECT_TRUE(killer.UsesToolhelp());
  }
}

TEST_P(KillUtilTest, KillsOnlyTheProcessOfTheGivenFolder) {
  SleepingProcess a(InA("VantoExeRun.exe"), 60);
  SleepingProcess b(InB("VantoExeRun.exe"), 60);
  ASSERT_TRUE(a.Running());
  ASSERT_TRUE(b.Running());
  CKillUtil killer(GetParam());
  EXPECT_TRUE(killer.KillProcess("VantoExeRun.exe", InB("VantoExeRun.exe").c_str()));
  EXPECT_FALSE(b.Running());
  EXPECT_TRUE(a.Running()) << "same name in another folder must be left alone";
}

TEST_P(KillUtilTest, NameAndPathCompareWithoutCase) {
  SleepingProcess b(InB("vantoexerun.EXE"), 60);
  ASSERT_TRUE(b.Running());
  std::string upper = InB("VANTOEXERUN.EXE");
  for (char& c : upper) c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
  CKillUtil killer(GetParam());
  EXPECT_TRUE(killer.KillProcess("VantoExeRun.exe", upper.c_str()));
  EXPECT_FALSE(b.Running());
}

TEST_P(KillUtilTest, FindReturnsAnOpenHandleAndTheProcessId) {
  SleepingProcess b(InB("Finder.exe"), 60);
  ASSERT_TRUE(b.Running());
  CKillUtil killer(GetParam());
  DWORD pid = 0;
  UniqueHandle handle = killer.FindProcess("Finder.exe", InB("Finder.exe").c_str(), &pid);
  ASSERT_TRUE(handle);
  EXPECT_EQ(pid, b.Pid());
  EXPECT_EQ(::GetProcessId(handle.get()), b.Pid());
  EXPECT_TRUE(b.Running()) << "finding must not end the process";
}

TEST_P(KillUtilTest, NoMatchingProcessGivesFalse) {
  SleepingProcess a(InA("Other.exe"), 60);
  CKillUtil killer(GetParam());
  EXPECT_FALSE(killer.KillProcess("Other.exe", InB("Other.exe").c_str()));
  EXPECT_FALSE(killer.KillProcess("Missing.exe", InA("Missing.exe").c_str()));
  EXPECT_TRUE(a.Running());
}

TEST_P(KillUtilTest, ProcessPathOfAnOpenProcess) {
  SleepingProcess a(InA("PathOf.exe"), 60);
  ASSERT_TRUE(a.Running());
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, a.Pid()));
  ASSERT_TRUE(process);
  CKillUtil killer(GetParam());
  char path[MAX_PATH] = "";
  EXPECT_EQ(killer.GetProcessPath(process.get(), path), 0);
  EXPECT_STRCASEEQ(path, InA("PathOf.exe").c_str());
}

INSTANTIATE_TEST_SUITE_P(BothPaths, KillUtilTest,
                         ::testing::Values(CKillUtil::Lookup::Auto, CKillUtil::Lookup::Native),
                         [](const ::testing::TestParamInfo<CKillUtil::Lookup>& info) {
                           return info.param == CKillUtil::Lookup::Auto ? "Toolhelp" : "Native";
                         });
}  // namespace
