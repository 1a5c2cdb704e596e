#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>

#include "app/AppDirs.h"
#include "support/TempDir.h"

namespace {
bool IsDir(const std::string& path) {
  const DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

using CreateParentDirectoriesTest = TempDirTest;

TEST_F(CreateParentDirectoriesTest, CreatesTheChainButNotTheLastPart) {
  const std::string app = m_dir.Child("App");
  DWORD error = 99;
  EXPECT_EQ(CreateParentDirectories(app + "\\Target\\log", &error), 1);
  EXPECT_EQ(error, 0u);
  EXPECT_TRUE(IsDir(app));
  EXPECT_TRUE(IsDir(app + "\\Target"));
  EXPECT_FALSE(IsDir(app + "\\Target\\log"));
}

TEST_F(CreateParentDirectoriesTest, ExistingFoldersAreNoError) {
  const std::string path = m_dir.Child("Again") + "\\Deeper\\log";
  DWORD error = 0;
  ASSERT_EQ(CreateParentDirectories(path, &error), 1);
  EXPECT_EQ(CreateParentDirectories(path, &error), 1);
  EXPECT_EQ(error, 0u);
}

TEST_F(CreateParentDirectoriesTest, BlanksAroundThePathAreTrimmed) {
  DWORD error = 0;
  EXPECT_EQ(CreateParentDirectories("  " + m_dir.Child("Trim") + "\\log  ", &error), 1);
  EXPECT_TRUE(IsDir(m_dir.Child("Trim")));
}

TEST(CreateParentDirectories, EmptyOrBlankPathIsMinusTwo) {
  DWORD error = 7;
  EXPECT_EQ(CreateParentDirectories("", &error), -2);
  EXPECT_EQ(error, 0u);
  EXPECT_EQ(CreateParentDirectories("   \t", &error), -2);
}

TEST(CreateParentDirectories, PathWithoutBackslashIsMinusThree) {
  DWORD error = 0;
  EXPECT_EQ(CreateParentDirectories("relative", &error), -3);
  EXPECT_EQ(CreateParentDirectories("C:/Data/App/log", &error), -3);
}

TEST_F(CreateParentDirectoriesTest, AFileInTheWayIsMinusOneWithTheSystemError) {
  ASSERT_TRUE(WriteWholeFile(m_dir.Child("Blocker"), "x"));
  DWORD error = 0;
  EXPECT_EQ(CreateParentDirectories(m_dir.Child("Blocker") + "\\Inner\\log", &error), -1);
  EXPECT_NE(error, 0u);
  EXPECT_NE(error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
}

TEST_F(CreateParentDirectoriesTest, DriveRootTargetIsAccepted) {
  // TARGET_DIR "C:\" is normalised to "C:"; its log folder lies on the root.
  DWORD error = 0;
  const std::string drive = m_dir.path().substr(0, 2);
  EXPECT_EQ(CreateParentDirectories(drive + "\\log", &error), 1) << "error " << error;
}

TEST(CreateDirectory_GrantAccess, EmptyPathFailsWithPathNotFound) {
  DWORD error = 0;
  EXPECT_EQ(CreateDirectory_GrantAccess("", &error), 0);
  EXPECT_EQ(error, 3u);
}

TEST_F(CreateParentDirectoriesTest, GrantAccessCreatesAndReportsExisting) {
  DWORD error = 0;
  const std::string dir = m_dir.Child("Granted");
  EXPECT_EQ(CreateDirectory_GrantAccess(dir, &error), 1);
  EXPECT_EQ(error, 0u);
  EXPECT_TRUE(IsDir(dir));
  EXPECT_EQ(CreateDirectory_GrantAccess(dir, &error), 0);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
}

TEST_F(CreateParentDirectoriesTest, FirstLevelGrantsEveryoneFullAccessInherited) {
  DWORD error = 0;
  const std::string dir = m_dir.Child("Shared");
  ASSERT_EQ(CreateDirectory_GrantAccess(dir, &error), 1);
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_EQ(::GetNamedSecurityInfoA(dir.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                    nullptr, &sd),
            static_cast<DWORD>(ERROR_SUCCESS));
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  ASSERT_TRUE(::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
  bool found = false;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    if (!::GetAce(dacl, i, reinterpret_cast<void**>(&ace))) continue;
    if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    if (!::EqualSid(&ace->SidStart, everyone)) continue;
    found = (ace->Header.AceFlags & (CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE)) ==
            (CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE);
  }
  ::FreeSid(everyone);
  ::LocalFree(sd);
  EXPECT_TRUE(found) << "no inherited Everyone entry";
}
}  // namespace
