// The pending-work record's text: round trip, damaged and hostile records.
#include "run/PendingWork.h"

#include <gtest/gtest.h>

TEST(PendingWorkTest, RoundTripAndWhatARecordCannotSmuggleIn) {
  CPendingWork work;
  EXPECT_TRUE(work.Add(FILE_KIND_ZIP, "C:\\App\\pkg\\a.zip"));
  EXPECT_TRUE(work.Add(FILE_KIND_REG, "C:\\App\\설정\\b.ocx"));
  EXPECT_FALSE(work.Add(FILE_KIND_ZIP, "c:\\app\\PKG\\A.ZIP")) << "the same file in another case";
  EXPECT_FALSE(work.Add(FILE_KIND_EXE, "C:\\App\\run.exe")) << "programs run on every run anyway";
  EXPECT_FALSE(work.Add(FILE_KIND_REF, "C:\\App\\a.reg\r\n7\tC:\\x.zip"));
  const CPendingWork back = CPendingWork::Parse(work.Serialize());
  ASSERT_EQ(back.Count(), 2);
  EXPECT_TRUE(back.Contains(FILE_KIND_REG, "C:\\APP\\설정\\B.OCX"));
  EXPECT_FALSE(back.Contains(FILE_KIND_ZIP, "C:\\App\\설정\\b.ocx"));

  // Damaged or foreign lines are skipped; a text without the header is no record.
  const std::string text = "VantoExe pending work 1\r\n7\tC:\\a.zip\r\n3\tC:\\run.exe\r\nx\tC:\\b\r\n9\t\r\n"
                           "\tC:\\c\r\n12345\tC:\\d\r\n6\tC:\\e.reg";
  const CPendingWork parsed = CPendingWork::Parse(text);
  ASSERT_EQ(parsed.Count(), 2);
  EXPECT_TRUE(parsed.Contains(FILE_KIND_ZIP, "C:\\a.zip"));
  EXPECT_TRUE(parsed.Contains(FILE_KIND_REF, "C:\\e.reg"));
  EXPECT_TRUE(CPendingWork::Parse("_").Empty());
  EXPECT_TRUE(CPendingWork::Parse("7\tC:\\a.zip\r\n").Empty());
}

TEST(PendingWorkTest, KindsClearAndOnlyListedEntriesStay) {
  CPendingWork work;
  work.Add(FILE_KIND_ZIP, "C:\\App\\a.zip");
  work.Add(FILE_KIND_ZRG, "C:\\App\\b.zip");
  work.Add(FILE_KIND_ASM, "C:\\App\\c.dll");
  EXPECT_TRUE(work.ClearKind(FILE_KIND_ZRG));
  EXPECT_FALSE(work.ClearKind(FILE_KIND_ZRG));
  FileItemList listed;
  auto item = std::make_unique<FileItem>();
  item->m_nFileType = FILE_KIND_ZIP;
  item->m_strLocalPath = "C:\\App\\A.zip";
  listed.push_back(std::move(item));
  EXPECT_TRUE(work.KeepListed(listed));
  ASSERT_EQ(work.Count(), 1);
  EXPECT_EQ(work.Entries()[0].localPath, "C:\\App\\a.zip");
  EXPECT_FALSE(work.KeepListed(listed));
}
