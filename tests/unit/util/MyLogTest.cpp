#include "util/MyLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/TempDir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {
CMyLog::LocalTime g_now;
CMyLog::LocalTime FakeClock() { return g_now; }

void SetNow(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  g_now = {year, month, day, hour, minute, second, millisecond};
}

std::string ThreadNumber() {
#ifdef _WIN32
  const unsigned long id = ::GetCurrentThreadId();
#else
  const unsigned long id = static_cast<unsigned long>(::syscall(SYS_gettid));
#endif
  char text[32];
  std::snprintf(text, sizeof(text), "%06lu", id);
  return text;
}

bool MakeDir(const std::string& path) {
#ifdef _WIN32
  return ::CreateDirectoryA(path.c_str(), nullptr) != 0;
#else
  return ::mkdir(path.c_str(), 0777) == 0;
#endif
}

std::string Invert(std::string bytes) {
  for (char& c : bytes) c = static_cast<char>(255 - static_cast<unsigned char>(c));
  return bytes;
}

// What a text-mode stream stores for these bytes.
std::string WithCrLf(const std::string& bytes) {
  std::string stored;
  for (char c : bytes) {
    if (c == '\n') stored += '\r';
    stored += c;
  }
  return stored;
}

// The reader's rule: drop each 0x0D before 0x0A, then invert.
std::string DecodeStored(const std::string& stored) {
  std::string kept;
  for (size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] == '\r' && i + 1 < stored.size() && stored[i + 1] == '\n') continue;
    kept += stored[i];
  }
  return Invert(kept);
}

class MyLogTest : public TempDirTest {
 protected:
  void SetUp() override {
    SetNow(2021, 1, 7, 8, 21, 47, 123);
    m_log.SetClockForTest(&FakeClock);
    m_folder = m_dir.Child("log");
  }

  std::string FileName(const std::string& stamp) const {
    return "VantoExe_" + stamp + "_" + ThreadNumber() + ".log";
  }
  std::string PathOf(const std::string& name) const {
#ifdef _WIN32
    return m_folder + "\\" + name;
#else
    return m_folder + "/" + name;
#endif
  }
  std::string Read(const std::string& name) const {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(PathOf(name), &bytes)) << name;
    return bytes;
  }

  CMyLog m_log;
  std::string m_folder;
};
}  // namespace

TEST(MyLogLevels, NamesByNumber) {
  char buffer[10];
  EXPECT_STREQ(CMyLog::GetLevelName(LOG_DEBUG, buffer), "DEBUG");
  EXPECT_STREQ(buffer, "DEBUG");
  EXPECT_STREQ(CMyLog::GetLevelName(LOG_INFO, buffer), "INFO");
  EXPECT_STREQ(CMyLog::GetLevelName(LOG_WARN, buffer), "WARN");
  EXPECT_STREQ(CMyLog::GetLevelName(LOG_ERROR, buffer), "ERROR");
  EXPECT_STREQ(CMyLog::GetLevelName(LOG_FATAL, buffer), "FATAL");
  EXPECT_STREQ(CMyLog::GetLevelName(7, buffer), "UNKNOWN");
  EXPECT_STREQ(CMyLog::GetLevelName(0, buffer), "UNKNOWN");
  EXPECT_STREQ(CMyLog::GetLevelName(LOG_UNKNOWN, buffer), "UNKNOWN");
}

