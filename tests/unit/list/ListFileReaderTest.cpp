// Reading the list file into the lists, with the server behind a fake.
#include "list/ListFileReader.h"

#include <gtest/gtest.h>

#include <map>
#include <new>

#include "support/FakeRunDisplay.h"
#include "support/LogCapture.h"
#include "WinFileTime.h"
#include "support/TempDir.h"

namespace {
const SYSTEMTIME kServer = Fields(2021, 6, 7, 8, 9, 10);

struct ServerFile {
  int result = 0;
  std::string time;
  std::string size;
  int chunked = 0;
  int gzip = 0;
};

class ListFileReaderTest : public TempDirTest {
 protected:
  ListFileReaderTest() {
    m_cfg.TARGET_DIR = m_dir.path();
    m_cfg.LIST_FILE_NAME = "list.txt";
    m_context.display = &m_display;
    m_context.queryServerFileInfo = [this](FileItem& item) {
      m_queried.push_back(item.m_strFilePath);
      const auto found = m_server.find(item.m_strFilePath);
      if (found == m_server.end()) return -5;
      const ServerFile& file = found->second;
      item.m_nChunkedFlag = file.chunked;
      item.m_nGzipFlag = file.gzip;
      if (file.result != 0) return file.result;
      item.m_strModifyTime = file.time;
      if (!file.chunked) item.m_strFileSize = file.size;
      return 0;
    };
  }
  void WriteList(const std::string& text) { ASSERT_TRUE(WriteWholeFile(m_dir.Child("list.txt"), text)); }
  // A local file that is current against kServer (size 3).
  void WriteCurrent(const std::string& name) {
    ASSERT_TRUE(WriteWholeFile(m_dir.Child(name), "abc"));
    ASSERT_TRUE(SetWriteTimeUtc(m_dir.Child(name), kServer));
  }
  void Serve(const std::string& path, int result = 0) { m_server[path] = {result, TimeText(kServer), "3", 0, 0}; }
  int Read() { return GetFileListFromListFile(m_lists, m_cfg, m_context); }
  static std::vector<std::string> Paths(const FileItemList& list) {
    std::vector<std::string> paths;
    for (const auto& item : list) paths.push_back(item->m_strFilePath);
    return paths;
  }

  LogCapture m_log;
  FakeRunDisplay m_display;
  CVantoCfg m_cfg;
  ListReadContext m_context;
  CFileItemLists m_lists;
  std::map<std::string, ServerFile> m_server;
  std::vector<std::string> m_queried;
};
using Names = std::vector<std::string>;
}  // namespace

TEST_F(ListFileReaderTest, MissingListFile) {
  EXPECT_EQ(Read(), -1);
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::GetFileListFileFromFile> fopen(" + m_dir.Child("list.txt") +
                             ") Fail, ErrNo = 2"));
  EXPECT_TRUE(m_lists.DownFileItemList.empty());
}

TEST_F(ListFileReaderTest, TimeAndSizeInTheListDecideWithoutAsking) {
  const std::string t = TimeText(kServer);
  WriteCurrent("same.txt");
  WriteList("same.txt,,,," + t + ",3\nnew.txt,,,," + t + ",3\n");
  EXPECT_EQ(Read(), 1);
  EXPECT_TRUE(m_queried.empty());
  EXPECT_EQ(Paths(m_lists.DownFileItemList), (Names{"new.txt"}));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::GetFileListFileFromFile> Update Check(2) Line : new.txt,,,," + t + ",3"));
  EXPECT_FALSE(m_log.Contains("Update Check(2) Line : same.txt"));
}

TEST_F(ListFileReaderTest, OtherEntriesAreQueriedOnce) {
  WriteCurrent("same.txt");
  Serve("same.txt");
  Serve("changed.txt");
  WriteList("same.txt\nchanged.txt,,,,20210607080910\nfailing.txt,,,,,3\n");
  EXPECT_EQ(Read(), 2);
  EXPECT_EQ(m_queried, (Names{"same.txt", "changed.txt", "failing.txt"}));
  EXPECT_EQ(Paths(m_lists.DownFileItemList), (Names{"changed.txt", "failing.txt"}));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::GetFileListFileFromFile> Update Check(1) Line : changed.txt,,,,20210607080910"));
  EXPECT_TRUE(m_log.Contains(
      "[DEBUG] CVantoExeDlg::GetFileListFromListFile> Can't Get Server File(failing.txt) Info, So Add To Download File List"));
  // The server's answer is kept for the download.
  EXPECT_EQ(m_lists.DownFileItemList[0]->m_strFileSize, "3");
}

