// Lists made from a publish folder: clients must read the made times and
// sizes exactly as a HEAD query would have given them, and every entry of
// the old list must keep what the administrator wrote in fields 1 to 4.
#include "list/ListMaker.h"

#include <gtest/gtest.h>

#include "list/ListLineParser.h"

namespace {
struct TimeCase {
  int64_t utc;
  int gmt;
  const char* want;
};

TEST(ListMaker, TimeTextIsWhatTheHeadQueryGives) {
  const TimeCase cases[] = {
      {0, 1, "19700101000000"},
      {1445412480, 1, "20151021072800"},  // Wed, 21 Oct 2015 07:28:00 GMT
      {1445412480, 0, "20151021162800"},  // the same, 9 hours later
      {1445470200, 0, "20151022083000"},  // 23:30 GMT is the next morning
      {1709251199, 1, "20240229235959"},  // leap day
      {1709251200, 1, "20240301000000"},
      {-1, 1, "19691231235959"},
  };
  for (const TimeCase& c : cases) EXPECT_EQ(MakeListTimeText(c.utc, c.gmt), c.want) << c.utc << " gmt " << c.gmt;
}

std::vector<ListPiece> Pieces(const std::vector<std::string>& lines) {
  std::vector<ListPiece> pieces;
  int line = 0;
  for (const std::string& text : lines) pieces.push_back({text, ++line});
  return pieces;
}

FileItem Parse(const std::string& line) {
  FileItem item;
  ParseListLine(line, item);
  return item;
}

bool HasNote(const ListMakeResult& result, const std::string& part) {
  for (const std::string& note : result.notes)
    if (note.find(part) != std::string::npos) return true;
  return false;
}

TEST(ListMaker, KeepsWhatTheOldListSaysAndAddsTimeAndSize) {
  const int64_t t = 1445412480;
  const std::vector<PublishedFile> files = {
      {"app/bin/x.dll", t, 9000},     {"a/e.exe", t + 1, 12},       {"q/a,b.txt", t + 2, 5},
      {"new/z.txt", t + 3, 0},        {"#hash.txt", t + 4, 7},      {"a/wide.txt", t + 5, 8589934592},
      {"bin/old.dll", t + 6, 1},      {"a/broken.exe", t + 7, 3},   {"a/del.txt", t + 8, 4},
      {"a/sys.dll", t + 9, 10},
  };
  const std::vector<ListPiece> old = Pieces({
      "# the administrator's comment",
      "",
      "app/bin/x.dll,_SYSTEM/x.dll,,REG|PASS",
      "a/e.exe,,,EXE|w=1/a=\"-s /q\",20000101000000,1,old-extra",
      "\"q/a,b.txt\"",
      "a/del.txt,,,DEL",
      "gone/missing.dll,,,REG",
      "a/broken.exe,,,EXE|a=\"x,y",
      "a\\wide.txt,d/wide.txt",
      "a/sys.dll,,SYS",
      ",no/path.txt",
  });
  const ListMakeResult made = MakeListFile(files, old, ListMakeOptions());
  const std::vector<std::string> want = {
      "# the administrator's comment",
      "",
      "app/bin/x.dll,_SYSTEM/x.dll,,REG|PASS,20151021072800,9000",
      "a/e.exe,,,EXE|w=1/a=\"-s /q\",20151021072801,12",
      "\"q/a,b.txt\",,,,20151021072802,5",
      "a/del.txt,,,DEL",
      "gone/missing.dll,,,REG",
      "a/broken.exe,,,EXE|a=\"x,y",
      "a\\wide.txt,d/wide.txt,,,20151021072805,8589934592",
      "a/sys.dll,,SYS,,20151021072809,10",
      ",no/path.txt",
      "\"#hash.txt\",,,,20151021072804,7",
      "bin/old.dll,,,,20151021072806,1",
      "new/z.txt,,,,20151021072803,0",
  };
  EXPECT_EQ(made.lines, want);
  EXPECT_EQ(made.updated, 5);
  EXPECT_EQ(made.added, 3);
  EXPECT_EQ(made.keptAsWritten, 3);
  EXPECT_TRUE(HasNote(made, "line 4: fields behind field 6 dropped"));
  EXPECT_TRUE(HasNote(made, "line 7: 'gone/missing.dll' is not in the publish folder"));
  EXPECT_TRUE(HasNote(made, "line 8: its quotes do not allow"));
  EXPECT_TRUE(HasNote(made, "line 11: no server path"));

  // Clients read the made entries with the old kinds, paths and options.
  const FileItem x = Parse(made.lines[2]);
  EXPECT_EQ(x.m_strTargetPath, "_SYSTEM/x.dll");
  EXPECT_EQ(x.m_nFileType, FILE_KIND_REG);
  EXPECT_EQ(x.m_nPassFlag, 1);
  EXPECT_EQ(x.m_strModifyTime, "20151021072800");
  EXPECT_EQ(x.m_strFileSize, "9000");
  const FileItem e = Parse(made.lines[3]);
  EXPECT_EQ(e.m_nWaitFlag, 1);
  EXPECT_EQ(e.m_strArgument, "-s /q");
  EXPECT_EQ(Parse(made.lines[4]).m_strFilePath, "q/a,b.txt");
  EXPECT_EQ(Parse(made.lines[9]).m_nSysFileFlag, 1);
  const FileItem hash = Parse(made.lines[11]);
  EXPECT_EQ(hash.m_strFilePath, "#hash.txt");
  EXPECT_EQ(hash.m_strFileSize, "7");
}

TEST(ListMaker, WithoutAnOldListEveryFileInPathOrder) {
  const ListMakeResult made =
      MakeListFile({{"b.txt", 0, 1}, {"a/c.txt", 86399, 2}, {"bad\"name.txt", 0, 3}}, {}, ListMakeOptions());
  EXPECT_EQ(made.lines, (std::vector<std::string>{"a/c.txt,,,,19700101235959,2", "b.txt,,,,19700101000000,1"}));
  EXPECT_EQ(made.refusals, std::vector<std::string>{"'bad\"name.txt': the name cannot be written in a list line (quotes)"});
  ListMakeOptions local;
  local.fileCompareGmtTime = 0;
  EXPECT_EQ(MakeListFile({{"b.txt", 0, 1}}, {}, local).lines,
            (std::vector<std::string>{"b.txt,,,,19700101090000,1"}));
}

// A name clients would read as something else is refused, never written.
TEST(ListMaker, NamesClientsWouldMisreadAreRefused) {
  const std::string longName = "d/" + std::string(1030, 'n') + ".dll";
  const ListMakeResult made = MakeListFile(
      {{"ok.txt", 0, 1}, {"evil\n_STARTUP/run.exe", 0, 2}, {"cut\x1a.dll", 0, 3}, {"tab\t.dll", 0, 4}, {longName, 0, 5}},
      {}, ListMakeOptions());
  EXPECT_EQ(made.lines, std::vector<std::string>{"ok.txt,,,,19700101000000,1"});
  EXPECT_EQ(made.refusals,
            (std::vector<std::string>{
                "'cut\\x1A.dll': the name holds a Ctrl-Z (0x1A), which ends the list for clients; clients would "
                "misread the list",
                "'" + longName + "': its line is longer than 1022 characters; clients would read it in pieces",
                "'evil\\x0A_STARTUP/run.exe': the name holds a line feed (0x0A); clients would misread the list",
                "'tab\\x09.dll': the name holds a control character (0x09); clients would misread the list"}));
}

TEST(ListMaker, PiecesOfALongLineAreNoted) {
  std::vector<ListPiece> old = {{"x.txt", 1}, {std::string(CListFileScanner::kMaxPieceLength, 'L'), 2}, {"L", 2}};
  const ListMakeResult made = MakeListFile({{"x.txt", 0, 1}}, old, ListMakeOptions());
  EXPECT_TRUE(HasNote(made, "line 2 is longer than 1022 characters"));
  EXPECT_EQ(made.lines.size(), 3u);
}
}  // namespace