TEST(MyLogLevels, NameComparedOverTheGivenLength) {
  EXPECT_EQ(CMyLog::GetLevelFromName("DEBUG"), LOG_DEBUG);
  EXPECT_EQ(CMyLog::GetLevelFromName("INFO"), LOG_INFO);
  EXPECT_EQ(CMyLog::GetLevelFromName("WARN"), LOG_WARN);
  EXPECT_EQ(CMyLog::GetLevelFromName("ERROR"), LOG_ERROR);
  EXPECT_EQ(CMyLog::GetLevelFromName("FATAL"), LOG_FATAL);
  EXPECT_EQ(CMyLog::GetLevelFromName("INF"), LOG_INFO);
  EXPECT_EQ(CMyLog::GetLevelFromName("E"), LOG_ERROR);
  EXPECT_EQ(CMyLog::GetLevelFromName(""), LOG_DEBUG);
  EXPECT_EQ(CMyLog::GetLevelFromName("INFOX"), LOG_UNKNOWN);
  EXPECT_EQ(CMyLog::GetLevelFromName("info"), LOG_UNKNOWN);
  EXPECT_EQ(CMyLog::GetLevelFromName("UNKNOWN"), LOG_UNKNOWN);
  EXPECT_EQ(CMyLog::GetLevelFromName(nullptr), LOG_UNKNOWN);
}

TEST_F(MyLogTest, InitResultCodes) {
  const char* f = m_folder.c_str();
  EXPECT_EQ(m_log.Init(nullptr, "VantoExe", 10, "DEBUG", 0), -1);
  EXPECT_EQ(m_log.Init(f, nullptr, 10, "DEBUG", 0), -2);
  EXPECT_EQ(m_log.Init(f, "VantoExe", -1, "DEBUG", 0), -3);
  EXPECT_EQ(m_log.Init(f, "VantoExe", 10, nullptr, 0), -4);
  EXPECT_EQ(m_log.Init(f, "VantoExe", 10, "VERBOSE", 0), -5);
  EXPECT_EQ(m_log.Init(f, "VantoExe", 10, "info", 0), -5);
  EXPECT_EQ(m_log.Init(f, "VantoExe", 10, "DEBUG", 0), 0);
  EXPECT_EQ(m_log.Init(f, "VantoExe", 10, "DEBUG", 0), -6);
  // Init opens nothing: the folder appears with the first line.
  EXPECT_FALSE(FileExists(m_folder));
}

TEST_F(MyLogTest, PlainLineAndFileName) {
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);
  EXPECT_EQ(m_log.Log(LOG_INFO, "CVantoExeApp::InitInstance> Current Directory = %s", "C:\\App"), 0);
  const std::string name = FileName("20210107_082147");
  EXPECT_EQ(ListDirectory(m_folder), std::vector<std::string>{name});
  EXPECT_EQ(Read(name), "2021/01/07=08:21:47.123 [INFO ] CVantoExeApp::InitInstance> Current Directory = C:\\App\r\n");
}

TEST_F(MyLogTest, LevelNamesInLines) {
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);
  SetNow(2021, 12, 31, 23, 5, 9, 7);
  EXPECT_EQ(m_log.Log(LOG_DEBUG, "d%d", 1), 0);
  EXPECT_EQ(m_log.Log(LOG_WARN, "w"), 0);
  EXPECT_EQ(m_log.Log(LOG_FATAL, "f"), 0);
  EXPECT_EQ(m_log.Log(7, "seven"), 0);
  EXPECT_EQ(Read(FileName("20211231_230509")),
            "2021/12/31=23:05:09.007 [DEBUG] d1\r\n"
            "2021/12/31=23:05:09.007 [WARN ] w\r\n"
            "2021/12/31=23:05:09.007 [FATAL] f\r\n"
            "2021/12/31=23:05:09.007 [UNKNOWN] seven\r\n");
}

TEST_F(MyLogTest, DebugBelowInfoIsDropped) {
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "INFO", 0), 0);
  EXPECT_EQ(m_log.Log(LOG_DEBUG, "hidden"), -1);
  EXPECT_FALSE(FileExists(m_folder));
  EXPECT_EQ(m_log.Log(LOG_INFO, "shown"), 0);
  EXPECT_EQ(Read(FileName("20210107_082147")), "2021/01/07=08:21:47.123 [INFO ] shown\r\n");
}

