// The stamp that remembers the last fully processed list file.
#include "list/ListStamp.h"

#include <gtest/gtest.h>

#include "support/LogCapture.h"
#include "WinFileTime.h"
#include "support/TempDir.h"
#include "list/UpdateDecision.h"

namespace {
class ListStampTest : public TempDirTest {
 protected:
  ListStampTest() {
    m_list.m_strFilePath = "list.txt";
    m_list.m_strLocalPath = m_dir.Child("list.txt");
    m_list.m_strModifyTime = "20220304050607";
    m_cfg.CHECK_LIST_FILE_FLAG = 1;
    m_cfg.RUN_MODE = "LOOM_BROWSER";
  }
  std::string Stamp() const { return m_list.m_strLocalPath + ".LOOM_BROWSER"; }
  LogCapture m_log;
  FileItem m_list;
  CVantoCfg m_cfg;
};
}  // namespace

TEST_F(ListStampTest, NothingWithoutTheCheckFlag) {
  ASSERT_TRUE(WriteWholeFile(m_list.m_strLocalPath, "a,b\n"));
  m_cfg.CHECK_LIST_FILE_FLAG = 0;
  EXPECT_EQ(CopyServerListFileToLocalListFile(m_list, m_cfg), 0);
  EXPECT_FALSE(FileExists(Stamp()));
  EXPECT_TRUE(m_log.Contains(
      "[INFO ] CVantoExeDlg::CopyServerListFileToLocalListFile> m_nCheckListFileFlag is 0, So Don't Copy List File"));
}

TEST_F(ListStampTest, OneByteStampAtTheServerTime) {
  ASSERT_TRUE(WriteWholeFile(m_list.m_strLocalPath, "a,b\nc,d\n"));
  EXPECT_EQ(CopyServerListFileToLocalListFile(m_list, m_cfg), 0);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(Stamp(), &bytes));
  EXPECT_EQ(bytes, "_");
  EXPECT_EQ(TimeText(WriteTimeUtc(Stamp())), "20220304050607");
  EXPECT_TRUE(FileExists(m_list.m_strLocalPath));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::CopyServerListFileToLocalListFile> Copy " + m_list.m_strLocalPath +
                             " -> " + Stamp()));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::CopyServerListFileToLocalListFile> Change Local List File Modify Date."));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::CopyServerListFileToLocalListFile> Set File Modify Date Success"));

  // The next check finds the list unchanged, until the server's time moves.
  EXPECT_EQ(IsListFileDifferent(m_list, m_cfg), 0);
  m_list.m_strModifyTime = "20220304050500";
  EXPECT_EQ(IsListFileDifferent(m_list, m_cfg), 1);
}

TEST_F(ListStampTest, StampInTheLocalTimeBase) {
  m_cfg.FILE_COMPARE_GMT_TIME = 0;
  ASSERT_TRUE(WriteWholeFile(m_list.m_strLocalPath, "x"));
  EXPECT_EQ(CopyServerListFileToLocalListFile(m_list, m_cfg), 0);
  EXPECT_EQ(IsListFileDifferent(m_list, m_cfg), 0);
}

TEST_F(ListStampTest, EachRunModeHasItsOwnStamp) {
  ASSERT_TRUE(WriteWholeFile(m_list.m_strLocalPath, "x"));
  EXPECT_EQ(CopyServerListFileToLocalListFile(m_list, m_cfg), 0);
  m_cfg.RUN_MODE = "OTHER";
  EXPECT_EQ(IsListFileDifferent(m_list, m_cfg), 1);
}

TEST_F(ListStampTest, FailedCopyKeepsTheOldStamp) {
  ASSERT_TRUE(WriteWholeFile(Stamp(), "_"));
  ASSERT_TRUE(SetWriteTimeUtc(Stamp(), Fields(2001, 1, 1, 0, 0, 0)));
  EXPECT_EQ(CopyServerListFileToLocalListFile(m_list, m_cfg), 0);  // no list file to copy
  EXPECT_EQ(TimeText(WriteTimeUtc(Stamp())), "20010101000000");
  EXPECT_TRUE(m_log.Contains("[INFO ] CVantoExeDlg::CopyServerListFileToLocalListFile> CopyFile(" +
                             m_list.m_strLocalPath + " -> " + Stamp() + ") Fail, ErrCode = 2"));
}

TEST_F(ListStampTest, BadServerTimeGivesMinusFive) {
  ASSERT_TRUE(WriteWholeFile(m_list.m_strLocalPath, "x"));
  m_list.m_strModifyTime = "2022";
  EXPECT_EQ(CopyServerListFileToLocalListFile(m_list, m_cfg), -5);
  EXPECT_TRUE(m_log.Contains("[ERROR] CVantoExeDlg::CopyServerListFileToLocalListFile> SetFileModifyDate() Fail, RetVal = -1"));
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(Stamp(), &bytes));
  EXPECT_EQ(bytes, "_");
}
