// Backup names of entries whose usual backup name the list publishes.
#include "list/PublishedPaths.h"

#include <gtest/gtest.h>

TEST(PublishedPathsTest, OnlyAPublishedBackupNameMovesTheBackupElsewhere) {
  CPublishedPaths published;
  for (const char* path : {"C:\\App\\a.dll", "C:\\App\\A.DLL.dll", "C:\\App\\x.ocx", "C:\\App\\b.exe",
                           "C:\\App\\b.exe.exe", "C:\\App\\b.exe.backup~", "C:\\App\\README", "C:/App/README.backup"})
    published.Add(path);
  EXPECT_EQ(published.SeparateBackupPathFor("C:\\App\\a.dll"), "C:\\App\\a.dll.backup~");  // case as Windows sees it
  EXPECT_EQ(published.SeparateBackupPathFor("C:\\App\\x.ocx"), "");
  EXPECT_EQ(published.SeparateBackupPathFor("C:\\App\\b.exe"), "C:\\App\\b.exe.backup1~");
  EXPECT_EQ(published.SeparateBackupPathFor("C:\\App\\README"), "C:\\App\\README.backup~");
  EXPECT_EQ(published.SeparateBackupPathFor("C:\\App\\new.dll"), "");
  EXPECT_TRUE(published.Contains("c:\\app\\X.OCX"));
}