TEST_F(MyLogTest, EncodedLineIsTheComplementEndingInF5) {
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 1), 0);
  EXPECT_EQ(m_log.Log(LOG_INFO, "A"), 0);
  const std::string stored = Read(FileName("20210107_082147"));
  const std::string plain = "2021/01/07=08:21:47.123 [INFO ] A\n";
  EXPECT_EQ(stored, Invert(plain));
  ASSERT_FALSE(stored.empty());
  EXPECT_EQ(static_cast<unsigned char>(stored.back()), 0xF5);
  EXPECT_EQ(stored.find('\r'), std::string::npos);
}

TEST_F(MyLogTest, EncodedLineBreakByteGetsCarriageReturn) {
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 1), 0);
  // Message bytes 0xF5 invert to 0x0A, which the text-mode file stores as CR LF;
  // a message line break inverts to 0xF5 and is stored alone.
  EXPECT_EQ(m_log.Log(LOG_WARN, "x\xF5y\nz"), 0);
  EXPECT_EQ(m_log.Log(LOG_WARN, "\xF5"), 0);
  const std::string line1 = "2021/01/07=08:21:47.123 [WARN ] x\xF5y\nz\n";
  const std::string line2 = "2021/01/07=08:21:47.123 [WARN ] \xF5\n";
  const std::string stored = Read(FileName("20210107_082147"));
  EXPECT_EQ(stored, WithCrLf(Invert(line1 + line2)));
  EXPECT_NE(stored.find("\r\n"), std::string::npos);
  EXPECT_EQ(DecodeStored(stored), line1 + line2);
}

TEST_F(MyLogTest, PlainLineBreakInMessageIsCrLf) {
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 2), 0);  // only 1 encodes
  EXPECT_EQ(m_log.Log(LOG_INFO, "a\nb"), 0);
  EXPECT_EQ(Read(FileName("20210107_082147")), "2021/01/07=08:21:47.123 [INFO ] a\r\nb\r\n");
}

TEST_F(MyLogTest, NewFileWhenTheHourChanges) {
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);
  SetNow(2021, 1, 7, 9, 59, 59, 990);
  EXPECT_EQ(m_log.Log(LOG_INFO, "before"), 0);
  SetNow(2021, 1, 7, 10, 0, 0, 10);
  EXPECT_EQ(m_log.Log(LOG_INFO, "after"), 0);
  SetNow(2021, 1, 7, 10, 59, 0, 0);
  EXPECT_EQ(m_log.Log(LOG_INFO, "same hour"), 0);
  const std::string first = FileName("20210107_095959");
  const std::string second = FileName("20210107_100000");
  EXPECT_EQ(ListDirectory(m_folder), (std::vector<std::string>{first, second}));
  EXPECT_EQ(Read(first), "2021/01/07=09:59:59.990 [INFO ] before\r\n");
  EXPECT_EQ(Read(second),
            "2021/01/07=10:00:00.010 [INFO ] after\r\n"
            "2021/01/07=10:59:00.000 [INFO ] same hour\r\n");
}

TEST_F(MyLogTest, SameFileNameAppends) {
  // A second writer in the same second and thread continues the same file.
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);
  EXPECT_EQ(m_log.Log(LOG_INFO, "one"), 0);
  CMyLog other;
  other.SetClockForTest(&FakeClock);
  ASSERT_EQ(other.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);
  EXPECT_EQ(other.Log(LOG_INFO, "two"), 0);
  EXPECT_EQ(Read(FileName("20210107_082147")),
            "2021/01/07=08:21:47.123 [INFO ] one\r\n2021/01/07=08:21:47.123 [INFO ] two\r\n");
}

