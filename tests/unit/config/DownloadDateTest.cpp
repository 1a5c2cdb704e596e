#include "config/DownloadDate.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace {
std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return std::mktime(&t);
}
}  // namespace

TEST(DaysSinceDownloadDate, CountsWholeDaysFromEndOfRecordedDay) {
  EXPECT_EQ(DaysSinceDownloadDate("20240315", LocalTime(2024, 3, 20, 12, 0, 0)), 4);
  EXPECT_EQ(DaysSinceDownloadDate("20240315", LocalTime(2024, 3, 23, 12, 0, 0)), 7);
  EXPECT_EQ(DaysSinceDownloadDate("20240315", LocalTime(2024, 3, 22, 23, 59, 58)), 6);
  EXPECT_EQ(DaysSinceDownloadDate("20240315", LocalTime(2024, 3, 23, 0, 0, 1)), 7);
  EXPECT_EQ(DaysSinceDownloadDate("20240315", LocalTime(2024, 3, 15, 8, 0, 0)), 0);
}

TEST(DaysSinceDownloadDate, FutureDateIsNegative) {
  EXPECT_LT(DaysSinceDownloadDate("20240401", LocalTime(2024, 3, 20, 12, 0, 0)), 0);
  EXPECT_EQ(DaysSinceDownloadDate("20240325", LocalTime(2024, 3, 20, 12, 0, 0)), -5);
}

TEST(DaysSinceDownloadDate, PartsAreClamped) {
  const std::time_t now = LocalTime(2019, 1, 11, 12, 0, 0);
  // Year below 2019, month 0 and day 0 all become the first of January 2019.
  EXPECT_EQ(DaysSinceDownloadDate("20000000", now), 9);
  EXPECT_EQ(DaysSinceDownloadDate("", now), 9);
  EXPECT_EQ(DaysSinceDownloadDate("2019", now), 9);
  // Month 13 becomes December, day 45 becomes 31.
  EXPECT_EQ(DaysSinceDownloadDate("20191345", LocalTime(2020, 1, 2, 12, 0, 0)), 1);
}

class ReadDownloadDateTest : public TempDirTest {
 protected:
  void WriteDate(const std::string& content) {
    ASSERT_TRUE(WriteWholeFile(m_dir.Child("_UpdateD.ini"), content));
  }
};

TEST_F(ReadDownloadDateTest, ReadsRecordedDate) {
  WriteDate("[UPDATE]\r\nLAST_DOWN_LOAD_YYYYMMDD=20240315\r\n");
  EXPECT_EQ(ReadDownloadDate(m_dir.path()), "20240315");
}

TEST_F(ReadDownloadDateTest, FallbacksAndCuts) {
  EXPECT_EQ(ReadDownloadDate(""), "20190101");
  EXPECT_EQ(ReadDownloadDate(m_dir.path()), "20190101");  // no file
  WriteDate("[UPDATE]\nLAST_DOWN_LOAD_YYYYMMDD=2024-03-15\n");
  EXPECT_EQ(ReadDownloadDate(m_dir.path()), "20190101");
  WriteDate("[UPDATE]\nLAST_DOWN_LOAD_YYYYMMDD=2024031512\n");
  EXPECT_EQ(ReadDownloadDate(m_dir.path()), "20240315");
  WriteDate("[UPDATE]\nLAST_DOWN_LOAD_YYYYMMDD=202403\n");
  EXPECT_EQ(ReadDownloadDate(m_dir.path()), "202403");
  WriteDate("[OTHER]\nLAST_DOWN_LOAD_YYYYMMDD=20240315\n");
  EXPECT_EQ(ReadDownloadDate(m_dir.path()), "20190101");
}

TEST_F(ReadDownloadDateTest, TrailingBackslashNotDoubled) {
#ifdef _WIN32
  WriteDate("[UPDATE]\nLAST_DOWN_LOAD_YYYYMMDD=20240316\n");
  EXPECT_EQ(ReadDownloadDate(m_dir.path() + "\\"), "20240316");
#else
  GTEST_SKIP() << "Windows paths only";
#endif
}

TEST_F(ReadDownloadDateTest, RuleUsesLastListFileWhileRecent) {
  WriteDate("[UPDATE]\nLAST_DOWN_LOAD_YYYYMMDD=20240315\n");
  CVantoCfg cfg;
  cfg.TARGET_DIR = m_dir.path();
  cfg.LIST_FILE_NAME = "list.txt";
  cfg.LAST_LIST_FILE_NAME = "last.txt";
  cfg.LAST_CHECK_DAY_INTERVAL = 7;
  ApplyLastListFileRule(cfg, true, LocalTime(2024, 3, 20, 12, 0, 0));
  EXPECT_EQ(cfg.m_strLastDownDate, "20240315");
  EXPECT_EQ(cfg.LIST_FILE_NAME, "last.txt");

  cfg.LIST_FILE_NAME = "list.txt";
  ApplyLastListFileRule(cfg, true, LocalTime(2024, 3, 23, 12, 0, 0));
  EXPECT_EQ(cfg.LIST_FILE_NAME, "list.txt");
  ApplyLastListFileRule(cfg, true, LocalTime(2024, 3, 22, 23, 59, 58));
  EXPECT_EQ(cfg.LIST_FILE_NAME, "last.txt");

  // A future date selects the last list file too.
  cfg.LIST_FILE_NAME = "list.txt";
  WriteDate("[UPDATE]\nLAST_DOWN_LOAD_YYYYMMDD=20300101\n");
  ApplyLastListFileRule(cfg, true, LocalTime(2024, 3, 20, 12, 0, 0));
  EXPECT_EQ(cfg.LIST_FILE_NAME, "last.txt");
}