TEST_F(ListFileReaderTest, DeleteEntriesAreNeverQueried) {
  WriteList("gone.dll,,,DEL\nold/x.txt,,,del,20000101000000,1\n");
  EXPECT_EQ(Read(), 2);
  EXPECT_TRUE(m_queried.empty());
  EXPECT_EQ(Paths(m_lists.DownFileItemList), (Names{"gone.dll", "old/x.txt"}));
  EXPECT_TRUE(m_log.Contains(
      "[DEBUG] CVantoExeDlg::GetFileListFileFromFile> Files that need to be deleted do not extract information. => " +
      m_dir.Child("old\\x.txt")));
}

TEST_F(ListFileReaderTest, HandlerListsGetCopies) {
  for (const char* name : {"r.ocx", "f.ttf", "e.exe", "c.cmd", "z.zip", "a.dll", "zr.zip", "cz.zip"}) {
    WriteCurrent(name);
    Serve(name);
  }
  Serve("z2.zip");
  WriteList(
      "r.ocx,,,REG\nf.ttf,,,FNT\ng.fon,,,FON\ne.exe,,,EXE|w=1/a=\"-q\"\nc.cmd,,,CMD\n"
      "z.zip,,,ZIP\nz2.zip,,,ZIP\na.dll,,,ASM\na2.dll,,,ASM\nzr.zip,,,ZRG\nzr2.zip,,,ZRG\n");
  // Current: r.ocx f.ttf e.exe c.cmd z.zip a.dll zr.zip; g.fon a2.dll zr2.zip fail; z2.zip is missing locally.
  EXPECT_EQ(Read(), 4);
  EXPECT_EQ(Paths(m_lists.DownFileItemList), (Names{"g.fon", "z2.zip", "a2.dll", "zr2.zip"}));
  EXPECT_TRUE(m_lists.RegFileItemList.empty());  // ALL_REG_FLAG 0
  EXPECT_EQ(Paths(m_lists.FntFileItemList), (Names{"f.ttf", "g.fon"}));
  EXPECT_EQ(Paths(m_lists.CmdFileItemList), (Names{"e.exe", "c.cmd"}));
  EXPECT_EQ(Paths(m_lists.ZipFileItemList), (Names{"z2.zip"}));
  EXPECT_EQ(Paths(m_lists.RegAsmFileItemList), (Names{"a2.dll"}));
  EXPECT_EQ(Paths(m_lists.ZipRegFileItemList), (Names{"zr2.zip"}));
  EXPECT_EQ(m_lists.CmdFileItemList[0]->m_nWaitFlag, 1);
  EXPECT_EQ(m_lists.CmdFileItemList[0]->m_strArgument, "-q");
  EXPECT_EQ(m_lists.CmdFileItemList[0]->m_nDownFlag, 1);
  EXPECT_EQ(m_lists.DownFileItemList[0]->m_nDownFlag, 0);  // the entry itself, not a copy
}

TEST_F(ListFileReaderTest, AllRegFlagCollectsEveryRegEntry) {
  m_cfg.ALL_REG_FLAG = 1;
  WriteCurrent("r.ocx");
  Serve("r.ocx");
  WriteList("r.ocx,,,REG\nr2.ocx,,,reg\n");
  EXPECT_EQ(Read(), 1);
  EXPECT_EQ(Paths(m_lists.RegFileItemList), (Names{"r.ocx", "r2.ocx"}));
}

TEST_F(ListFileReaderTest, ZipCopyCarriesTheServersTransferFlags) {
  m_server["z.zip"] = {0, TimeText(kServer), "", 1, 1};
  WriteList("z.zip,,,ZIP\n");
  EXPECT_EQ(Read(), 1);
  ASSERT_EQ(m_lists.ZipFileItemList.size(), 1u);
  EXPECT_EQ(m_lists.ZipFileItemList[0]->m_nChunkedFlag, 1);
  EXPECT_EQ(m_lists.ZipFileItemList[0]->m_nGzipFlag, 1);
}