TEST_F(MyLogTest, RetentionDeletesByTheDateInTheName) {
  ASSERT_TRUE(MakeDir(m_folder));
  const std::vector<std::string> old = {
      "VantoExe_20210107_000000_000001.log",  // exactly ten days back
      "VantoExe_2020abcd_x.log",              // leading digits: 2020
      "VantoExe_20201231_x.log.bak",          // "*.log*"
      "VantoExe_abcdefgh_x.log",              // no digits: 0
  };
  const std::vector<std::string> kept = {
      "Other_20200101_x.log",                 // another prefix
      "VantoExe_20200101.log",                // no "_" after the date
      "VantoExe_20210108_000000_000001.log",  // nine days back
      "VantoExe_20210117_000000_000001.log",  // today
      "VantoExe_2020010_x.log",               // seven characters only
      "VantoExe_99999999_x.log",
      "VantoExe_20200101_x.txt",
  };
  auto create = [&](const std::vector<std::string>& names) {
    for (const std::string& n : names) ASSERT_TRUE(WriteWholeFile(PathOf(n), "x")) << n;
  };
  create(old);
  create(kept);
  SetNow(2021, 1, 17, 12, 0, 0, 0);
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);
  std::vector<std::string> expected = kept;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(ListDirectory(m_folder), expected);

  // Counted, and run again before the first file of a new hour.
  create(old);
  EXPECT_EQ(m_log.DeleteOldLogs(), 4);
  EXPECT_EQ(m_log.DeleteOldLogs(), 0);
  create(old);
  EXPECT_EQ(m_log.Log(LOG_INFO, "x"), 0);
  expected.push_back(FileName("20210117_120000"));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(ListDirectory(m_folder), expected);
}

TEST_F(MyLogTest, RetentionAcrossMonthAndYear) {
  ASSERT_TRUE(MakeDir(m_folder));
  ASSERT_TRUE(WriteWholeFile(PathOf("VantoExe_20201229_x.log"), "x"));
  ASSERT_TRUE(WriteWholeFile(PathOf("VantoExe_20201230_x.log"), "x"));
  SetNow(2021, 1, 9, 0, 0, 0, 0);
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);  // limit 20201230
  EXPECT_TRUE(ListDirectory(m_folder).empty());
  ASSERT_TRUE(WriteWholeFile(PathOf("VantoExe_20200229_x.log"), "x"));
  ASSERT_TRUE(WriteWholeFile(PathOf("VantoExe_20200301_x.log"), "x"));
  SetNow(2020, 3, 2, 0, 0, 0, 0);
  CMyLog leap;
  leap.SetClockForTest(&FakeClock);
  ASSERT_EQ(leap.Init(m_folder.c_str(), "VantoExe", 2, "DEBUG", 0), 0);  // limit 20200229
  EXPECT_EQ(ListDirectory(m_folder), std::vector<std::string>{"VantoExe_20200301_x.log"});
}

TEST_F(MyLogTest, RetentionBelowOneDeletesNothing) {
  ASSERT_TRUE(MakeDir(m_folder));
  ASSERT_TRUE(WriteWholeFile(PathOf("VantoExe_19990101_x.log"), "x"));
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 0, "DEBUG", 0), 0);
  EXPECT_EQ(m_log.DeleteOldLogs(), 0);
  EXPECT_EQ(ListDirectory(m_folder), std::vector<std::string>{"VantoExe_19990101_x.log"});
}

TEST_F(MyLogTest, CreatesTheWholeFolderChain) {
  m_folder = m_dir.Child("a");
#ifdef _WIN32
  m_folder += "\\b\\c";
#else
  m_folder += "/b/c";
#endif
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);
  EXPECT_EQ(m_log.Log(LOG_INFO, "deep"), 0);
  EXPECT_EQ(Read(FileName("20210107_082147")), "2021/01/07=08:21:47.123 [INFO ] deep\r\n");
}

TEST_F(MyLogTest, UnwritableFolderSilencesTheWriter) {
#ifdef _WIN32
  m_folder = m_dir.Child("bad|name") + "\\log";  // no such name can exist
#else
  ASSERT_TRUE(WriteWholeFile(m_dir.Child("plain"), "x"));
  m_folder = m_dir.Child("plain") + "/log";  // below a file
#endif
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);
  EXPECT_EQ(m_log.CreateLogDirectory(), -1);
  EXPECT_EQ(m_log.WriteLine(LOG_INFO, "INFO", "first"), -1);
  // Marked uninitialised: later lines are dropped quietly.
  EXPECT_EQ(m_log.WriteLine(LOG_INFO, "INFO", "second"), 0);
  EXPECT_EQ(m_log.Log(LOG_INFO, "third"), 0);
