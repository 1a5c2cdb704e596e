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
      : m_local(m_dir.Child("app.dll")), m_saved(m_local + ".dll"), m_part(m_local + ".part~"),
        m_backup(m_local, m_caller) {}

  std::string Read(const std::string& path) {
    std::string bytes;
    return ReadWholeFile(path, &bytes) ? bytes : "(missing)";
  }
  // What an interrupted run of an earlier version left at the local path.
  void WritePartial(const std::string& bytes) { ASSERT_TRUE(WriteWholeFile(m_local, bytes)); }
  // The download writing the new content beside the local path.
  void WriteNew(const std::string& bytes) { ASSERT_TRUE(WriteWholeFile(m_part, bytes)); }
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
  std::string m_part;
  CDownloadBackup m_backup;
};

// The old file never leaves its path: the new one, written beside it,
// replaces it in one move, read-only or not; a failure leaves it alone.
TEST_F(DownloadBackupTest, TheOldFileStaysAtItsPathUntilTheNewOneReplacesIt) {
  ASSERT_TRUE(WriteWholeFile(m_local, "old"));
  ::SetFileAttributesA(m_local.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(m_backup.BackupPath(), m_saved);
  ASSERT_TRUE(m_backup.SecureOldFile());
  EXPECT_TRUE(m_backup.HasOldFile());
  WriteNew("first attempt");
  m_backup.RestoreBeforeTransfer();
  ASSERT_TRUE(m_backup.SecureOldFile());  // the second attempt
  WriteNew("partial");
  m_backup.Restore();
  m_backup.RestoreAfterError();
  m_backup.RestoreAfterOpenFailure();
  EXPECT_EQ(Read(m_local), "old");
  EXPECT_EQ(Read(m_saved), "(missing)");

  WriteNew("new");
  ASSERT_TRUE(m_backup.PutInPlace(m_part));
  m_backup.DeleteBackup();
  EXPECT_EQ(Read(m_local), "new");
  EXPECT_EQ(Read(m_part), "(missing)");
  EXPECT_EQ(Read(m_saved), "(missing)");
  EXPECT_TRUE(m_log.Contains(kPrefix + "Delete Backup File(" + m_saved + ")"));
  EXPECT_FALSE(m_log.Contains("File In Use"));
  EXPECT_TRUE(m_display.m_rows.empty());
}

// A file held open as a running program or a loaded DLL is (shared for
// reading and deleting, so it can be renamed but not replaced): the old file
// moves to the backup path first, then the new one takes its place.
TEST_F(DownloadBackupTest, AHeldOpenFileIsMovedAsideAndReplaced) {
  ASSERT_TRUE(WriteWholeFile(m_local, "old"));
  HANDLE held = ::CreateFileA(m_local.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(m_backup.SecureOldFile());
  WriteNew("new");
  const bool placed = m_backup.PutInPlace(m_part);
  ::CloseHandle(held);
  ASSERT_TRUE(placed);
  EXPECT_EQ(Read(m_local), "new");
  EXPECT_EQ(Read(m_saved), "old");
  EXPECT_TRUE(m_log.Contains("[INFO ] " + kPrefix + "File In Use, Moved To The Backup Before It Is Replaced(" +
                             m_local + " -> " + m_saved + "), ErrCode = "));
  m_backup.DeleteBackup();
  EXPECT_EQ(Read(m_saved), "(missing)");
  EXPECT_TRUE(m_display.m_rows.empty());
}

// The new file cannot take the place: the old one is back at its path, the
// new one stays where it was written (its owner removes it).
TEST_F(DownloadBackupTest, ANewFileThatCannotTakeThePlaceLeavesTheOldOne) {
  ASSERT_TRUE(WriteWholeFile(m_local, "old"));
  ASSERT_TRUE(m_backup.SecureOldFile());
  EXPECT_FALSE(m_backup.PutInPlace(m_part));  // nothing was written
  EXPECT_EQ(Read(m_local), "old");
  EXPECT_EQ(Read(m_saved), "(missing)");
  EXPECT_TRUE(m_log.Contains("[ERROR] " + kPrefix + "Move Down File Fail(" + m_part + " -> " + m_local +
                             "), ErrCode = 2"));
  EXPECT_TRUE(HasRow("로컬 파일 열기 실패(" + m_local + "). : "));
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
    EXPECT_FALSE(m_backup.HasOldFile());
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

// An old file held open so that it can be neither replaced nor moved aside
// is left untouched, and the new file does not take its place.
TEST_F(DownloadBackupTest, AnOldFileThatCannotBeSecuredIsLeftUntouched) {
  struct Case {
    const char* name;
    std::string local;
    DWORD shareMode;  // how another program holds the old file
  };
  const Case cases[] = {
      {"held for writing", m_local, FILE_SHARE_WRITE},
      {"held exclusively", m_local, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string part = c.local + ".part~";
    ASSERT_TRUE(WriteWholeFile(c.local, "old"));
    ASSERT_TRUE(WriteWholeFile(part, "new"));
    m_display.m_rows.clear();
    CDownloadBackup backup(c.local, m_caller);
    HANDLE held = ::CreateFileA(c.local.c_str(), GENERIC_WRITE, c.shareMode, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const bool secured = backup.SecureOldFile();
    const bool placed = backup.PutInPlace(part);
    ::CloseHandle(held);
    EXPECT_TRUE(secured);
    EXPECT_FALSE(placed);
    EXPECT_EQ(Read(c.local), "old");
    EXPECT_EQ(Read(part), "new");
    EXPECT_EQ(Read(backup.BackupPath()), "(missing)");
    EXPECT_TRUE(HasRow("백업 파일 복사 실패(" + c.local + "). : "));
    EXPECT_TRUE(m_log.Contains(kPrefix + "Failed to copy backup files.(" + c.local + " -> " + backup.BackupPath() +
                               "), ErrCode = "));
    EXPECT_TRUE(m_log.Contains(kPrefix + "The old file could not be backed up, so it is left untouched.(" + c.local +
                               ")"));
    ::DeleteFileA(c.local.c_str());
    ::DeleteFileA(part.c_str());
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
  EXPECT_TRUE(m_backup.HasOldFile());
  WriteNew("partial again");
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
