// One reading per folder answers for missing names, exactly as the file
// system would; the update decision gives the same answers with it.
#include "list/FolderListings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "list/UpdateDecision.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"
#include "WinFileTime.h"

namespace {
class FolderListingsTest : public TempDirTest {
 protected:
  std::string Path(const std::string& relative) const { return m_dir.Child(relative); }
  CFolderListings m_listings;
};
}  // namespace

TEST_F(FolderListingsTest, NamesAreComparedAsTheFileSystemComparesThem) {
  ASSERT_TRUE(WriteWholeFile(Path("Alpha.DLL"), "a"));
  ASSERT_TRUE(WriteWholeFile(Path("\xC7\xD1\xB1\xDB.txt"), "a"));  // 한글.txt
  ASSERT_TRUE(WriteWholeFile(Path("\xA5\xC1.dat"), "a"));          // Greek capital alpha
  ASSERT_TRUE(::CreateDirectoryA(Path("Sub").c_str(), nullptr));
  struct Case {
    const char* name;
    bool absent;
  } cases[] = {
      {"Alpha.DLL", false},
      {"alpha.dll", false},
      {"ALPHA.dll", false},
      {"\xC7\xD1\xB1\xDB.TXT", false},
      {"\xA5\xE1.dat", false},  // Greek small alpha: the same name to the file system
      {"sub", false},
      {"Alpha.DLL.dll", true},
      {"Alpha", true},
      {"\xC7\xD1.txt", true},
      {"missing\\x.dll", true},  // no such folder: nothing in it
      {"missing\\deeper\\x.dll", true},
      {"sub\\x.dll", true},
      {"Sub\\..\\alpha.dll", false},
      {"Sub\\..\\beta.dll", true},
  };
  for (const Case& c : cases) EXPECT_EQ(m_listings.IsKnownAbsent(Path(c.name)), c.absent) << c.name;
}

TEST_F(FolderListingsTest, NamesOneReadingCannotAnswerForAreAskedDirectly) {
  for (const char* name : {"no*.dll", "no?.dll", "nosuch.", "nosuch ", "NOSUCH~1.DLL", "file:stream", "bad\x01name",
                           "nul", "NUL.txt", "com1.dll", "Con .log", "lpt9", "conout$"})
    EXPECT_FALSE(m_listings.IsKnownAbsent(Path(name))) << name;
  EXPECT_FALSE(m_listings.IsKnownAbsent("relative\\x.dll"));
  EXPECT_FALSE(m_listings.IsKnownAbsent(""));
  EXPECT_FALSE(m_listings.IsKnownAbsent(Path("PROGRA~1\\x.dll")));
  EXPECT_FALSE(m_listings.IsKnownAbsent(Path(std::string(300, 'a'))));
}