#ifdef _WIN32
  const std::vector<std::string> untouched;
#else
  const std::vector<std::string> untouched = {"plain"};
#endif
  EXPECT_EQ(ListDirectory(m_dir.path()), untouched);
  // ...and a new Init is accepted again.
  EXPECT_EQ(m_log.Init(m_dir.Child("log").c_str(), "VantoExe", 10, "DEBUG", 0), 0);
}

TEST_F(MyLogTest, UnopenableFileEndsLoggingForGood) {
  ASSERT_TRUE(MakeDir(m_folder));
  // A directory where the log file would go.
  ASSERT_TRUE(MakeDir(PathOf(FileName("20210107_082147"))));
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);
  EXPECT_EQ(m_log.WriteLine(LOG_INFO, "INFO", "first"), -1);
  SetNow(2021, 1, 7, 9, 0, 0, 0);
  EXPECT_EQ(m_log.WriteLine(LOG_INFO, "INFO", "next hour"), 0);
  EXPECT_EQ(m_log.Log(LOG_ERROR, "later"), 0);
  EXPECT_EQ(ListDirectory(m_folder), std::vector<std::string>{FileName("20210107_082147")});
  EXPECT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), -6);
}

TEST_F(MyLogTest, ResetForgetsEverything) {
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "WARN", 0), 0);
  m_log.Reset();
  EXPECT_EQ(m_log.Log(LOG_DEBUG, "dropped"), 0);  // minimum level 0 again, but not initialised
  EXPECT_FALSE(FileExists(m_folder));
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 1), 0);
  EXPECT_EQ(m_log.Log(LOG_DEBUG, "kept"), 0);
  EXPECT_EQ(Read(FileName("20210107_082147")), Invert("2021/01/07=08:21:47.123 [DEBUG] kept\n"));
}

TEST_F(MyLogTest, LongMessageIsCutAt4095Bytes) {
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);
  const std::string big(5000, 'x');
  EXPECT_EQ(m_log.Log(LOG_INFO, "%s", big.c_str()), 0);
  EXPECT_EQ(Read(FileName("20210107_082147")), "2021/01/07=08:21:47.123 [INFO ] " + big.substr(0, 4095) + "\r\n");
}

TEST_F(MyLogTest, LinesFromSeveralThreadsStayWhole) {
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);
  EXPECT_EQ(m_log.Log(LOG_INFO, "start"), 0);
  auto writer = [this](char mark) {
    for (int i = 0; i < 200; ++i) m_log.Log(LOG_INFO, "%c%c%c%c%c%c%c%c %d", mark, mark, mark, mark, mark, mark, mark, mark, i);
  };
  std::thread a(writer, 'a');
  std::thread b(writer, 'b');
  a.join();
  b.join();
  const std::string stored = Read(FileName("20210107_082147"));
  const std::string head = "2021/01/07=08:21:47.123 [INFO ] ";
  size_t lines = 0;
  for (size_t pos = 0; pos < stored.size();) {
    const size_t end = stored.find("\r\n", pos);
    ASSERT_NE(end, std::string::npos);
    const std::string line = stored.substr(pos, end - pos);
    ASSERT_EQ(line.compare(0, head.size(), head), 0) << line;
    const std::string message = line.substr(head.size());
    if (lines > 0) {
      ASSERT_TRUE(message.compare(0, 9, "aaaaaaaa ") == 0 || message.compare(0, 9, "bbbbbbbb ") == 0) << line;
    }
    ++lines;
    pos = end + 2;
  }
  EXPECT_EQ(lines, 401u);
}

