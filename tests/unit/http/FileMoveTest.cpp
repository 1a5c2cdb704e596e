#include <gtest/gtest.h>
#include <windows.h>

#include "http/FileMove.h"
#include "support/TempDir.h"

class FileMoveTest : public TempDirTest {};

TEST_F(FileMoveTest, MovesOverAReadOnlyDestinationAndClearsReadOnly) {
  const std::string from = m_dir.Child("a.dll");
  const std::string to = m_dir.Child("a.dll.dll");
  ASSERT_TRUE(WriteWholeFile(from, "new"));
  ASSERT_TRUE(WriteWholeFile(to, "old"));
  ::SetFileAttributesA(from.c_str(), FILE_ATTRIBUTE_READONLY);
  ::SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(MoveFileReplacing(from, to));
  std::string content;
  ASSERT_TRUE(ReadWholeFile(to, &content));
  EXPECT_EQ(content, "new");
  EXPECT_FALSE(FileExists(from));
  EXPECT_EQ(::GetFileAttributesA(to.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(FileMoveTest, MissingSourceFailsWithFileNotFound) {
  ::SetLastError(0);
  EXPECT_FALSE(MoveFileReplacing(m_dir.Child("none"), m_dir.Child("x")));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(MoveFileReplacing("", m_dir.Child("x")));
}
