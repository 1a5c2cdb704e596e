#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/FakeRunDisplay.h"
#include "support/LogCapture.h"
#include "http/DownloadBackup.h"
#include "support/TempDir.h"

namespace {
const std::string kPrefix = "CVantoExeDlg::DownloadOneFileFromServer> ";

class DownloadBackupTest : public TempDirTest {
 protected:
  DownloadBackupTest()
      : m_local(m_dir.Child("app.dll")), m_saved(m_local + ".dll"), m_backup(m_local, m_caller) {}

  std::string Read(const std::string& path) {
    std::string bytes;
    return ReadWholeFile(path, &bytes) ? bytes : "(missing)";
  }
  // The download writing the local path.
  void WritePartial(const std::string& bytes) { ASSERT_TRUE(WriteWholeFile(m_local, bytes)); }
  bool HasRow(const std::string& start) {
    for (const auto& row : m_display.m_rows) {
      if (row.first == LIST_ROW_ERROR && row.second.compare(0, start.size(), start) == 0) return true;
    }
    return false;
  }

  LogCapture m_log;
  FakeRunDisplay m_display;
  int32_t m_stop = 0;
  std::string m_msg;
  DownloadCaller m_caller{m_display, m_stop, m_msg};
  std::string m_local;
  std::string m_saved;
  CDownloadBackup m_backup;
};

TEST_F(DownloadBackupTest, ReadOnlyOldFileIsSecuredAndComesBack) {
  ASSERT_TRUE(WriteWholeFile(m_local, "old"));
  ::SetFileAttributesA(m_local.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(m_backup.BackupPath(), m_saved);
  m_backup.SecureOldFile();
  EXPECT_EQ(Read(m_local), "(missing)");
  EXPECT_EQ(Read(m_saved), "old");
  WritePartial("partial");
  m_backup.Restore();
  EXPECT_EQ(Read(m_local), "old");
  EXPECT_EQ(Read(m_saved), "(missing)");
  EXPECT_TRUE(m_display.m_rows.empty());
}

TEST_F(DownloadBackupTest, SecondAttemptDropsThePartialFileAndKeepsTheOldOne) {
  ASSERT_TRUE(WriteWholeFile(m_local, "old"));
  m_backup.SecureOldFile();
  WritePartial("first attempt");
  m_backup.SecureOldFile();
  EXPECT_EQ(Read(m_local), "(missing)");
  EXPECT_EQ(Read(m_saved), "old");
  // Failing before the second transfer still brings the old file back.
  m_backup.RestoreBeforeTransfer();
  EXPECT_EQ(Read(m_local), "old");
  // Success: the backup goes.
  m_backup.SecureOldFile();
  WritePartial("new");
  m_backup.DeleteBackup();
  EXPECT_EQ(Read(m_local), "new");
  EXPECT_EQ(Read(m_saved), "(missing)");
  EXPECT_TRUE(m_log.Contains(kPrefix + "Delete Backup File(" + m_saved + ")"));
  EXPECT_TRUE(m_display.m_rows.empty());
}

// Without an old file every way of failing removes the partial file and
// says that nothing could be restored, with the backup path in the row.
TEST_F(DownloadBackupTest, WithoutAnOldFileAFailureLeavesNoPartialFile) {
  struct Case {
    void (CDownloadBackup::*restore)();
    const char* row;
    const char* log;
  };
  const Case cases[] = {
      {&CDownloadBackup::Restore, "백업 파일 복원 실패(", "Restore Backup File Fail("},
      {&CDownloadBackup::RestoreAfterOpenFailure, "백업 파일 복구 실패(", "Restore Backup File Fail("},
      {&CDownloadBackup::RestoreAfterError, "백업 파일 복원 실패(", "Restore Backup File Fail, ErrCode = 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    m_display.m_rows.clear();
    m_backup.SecureOldFile();
    WritePartial("partial");
    (m_backup.*c.restore)();
    EXPECT_EQ(Read(m_local), "(missing)");
    EXPECT_TRUE(HasRow(std::string(c.row) + m_saved + "). : ")) << (m_display.m_rows.empty() ? "" : m_display.m_rows[0].second);
    EXPECT_EQ(m_msg, m_display.m_rows.empty() ? "" : m_display.m_rows.back().second);
    EXPECT_TRUE(m_log.Contains(kPrefix + c.log));
  }
  EXPECT_TRUE(m_log.Contains(kPrefix + "Restore Backup File Fail(" + m_saved + " -> " + m_local + "), ErrCode = 2"));
}

TEST_F(DownloadBackupTest, NothingMovedNothingRestoredAfterAnEarlyError) {
  ASSERT_TRUE(WriteWholeFile(m_local, "old"));
  m_backup.RestoreBeforeTransfer();
  m_backup.RestoreAfterError();
  EXPECT_EQ(Read(m_local), "old");
  EXPECT_TRUE(m_display.m_rows.empty());
  EXPECT_FALSE(m_log.Contains("Restore Backup File Fail"));
}

// An old file that cannot be moved away is never opened for writing: the
// download would truncate it with no backup to bring it back.
TEST_F(DownloadBackupTest, AnOldFileThatCannotBeSecuredIsLeftUntouched) {
  struct Case {
    const char* name;
    std::string local;
    DWORD shareMode;  // how another program holds the old file
  };
  // Too long a backup path (the local path itself still fits).
  const std::string longName = m_dir.Child(std::string(254 - m_dir.path().size(), 'x') + ".dll");
  const Case cases[] = {
      {"held for writing", m_local, FILE_SHARE_WRITE},
      {"held exclusively", m_local, 0},
      {"backup path too long", longName, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_LT(c.local.size(), static_cast<size_t>(MAX_PATH));  // the backup path may be longer
    ASSERT_TRUE(WriteWholeFile(c.local, "old"));
    m_display.m_rows.clear();
    CDownloadBackup backup(c.local, m_caller);
    HANDLE held = ::CreateFileA(c.local.c_str(), GENERIC_WRITE, c.shareMode, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const bool secured = backup.SecureOldFile();
    ::CloseHandle(held);
    EXPECT_FALSE(secured);
    EXPECT_EQ(Read(c.local), "old");
    EXPECT_EQ(Read(backup.BackupPath()), "(missing)");
    EXPECT_TRUE(HasRow("백업 파일 복사 실패(" + c.local + "). : "));
    EXPECT_TRUE(m_log.Contains(kPrefix + "Failed to copy backup files.(" + c.local + " -> " + backup.BackupPath() +
                               "), ErrCode = "));
    EXPECT_TRUE(m_log.Contains(kPrefix + "The old file could not be backed up, so it is left untouched.(" + c.local +
                               ")"));
    ::DeleteFileA(c.local.c_str());
  }
}

// A path the system cannot tell anything about may hold a file: it is not
// taken for a missing one.
TEST_F(DownloadBackupTest, AnUnreadableStatusIsNotTakenForAMissingFile) {
  const std::string tooLong = m_dir.Child(std::string(300, 'y') + ".dll");
  CDownloadBackup backup(tooLong, m_caller);
  EXPECT_FALSE(backup.SecureOldFile());
  EXPECT_TRUE(HasRow("백업 파일 복사 실패(" + tooLong + "). : "));
}

// What an interrupted run leaves: the old file as the backup, beside the
// unfinished new one. The next download puts the old file back first and
// goes on from there; the backup is never overwritten by the partial file.
TEST_F(DownloadBackupTest, ALeftoverBackupIsTheLastGoodFile) {
  ASSERT_TRUE(WriteWholeFile(m_saved, "old"));
  WritePartial("partial of the interrupted run");
  m_backup.PutBackLeftover();
  EXPECT_EQ(Read(m_local), "old");
  EXPECT_EQ(Read(m_saved), "(missing)");
  EXPECT_TRUE(m_log.Contains(kPrefix + "Put Back Backup File Of An Interrupted Download(" + m_saved + " -> " +
                             m_local + ")"));
  ASSERT_TRUE(m_backup.SecureOldFile());
  EXPECT_EQ(Read(m_saved), "old");
  WritePartial("partial again");
  m_backup.Restore();
  EXPECT_EQ(Read(m_local), "old");
  EXPECT_EQ(Read(m_saved), "(missing)");
  EXPECT_TRUE(m_display.m_rows.empty());

  // Held so that it cannot be put back: it stays, and nothing replaces it.
  ASSERT_TRUE(WriteWholeFile(m_saved, "old"));
  WritePartial("partial");
  CDownloadBackup next(m_local, m_caller);
  HANDLE held = ::CreateFileA(m_saved.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  next.PutBackLeftover();
  const bool secured = next.SecureOldFile();
  ::CloseHandle(held);
  EXPECT_FALSE(secured);
  EXPECT_EQ(Read(m_saved), "old");
  EXPECT_TRUE(HasRow("백업 파일 복원 실패(" + m_saved + "). : "));
  EXPECT_TRUE(HasRow("백업 파일 복사 실패(" + m_local + "). : "));
}

// The next run's decision settles a leftover backup: a current file is the
// complete new one and its old version goes; otherwise the old file is put
// back at once.
TEST_F(DownloadBackupTest, TheDecisionSettlesALeftoverBackup) {
  ASSERT_TRUE(WriteWholeFile(m_local, "new"));
  ASSERT_TRUE(WriteWholeFile(m_saved, "old"));
  ::SetFileAttributesA(m_saved.c_str(), FILE_ATTRIBUTE_READONLY);
  SettleLeftoverBackup(m_local, true, "Test> ");
  EXPECT_EQ(Read(m_local), "new");
  EXPECT_EQ(Read(m_saved), "(missing)");
  EXPECT_TRUE(m_log.Contains("Test> Delete Backup File Of A Finished Download(" + m_saved + ")"));

  ASSERT_TRUE(WriteWholeFile(m_saved, "old"));
  WritePartial("partial");
  SettleLeftoverBackup(m_local, false, "Test> ");
  EXPECT_EQ(Read(m_local), "old");
  EXPECT_EQ(Read(m_saved), "(missing)");
  EXPECT_TRUE(m_log.Contains("Test> Put Back Backup File Of An Interrupted Download(" + m_saved + " -> " + m_local +
                             ")"));
  SettleLeftoverBackup(m_local, true, "Test> ");  // nothing there: nothing to log
  EXPECT_EQ(m_log.Count("Test> "), 2);
}
}  // namespace