TEST_F(ListFileReaderTest, ExcludedAndEmptyServerPathEntriesAreDropped) {
  m_cfg.EXCLUDE_DIRS = "bin\\old,\"x,y\"";
  WriteList("bin/old/a.dll,,,DEL\nbin/older/b.dll,,,EXE\nBIN/old/c.dll,,,DEL\nx,y/z.txt,,,DEL\n\"x,y/z.txt\",,,DEL\n,q.txt,,DEL\n");
  EXPECT_EQ(Read(), 2);
  EXPECT_EQ(Paths(m_lists.DownFileItemList), (Names{"BIN/old/c.dll", "x"}));
  EXPECT_TRUE(m_lists.CmdFileItemList.empty());
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::GetFileListFileFromFile> nCompareExcludeDirFlag = 1"));
  EXPECT_TRUE(m_log.Contains("Line without server path skipped : ,q.txt,,DEL"));
}

TEST_F(ListFileReaderTest, ProgressAndFileLine) {
  std::string text;
  for (int i = 0; i < 120; ++i) text += i % 2 ? "# comment\n" : "\n";
  text += "gone.dll,,,DEL\n";
  WriteList(text);
  EXPECT_EQ(Read(), 1);
  ASSERT_EQ(m_display.m_ranges.size(), 1u);
  EXPECT_EQ(m_display.m_ranges[0].control, 1007);
  EXPECT_EQ(m_display.m_ranges[0].upper, 1000);
  EXPECT_EQ(m_display.m_positions,
            (std::vector<std::pair<int, int>>{{1007, 0}, {1007, 50}, {1007, 100}, {1007, 1000}}));
  EXPECT_EQ(m_display.m_texts, (std::vector<std::pair<int, std::string>>{{1001, "gone.dll"}}));
  EXPECT_EQ(m_display.m_pumps, (std::vector<int>{1001}));
}

TEST_F(ListFileReaderTest, FrameLogLines) {
  WriteList("#only a comment\r\n");
  EXPECT_EQ(Read(), 0);
  const std::string path = m_dir.Child("list.txt");
  for (const std::string& line : std::vector<std::string>{
        std::string("[INFO ] -------------------------------------------------------------------------------------- "
                    "Download List : S"),
        "[DEBUG] CVantoExeDlg::GetFileListFileFromFile> nCompareExcludeDirFlag = 0",
        "[DEBUG] CVantoExeDlg::GetFileListFileFromFile> fopen(" + path + ") Success",
        "[DEBUG] CVantoExeDlg::GetFileListFileFromFile> fclose(" + path + ") ret=0",
        std::string("[DEBUG] CVantoExeDlg::GetFileListFileFromFile> The number of files to download is 0."),
        std::string("[INFO ] -------------------------------------------------------------------------------------- "
                    "Download List : E")})
    EXPECT_TRUE(m_log.Contains(line)) << line;
}

TEST_F(ListFileReaderTest, TargetDirWithTrailingBackslash) {
  m_cfg.TARGET_DIR = m_dir.path() + "\\";
  m_cfg.LIST_FILE_NAME = "list.txt";
  WriteList("a/b.txt,,,DEL\n");
  // "%s\%s" of the configured value: the doubled backslash still names the file.
  EXPECT_EQ(Read(), 1);
  EXPECT_EQ(m_lists.DownFileItemList[0]->m_strLocalPath, m_dir.path() + "\\a\\b.txt");
}

// A list with more entries than memory counts as damaged; nothing escapes.
TEST_F(ListFileReaderTest, OutOfMemoryIsADamagedList) {
  WriteList("a.dll\r\nb.dll\r\nc.dll\r\n");
  Serve("a.dll");
  m_context.queryServerFileInfo = [this](FileItem& item) -> int {
    if (item.m_strFilePath == "b.dll") throw std::bad_alloc();
    m_queried.push_back(item.m_strFilePath);
    return -5;
  };
  EXPECT_EQ(Read(), -1);
  EXPECT_TRUE(m_lists.DownFileItemList.empty());
  EXPECT_TRUE(m_log.Contains("[ERROR] CVantoExeDlg::GetFileListFileFromFile> Out of memory reading " +
                             m_dir.Child("list.txt")));
}

