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

TEST(PublishedPathsTest, ThePartFileAvoidsPublishedNamesAndTheEntrysOwnBackup) {
  CPublishedPaths published;
  for (const char* path : {"C:\\App\\a.dll", "C:\\App\\A.DLL.PART~", "C:\\App\\a.dll.part1~", "C:\\App\\x.part~"})
    published.Add(path);
  const struct {
    const char* local;
    const char* backup;
    const char* part;
  } cases[] = {
      {"C:\\App\\a.dll", "C:\\App\\a.dll.dll", "C:\\App\\a.dll.part2~"},    // the usual and the next name published
      {"C:\\App\\b.dll", "C:\\App\\b.dll.dll", ""},                         // free: the usual name
      {"C:\\App\\x.part~", "C:\\App\\x.part~.part~", "C:\\App\\x.part~.part1~"},  // its backup has the usual part name
  };
  for (const auto& c : cases) EXPECT_EQ(published.SeparatePartPathFor(c.local, c.backup), c.part) << c.local;
}