// The folder is read once: what appears later is unknown to the reading
// until the run says it changed the name.
TEST_F(FolderListingsTest, OneReadingPerFolderUntilTheRunChangesAName) {
  ASSERT_TRUE(WriteWholeFile(Path("a.dll"), "a"));
  EXPECT_TRUE(m_listings.IsKnownAbsent(Path("b.dll")));
  ASSERT_TRUE(WriteWholeFile(Path("b.dll"), "b"));
  EXPECT_TRUE(m_listings.IsKnownAbsent(Path("b.dll")));
  m_listings.Forget(Path("B.DLL"));
  EXPECT_FALSE(m_listings.IsKnownAbsent(Path("b.dll")));
  EXPECT_TRUE(m_listings.IsKnownAbsent(Path("c.dll")));

  // A file written into a new folder made the folder too.
  EXPECT_TRUE(m_listings.IsKnownAbsent(Path("new")));
  EXPECT_TRUE(m_listings.IsKnownAbsent(Path("new\\deep\\x.dll")));
  ASSERT_TRUE(::CreateDirectoryA(Path("new").c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA(Path("new\\deep").c_str(), nullptr));
  ASSERT_TRUE(WriteWholeFile(Path("new\\deep\\x.dll"), "x"));
  m_listings.Forget(Path("new\\deep\\x.dll"));
  EXPECT_FALSE(m_listings.IsKnownAbsent(Path("new")));
  EXPECT_FALSE(m_listings.IsKnownAbsent(Path("new\\deep\\x.dll")));
  EXPECT_TRUE(m_listings.IsKnownAbsent(Path("new\\deep\\y.dll")));
}

// A download writes, moves and removes its file, the backup the reading chose
// and its partial file: none of them is answered from the old reading after.
// The backup and partial names of a run ("~" at the end) are never answered
// from a reading at all.
TEST_F(FolderListingsTest, ADownloadChangesItsFileBackupAndPartialFile) {
  FileItem item;
  item.m_strLocalPath = Path("a.dll");
  item.m_strBackupPath = Path("a.dll.backup~");
  EXPECT_TRUE(m_listings.IsKnownAbsent(Path("a.dll")));
  EXPECT_TRUE(m_listings.IsKnownAbsent(Path("a.dll.dll")));
  for (const char* name : {"a.dll.backup~", "a.dll.part~", "a.dll.backup1~"})
    EXPECT_FALSE(m_listings.IsKnownAbsent(Path(name))) << name;
  ASSERT_TRUE(WriteWholeFile(Path("a.dll"), "x"));
  ForgetDownloadNames(item, &m_listings);
  EXPECT_FALSE(m_listings.IsKnownAbsent(Path("a.dll")));
  EXPECT_TRUE(m_listings.IsKnownAbsent(Path("a.dll.dll")));

  // Without a chosen backup name the usual one changed.
  item.m_strBackupPath.clear();
  ForgetDownloadNames(item, &m_listings);
  EXPECT_FALSE(m_listings.IsKnownAbsent(Path("a.dll.dll")));
}

namespace {
const SYSTEMTIME kServer = Fields(2020, 3, 4, 5, 6, 7);

// Lays out one local state in dir for the entry "a.dll" (and its backup
// "a.dll.dll", or "a.dll.backup~" when the list publishes a.dll.dll).
struct LocalState {
  const char* what;
  const char* local;   // null: no file
  long long shift;     // seconds off the server time
  const char* backup;  // null: no backup
  int sysFile;
  bool separateBackup = false;
};

const char* BackupName(const LocalState& state) { return state.separateBackup ? "a.dll.backup~" : "a.dll.dll"; }

void LayOut(const ScopedTempDir& dir, const LocalState& state) {
  if (state.local) {
    ASSERT_TRUE(WriteWholeFile(dir.Child("a.dll"), state.local));
    ASSERT_TRUE(SetWriteTimeUtc(dir.Child("a.dll"), AddSeconds(kServer, state.shift)));
  }
  if (state.backup) {
    ASSERT_TRUE(WriteWholeFile(dir.Child(BackupName(state)), state.backup));
  }
}

FileItem EntryIn(const ScopedTempDir& dir, const LocalState& state) {
  FileItem item;
  if (state.separateBackup) item.m_strBackupPath = dir.Child(BackupName(state));
  item.m_strFilePath = "srv/a.dll";
  item.m_strLocalPath = dir.Child("A.dll");
  item.m_strModifyTime = TimeText(kServer);
  item.m_strFileSize = "3";
  item.m_nSysFileFlag = state.sysFile;
  return item;
}

// The log's lines from their level on (no clock), with dir as "<dir>".
std::string LinesWithoutTimes(const std::string& text, const std::string& dir) {
  std::string out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    const size_t level = line.find(" [");
    if (level != std::string::npos) line.erase(0, level + 1);
    for (size_t at; (at = line.find(dir)) != std::string::npos;) line.replace(at, dir.size(), "<dir>");
    out += line + "\n";
    start = end + 1;
  }
  return out;
}

std::string Contents(const std::string& path) {
  std::string bytes;
  return ReadWholeFile(path, &bytes) ? bytes : "<none>";
}
}  // namespace

// The same decision, the same log and the same files whether the folder's
// reading answers or the file system does.
TEST(FolderListingsDecision, DecidesExactlyAsTheFileSystemDoes) {
  const LocalState states[] = {
      {"missing", nullptr, 0, nullptr, 2},
      {"current", "abc", 0, nullptr, 2},
      {"other size", "abcd", 0, nullptr, 2},
      {"older", "abc", -3600, nullptr, 2},
      {"finished download", "abc", 0, "old", 2},
      {"interrupted download", "ab", 0, "old", 2},
      {"only the backup", nullptr, 0, "old", 2},
      {"system file present", "xyz", -86400, nullptr, 1},
      {"system file missing", nullptr, 0, nullptr, 1},
      {"finished download, separate backup", "abc", 0, "old", 2, true},
      {"interrupted download, separate backup", "ab", 0, "old", 2, true},
  };
  CVantoCfg cfg;
  for (const LocalState& state : states) {
    ScopedTempDir direct, listed;
    LayOut(direct, state);
    LayOut(listed, state);
    CFolderListings listings;
    LogCapture directLog;
    const int expected = CheckDownloadAndSettleBackup(EntryIn(direct, state), cfg);
    const std::string expectedLog = directLog.Text();
    LogCapture listedLog;
    EXPECT_EQ(CheckDownloadAndSettleBackup(EntryIn(listed, state), cfg, &listings), expected) << state.what;
    EXPECT_EQ(LinesWithoutTimes(listedLog.Text(), listed.path()), LinesWithoutTimes(expectedLog, direct.path()))
        << state.what;
    EXPECT_EQ(Contents(listed.Child("a.dll")), Contents(direct.Child("a.dll"))) << state.what;
    EXPECT_EQ(Contents(listed.Child(BackupName(state))), Contents(direct.Child(BackupName(state)))) << state.what;
    // The answer came from the reading, yet a second question sees what the
    // first one changed.
    EXPECT_EQ(CheckDownloadAndSettleBackup(EntryIn(listed, state), cfg, &listings),
              CheckDownloadAndSettleBackup(EntryIn(direct, state), cfg))
        << state.what << " (asked again)";
  }
}