TEST_F(MyLogTest, SystemClockNamesTheFile) {
  m_log.SetClockForTest(nullptr);
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);
  EXPECT_EQ(m_log.Log(LOG_INFO, "now"), 0);
  const std::vector<std::string> names = ListDirectory(m_folder);
  ASSERT_EQ(names.size(), 1u);
  const std::string& name = names[0];
  const std::string tail = "_" + ThreadNumber() + ".log";
  ASSERT_EQ(name.size(), std::string("VantoExe_YYYYMMDD_hhmmss").size() + tail.size()) << name;
  EXPECT_EQ(name.compare(0, 9, "VantoExe_"), 0);
  EXPECT_EQ(name.substr(name.size() - tail.size()), tail);
  const std::string stored = Read(name);
  // The line carries the same date and hour as the name: YYYY/MM/DD=hh.
  const std::string expectedHead = name.substr(9, 4) + "/" + name.substr(13, 2) + "/" + name.substr(15, 2) +
                                   "=" + name.substr(18, 2) + ":";
  EXPECT_EQ(stored.compare(0, expectedHead.size(), expectedHead), 0) << stored;
}

TEST_F(MyLogTest, LastErrorTextIsLogged) {
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);
#ifdef _WIN32
  char expected[512];
  const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                        expected, sizeof(expected), nullptr);
  ASSERT_GT(length, 0u);
  expected[length] = '\0';
  ::SetLastError(ERROR_FILE_NOT_FOUND);
#else
  const std::string expected = std::strerror(ENOENT);
  errno = ENOENT;
#endif
  const std::string text = m_log.LogLastErrorText();
  EXPECT_EQ(text, expected);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(Read(FileName("20210107_082147")),
            WithCrLf("2021/01/07=08:21:47.123 [INFO ] CMyLog::LogLastErrorText> " + std::string(expected) + "\n"));
}

#ifdef _WIN32
TEST_F(MyLogTest, LastErrorWithoutSystemText) {
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);
  const DWORD noSuchMessage = 0x20001234;  // customer bit: never in the system table
  char scratch[512];
  ASSERT_EQ(::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, noSuchMessage,
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), scratch, sizeof(scratch), nullptr),
            0u);
  const std::string lookupError = "ErrCode = " + std::to_string(::GetLastError());
  ::SetLastError(noSuchMessage);
  EXPECT_EQ(m_log.LogLastErrorText(), lookupError);
  EXPECT_EQ(Read(FileName("20210107_082147")),
            "2021/01/07=08:21:47.123 [INFO ] CMyLog::LogLastErrorText> FormatMessage() Fail, " + lookupError + "\r\n");
}
#endif

// A thread working on one entry of a parallel run holds its lines; they are
// written later, together, with the times they were logged at, while other
// threads write as usual.
TEST_F(MyLogTest, HeldLinesAreWrittenTogetherWithTheirTimes) {
  ASSERT_EQ(m_log.Init(m_folder.c_str(), "VantoExe", 10, "DEBUG", 0), 0);
  m_log.Log(LOG_INFO, "before");
  CMyLog::HeldLines held;
  std::thread worker([&] {
    CHeldLogLines hold;
    m_log.Log(LOG_DEBUG, "entry %d first", 1);
    SetNow(2021, 1, 7, 8, 21, 48, 5);
    m_log.Log(LOG_ERROR, "entry %d second", 1);
    held = hold.Take();
    m_log.Log(LOG_INFO, "after the entry");
  });
  worker.join();
  m_log.Log(LOG_INFO, "main thread");
  const std::string name = FileName("20210107_082147");
  const std::string before = "2021/01/07=08:21:47.123 [INFO ] before\r\n";
  EXPECT_EQ(Read(name), before + "2021/01/07=08:21:48.005 [INFO ] after the entry\r\n"
                                 "2021/01/07=08:21:48.005 [INFO ] main thread\r\n");
  SetNow(2021, 1, 7, 8, 21, 49, 0);
  m_log.WriteHeld(held);
  EXPECT_EQ(Read(name), before + "2021/01/07=08:21:48.005 [INFO ] after the entry\r\n"
                                 "2021/01/07=08:21:48.005 [INFO ] main thread\r\n"
                                 "2021/01/07=08:21:47.123 [DEBUG] entry 1 first\r\n"
                                 "2021/01/07=08:21:48.005 [ERROR] entry 1 second\r\n");
}
