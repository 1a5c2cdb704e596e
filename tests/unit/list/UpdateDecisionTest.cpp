// The update decision: every doubt fetches.
#include "list/UpdateDecision.h"

#include <gtest/gtest.h>

#include "support/LogCapture.h"
#include "WinFileTime.h"
#include "support/TempDir.h"

namespace {
const SYSTEMTIME kServer = Fields(2020, 3, 4, 5, 6, 7);

class UpdateDecisionTest : public TempDirTest {
 protected:
  UpdateDecisionTest() {
    m_item.m_strFilePath = "srv/a.dll";
    m_item.m_strLocalPath = m_dir.Child("a.dll");
    m_item.m_strModifyTime = TimeText(kServer);
    m_item.m_strFileSize = "3";
  }
  // The local file with the server's time in the GMT sense, shifted.
  void WriteLocal(const std::string& bytes = "abc", long long shiftSeconds = 0) {
    ASSERT_TRUE(WriteWholeFile(m_item.m_strLocalPath, bytes));
    ASSERT_TRUE(SetWriteTimeUtc(m_item.m_strLocalPath, AddSeconds(kServer, shiftSeconds)));
  }
  int Decide() { return CheckDownloadAndSettleBackup(m_item, m_cfg); }

  LogCapture m_log;
  FileItem m_item;
  CVantoCfg m_cfg;
};
}  // namespace

TEST_F(UpdateDecisionTest, SameTimeAndSizeIsCurrent) {
  WriteLocal();
  EXPECT_EQ(Decide(), 0);
  EXPECT_FALSE(m_log.Contains("IsFileDifferent"));
}

TEST_F(UpdateDecisionTest, GapUpToTheSpanIsCurrent) {
  WriteLocal("abc", 5);
  EXPECT_EQ(Decide(), 0);
  WriteLocal("abc", -5);
  EXPECT_EQ(Decide(), 0);
  WriteLocal("abc", 6);
  EXPECT_EQ(Decide(), 1);
  EXPECT_TRUE(m_log.Contains(
      "[DEBUG] CVantoExeDlg::IsFileDifferent> 'srv/a.dll' >> The last modified time is different. [TimeGab=(6), "
      "TimeCheckSpan=(5), ServerGMT=(2020-03-04 05:06:07), LocalGMT=(2020-03-04 05:06:13), LocalTime=("));
}

TEST_F(UpdateDecisionTest, NewerLocalFileIsReplacedToo) {
  WriteLocal("abc", -3600);
  EXPECT_EQ(Decide(), 1);
  EXPECT_TRUE(m_log.Contains("[TimeGab=(3600), TimeCheckSpan=(5)"));
}

TEST_F(UpdateDecisionTest, SpanComesFromTheSettings) {
  m_cfg.TIME_CHECK_SPAN = 100;
  WriteLocal("abc", 100);
  EXPECT_EQ(Decide(), 0);
  m_cfg.TIME_CHECK_SPAN = -1;  // no gap is small enough
  WriteLocal();
  EXPECT_EQ(Decide(), 1);
}

TEST_F(UpdateDecisionTest, DifferentSizeFetches) {
  WriteLocal("abcd");
  EXPECT_EQ(Decide(), 1);
  EXPECT_TRUE(m_log.Contains(
      "[INFO ] CVantoExeDlg::IsFileDifferent> 'srv/a.dll' >> The size of the file is different. [Local=(4), Server=(3)]"));
}

TEST_F(UpdateDecisionTest, ZeroUnreadableOrEmptyServerSizeSkipsTheSizeTest) {
  WriteLocal("abcd");
  for (const char* size : {"0", "abc", "", "-4"}) {
    m_item.m_strFileSize = size;
    EXPECT_EQ(Decide(), 0) << size;
  }
  m_item.m_strFileSize = "4 bytes";  // leading digits count
  EXPECT_EQ(Decide(), 0);
  m_item.m_strFileSize = "5 bytes";
  EXPECT_EQ(Decide(), 1);
  EXPECT_FALSE(m_log.Contains("different. [Local=(4), Server=(0)]"));
}

TEST_F(UpdateDecisionTest, SizesBeyondTwoGigabytesDoNotWrap) {
  WriteLocal("abc");
  m_item.m_strFileSize = "4294967299";  // low 32 bits equal 3
  EXPECT_EQ(Decide(), 1);
}

TEST_F(UpdateDecisionTest, ChunkedEntryIsDecidedByTimeAlone) {
  WriteLocal("abcdef");
  m_item.m_nChunkedFlag = 1;
  EXPECT_EQ(Decide(), 0);
  EXPECT_TRUE(m_log.Contains("[INFO ] CVantoExeDlg::IsFileDifferent> '" + m_item.m_strLocalPath +
                             "' >> Transfer encoded chunked files cannot be compared in size."));
}

TEST_F(UpdateDecisionTest, MissingLocalFileFetchesSilently) {
  EXPECT_EQ(Decide(), 1);
  m_item.m_strLocalPath = m_dir.Child("no\\such\\dir\\a.dll");
  EXPECT_EQ(Decide(), 1);
  EXPECT_FALSE(m_log.Contains("IsFileDifferent"));
}