// Before the first entry, a parallel run learns exactly the entries the
// reading will ask about, in the order it asks.
TEST_F(ListFileReaderTest, TheEntriesToAskAreAnnouncedInOrder) {
  m_cfg.EXCLUDE_DIRS = "skip";
  WriteList("a.dll\r\nknown.dll,,,,20210607080910,3\r\n# note\r\nold.dll,,,DEL\r\nskip\\x.dll,skip\\x.dll\r\n"
            ",\r\nsub/b.ocx,,,REG\r\nc.dll,,,,20210607080910\r\n");
  Serve("a.dll");
  Serve("sub/b.ocx");
  Serve("c.dll");
  std::vector<std::string> announced;
  int announcements = 0;
  m_context.announceQueries = [&](std::vector<std::string> paths) {
    ++announcements;
    EXPECT_TRUE(m_queried.empty()) << "announced before the first query";
    announced = std::move(paths);
  };
  Read();
  EXPECT_EQ(announcements, 1);
  EXPECT_EQ(announced, m_queried);
  EXPECT_EQ(announced, (std::vector<std::string>{"a.dll", "sub/b.ocx", "c.dll"}));

  // A signed list refuses entries without a digest before asking about them.
  m_lists.ClearAllFileItemLists();
  m_queried.clear();
  announcements = 0;
  m_context.requireDigest = true;
  WriteList("a.dll\r\nc.dll,,,,,,sha256:" + std::string(64, 'a') + "\r\n");
  Read();
  EXPECT_EQ(announcements, 1);
  EXPECT_EQ(announced, m_queried);
  EXPECT_EQ(announced, (std::vector<std::string>{"c.dll"}));
}

// Work an earlier run left undone: current entries the pending work names go
// on the down list (with their handler copies); other current ones do not.
TEST_F(ListFileReaderTest, PendingWorkTakesCurrentEntriesOn) {
  for (const char* name : {"a.zip", "b.zip", "c.reg"}) {
    WriteCurrent(name);
    Serve(name);
  }
  WriteList("a.zip,,,ZIP\nb.zip,,,ZIP\nc.reg,,,REF\n");
  const std::string pendingZip = m_dir.Child("a.zip");
  m_context.isPendingWork = [&](const FileItem& item) {
    return (item.m_nFileType == FILE_KIND_ZIP && item.m_strLocalPath == pendingZip) ||
           item.m_nFileType == FILE_KIND_REF;
  };
  EXPECT_EQ(Read(), 2);
  EXPECT_EQ(Paths(m_lists.DownFileItemList), (Names{"a.zip", "c.reg"}));
  EXPECT_EQ(Paths(m_lists.ZipFileItemList), (Names{"a.zip"}));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::GetFileListFileFromFile> Pending Work Of An Earlier Run : a.zip,,,ZIP"));
}

// a.dll.dll is the usual backup name of a.dll; published as a file of its
// own it is never taken for a leftover backup, neither deleted while a.dll
// is current nor moved over a.dll when a.dll is not.
TEST_F(ListFileReaderTest, APublishedFileNamedLikeABackupIsNoBackup) {
  const std::string t = TimeText(kServer);
  for (const bool current : {true, false}) {
    SCOPED_TRACE(current ? "a.dll current" : "a.dll changed");
    m_lists.ClearAllFileItemLists();
    if (current) {
      WriteCurrent("a.dll");
    } else {
      ASSERT_TRUE(WriteWholeFile(m_dir.Child("a.dll"), "old a"));
    }
    WriteCurrent("a.dll.dll");
    WriteCurrent("b.ocx.ocx");  // a real leftover: b.ocx.ocx is not published
    WriteCurrent("b.ocx");
    WriteList("a.dll,,,," + t + ",3\nb.ocx,,,," + t + ",3\na.dll.dll,,,," + t + ",3\n");
    EXPECT_EQ(Read(), current ? 0 : 1);
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(m_dir.Child("a.dll.dll"), &bytes));
    EXPECT_EQ(bytes, "abc");
    EXPECT_TRUE(ReadWholeFile(m_dir.Child("a.dll"), &bytes));
    EXPECT_EQ(bytes, current ? "abc" : "old a");
    EXPECT_FALSE(FileExists(m_dir.Child("b.ocx.ocx"))) << "leftovers of other entries are still recognised";
    EXPECT_TRUE(m_log.Contains("[INFO ] CVantoExeDlg::GetFileListFileFromFile> Backup Name Is Published, Backup Of " +
                               m_dir.Child("a.dll") + " Goes To " + m_dir.Child("a.dll.backup~")));
    if (!current) {
      ASSERT_EQ(m_lists.DownFileItemList.size(), 1u);
      EXPECT_EQ(m_lists.DownFileItemList[0]->m_strBackupPath, m_dir.Child("a.dll.backup~"));
    }
  }
}