namespace {
TEST(ListMaker, DigestsGoIntoFieldSevenAndReplaceOldOnes) {
  const std::string digest(64, 'a');
  const std::string stale = "sha256:" + std::string(64, 'b');
  ListMakeOptions options;
  options.digests["x.dll"] = digest;
  const std::vector<ListPiece> old = {{"x.dll,,,REG,20000101000000,1," + stale, 1},
                                      {"y.txt,,,,20000101000000,1," + stale, 2}};
  const ListMakeResult made = MakeListFile({{"x.dll", 0, 3}, {"y.txt", 0, 4}, {"z.txt", 0, 5}}, old, options);
  EXPECT_EQ(made.lines, (std::vector<std::string>{"x.dll,,,REG,19700101000000,3,sha256:" + digest,
                                                  "y.txt,,,,19700101000000,4", "z.txt,,,,19700101000000,5"}));
  // Without a digest of its own an old one is stale: dropped, and said so.
  EXPECT_TRUE(HasNote(made, "line 2: fields behind field 6 dropped"));
  EXPECT_FALSE(HasNote(made, "line 1:"));
  FileItem item;
  ParseListLine(made.lines[0], item);
  EXPECT_EQ(item.m_strSha256, digest);
  EXPECT_EQ(item.m_nFileType, FILE_KIND_REG);
}
}  // namespace