TEST_F(UpdateDecisionTest, UnreadableStatusIsLoggedAndFetches) {
  m_item.m_strLocalPath = m_dir.Child("bad?name");
  EXPECT_EQ(Decide(), 1);
  EXPECT_TRUE(m_log.Contains("CVantoExeDlg::IsFileDifferent> '" + m_item.m_strLocalPath +
                             "' >> Failed to check file status. [LastErrorCode=("));
}

TEST_F(UpdateDecisionTest, ServerTimeMissingOrMalformed) {
  WriteLocal();
  m_item.m_strModifyTime = "";
  EXPECT_EQ(Decide(), 1);
  EXPECT_TRUE(m_log.Contains(
      "[ERROR] CVantoExeDlg::IsFileDifferent> 'srv/a.dll' >> The last modified time of the file is unknown."));
  for (const char* text : {"2020030405060", "202003040506070"}) {
    m_item.m_strModifyTime = text;
    EXPECT_EQ(Decide(), 1) << text;
  }
  EXPECT_EQ(m_log.Count("[ERROR] CVantoExeDlg::IsFileDifferent> 'srv/a.dll' >> The string for the last modified time is "
                        "invalid."),
            2);
}

TEST_F(UpdateDecisionTest, SystemFileOnlyNeedsToExist) {
  m_item.m_nSysFileFlag = 1;
  EXPECT_EQ(Decide(), 1);
  EXPECT_TRUE(m_log.Contains("[INFO ] CVantoExeDlg::IsFileDifferent> '" + m_item.m_strLocalPath +
                             "' >> This file does not exist locally."));
  WriteLocal("different size", -86400);
  m_item.m_strModifyTime = "";
  EXPECT_EQ(Decide(), 0);
  EXPECT_TRUE(m_log.Contains("[INFO ] CVantoExeDlg::IsFileDifferent> '" + m_item.m_strLocalPath +
                             "' >> A system file that already exists locally."));
}

TEST_F(UpdateDecisionTest, DeleteEntryIsNeverFetched) {
  m_item.m_nFileType = FILE_KIND_DEL;
  EXPECT_EQ(Decide(), 0);
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::IsFileDifferent> 'srv/a.dll' >> Files that need to be deleted."));
  m_cfg.FILE_COMPARE_GMT_TIME = 0;
  EXPECT_EQ(Decide(), 0);
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::IsFileToDownload> File(srv/a.dll) is Delete Type File"));
}

TEST_F(UpdateDecisionTest, LocalTimeVariantComparesLocalCalendarTime) {
  m_cfg.FILE_COMPARE_GMT_TIME = 0;
  ASSERT_TRUE(WriteWholeFile(m_item.m_strLocalPath, "abc"));
  ASSERT_TRUE(SetWriteTimeLocal(m_item.m_strLocalPath, kServer));
  EXPECT_EQ(Decide(), 0);
  ASSERT_TRUE(SetWriteTimeLocal(m_item.m_strLocalPath, AddSeconds(kServer, 7)));
  EXPECT_EQ(Decide(), 1);
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::IsFileDifferent> File(" + m_item.m_strLocalPath +
                             ") dwTimeGab = 7, m_nTimeCheckSpan = 5"));
}

TEST_F(UpdateDecisionTest, ListFileIsComparedWithItsStampByTimeOnly) {
  m_cfg.RUN_MODE = "MODE1";
  const std::string stamp = m_item.m_strLocalPath + ".MODE1";
  EXPECT_EQ(IsListFileDifferent(m_item, m_cfg), 1);  // no stamp yet
  ASSERT_TRUE(WriteWholeFile(stamp, "_"));
  ASSERT_TRUE(SetWriteTimeUtc(stamp, kServer));
  EXPECT_EQ(IsListFileDifferent(m_item, m_cfg), 0);  // size 1 vs 3 is not looked at
  ASSERT_TRUE(SetWriteTimeUtc(stamp, AddSeconds(kServer, -6)));
  EXPECT_EQ(IsListFileDifferent(m_item, m_cfg), 1);
  // The list file itself is not what is compared.
  WriteLocal();
  EXPECT_EQ(IsListFileDifferent(m_item, m_cfg), 1);
}

// A backup beside a file is what an interrupted download left. When the
// file is current, that download had finished: the backup goes. When it is
// not, the old file is put back. System files, decided by existence alone,
// keep it.
TEST_F(UpdateDecisionTest, TheDecisionSettlesALeftoverBackup) {
  const std::string backup = m_item.m_strLocalPath + ".dll";
  WriteLocal("abc", 0);
  ASSERT_TRUE(WriteWholeFile(backup, "old"));
  m_item.m_nSysFileFlag = 1;
  EXPECT_EQ(Decide(), 0);
  EXPECT_TRUE(FileExists(backup));
  m_item.m_nSysFileFlag = 2;
  EXPECT_EQ(Decide(), 0);
  EXPECT_FALSE(FileExists(backup));
  EXPECT_TRUE(m_log.Contains("[INFO ] CVantoExeDlg::IsFileToDownload> Delete Backup File Of A Finished Download(" +
                             backup + ")"));
  WriteLocal("partial", 0);
  ASSERT_TRUE(WriteWholeFile(backup, "old"));
  EXPECT_EQ(Decide(), 1);
  EXPECT_FALSE(FileExists(backup));
  std::string bytes;
  EXPECT_TRUE(ReadWholeFile(m_item.m_strLocalPath, &bytes));
  EXPECT_EQ(bytes, "old");
}
