#include "util/FileUtil.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "support/TempDir.h"

namespace {
FILETIME ModifyTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  EXPECT_TRUE(::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) << path;
  return data.ftLastWriteTime;
}

// "YYYY-MM-DD hh:mm:ss" of a UTC file time, as UTC or as system local time.
std::string Text(const SYSTEMTIME& st) {
  char text[32];
  std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
                st.wMinute, st.wSecond);
  return text;
}
std::string UtcText(const FILETIME& ft) {
  SYSTEMTIME st;
  EXPECT_TRUE(::FileTimeToSystemTime(&ft, &st));
  return Text(st);
}
std::string LocalText(const FILETIME& ft) {
  SYSTEMTIME utc, local;
  EXPECT_TRUE(::FileTimeToSystemTime(&ft, &utc));
  EXPECT_TRUE(::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local));
  return Text(local);
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

struct Zone {
  LONG bias;
  LONG daylightBias;
  bool daylightNow;
};
Zone CurrentZone() {
  TIME_ZONE_INFORMATION info = {};
  const DWORD id = ::GetTimeZoneInformation(&info);
  return {info.Bias, info.DaylightBias, id == TIME_ZONE_ID_DAYLIGHT};
}

bool IsNineHoursEastWithoutDaylight() {
  const Zone zone = CurrentZone();
  return zone.bias == -540 && !zone.daylightNow;
}

class FileUtilTest : public TempDirTest {
 protected:
  void SetUp() override {
    m_file = m_dir.Child("file.bin");
    ASSERT_TRUE(WriteWholeFile(m_file, "content"));
  }
  std::string m_file;
};
}  // namespace

// The run that sets TZ names the bias it expects, so the zone tests below
// cannot skip silently there.
TEST(TimeZone, MatchesTheExpectedBias) {
  const char* expected = std::getenv("VANTO_EXPECT_TZ_BIAS");
  if (!expected) GTEST_SKIP() << "no zone expected in this run";
  EXPECT_EQ(CurrentZone().bias, std::atol(expected));
  EXPECT_FALSE(CurrentZone().daylightNow);
}

TEST_F(FileUtilTest, TextOf13CharactersIsRefused) {
  const FILETIME before = ModifyTime(m_file);
  EXPECT_EQ(SetFileModifyDate(m_file, "2010010200000", 0), -1);
  EXPECT_EQ(SetFileModifyDate(m_file, "201001020000000", 1), -1);
  EXPECT_EQ(SetFileModifyDate(m_file, "", 0), -1);
  EXPECT_TRUE(SameTime(ModifyTime(m_file), before));
}

TEST_F(FileUtilTest, MissingFileIsRefused) {
  EXPECT_EQ(SetFileModifyDate(m_dir.Child("none.bin"), "20100102000000", 0), -1);
  EXPECT_FALSE(FileExists(m_dir.Child("none.bin")));
}

TEST_F(FileUtilTest, TextThatIsNoCalendarTimeLeavesTheFile) {
  const FILETIME before = ModifyTime(m_file);
  EXPECT_EQ(SetFileModifyDate(m_file, "abcdefghijklmn", 0), -2);
  EXPECT_EQ(SetFileModifyDate(m_file, "20101302000000", 1), -2);
  EXPECT_EQ(SetFileModifyDate(m_file, "20100230000000", 0), -2);
  EXPECT_EQ(SetFileModifyDate(m_file, "20100102250000", 0), -2);
  EXPECT_TRUE(SameTime(ModifyTime(m_file), before));
}

TEST_F(FileUtilTest, LocalTextGivesThatLocalTime) {
  ASSERT_EQ(SetFileModifyDate(m_file, "20100102000000", 0), 0);
  EXPECT_EQ(LocalText(ModifyTime(m_file)), "2010-01-02 00:00:00");
  ASSERT_EQ(SetFileModifyDate(m_file, "19991231235958", 0), 0);
  EXPECT_EQ(LocalText(ModifyTime(m_file)), "1999-12-31 23:59:58");
}

TEST_F(FileUtilTest, GmtTextIsShiftedByTheZoneBias) {
  ASSERT_EQ(SetFileModifyDate(m_file, "20100102000000", 0), 0);
  const FILETIME asLocal = ModifyTime(m_file);
  ASSERT_EQ(SetFileModifyDate(m_file, "20100102000000", 1), 0);
  const FILETIME asGmt = ModifyTime(m_file);
  // Whatever the zone: the bias of now, plus the daylight bias if it applies now.
  const Zone zone = CurrentZone();
  const LONGLONG expectedSeconds = -60LL * zone.bias + (zone.daylightNow ? -60LL * zone.daylightBias : 0);
  ULARGE_INTEGER a, b;
  a.LowPart = asLocal.dwLowDateTime;
  a.HighPart = asLocal.dwHighDateTime;
  b.LowPart = asGmt.dwLowDateTime;
  b.HighPart = asGmt.dwHighDateTime;
  EXPECT_EQ((static_cast<LONGLONG>(b.QuadPart) - static_cast<LONGLONG>(a.QuadPart)) / 10000000, expectedSeconds);
}

TEST_F(FileUtilTest, GmtTextNineHoursEast) {
  if (!IsNineHoursEastWithoutDaylight()) GTEST_SKIP() << "zone is not 9 hours east of GMT";
  ASSERT_EQ(SetFileModifyDate(m_file, "20100102000000", 1), 0);
  EXPECT_EQ(LocalText(ModifyTime(m_file)), "2010-01-02 09:00:00");
  EXPECT_EQ(UtcText(ModifyTime(m_file)), "2010-01-02 00:00:00");
}

TEST_F(FileUtilTest, LocalTextNineHoursEast) {
  if (!IsNineHoursEastWithoutDaylight()) GTEST_SKIP() << "zone is not 9 hours east of GMT";
  ASSERT_EQ(SetFileModifyDate(m_file, "20100102000000", 0), 0);
  EXPECT_EQ(LocalText(ModifyTime(m_file)), "2010-01-02 00:00:00");
  EXPECT_EQ(UtcText(ModifyTime(m_file)), "2010-01-01 15:00:00");
}

TEST_F(FileUtilTest, GmtTextInUtcZoneIsUnchanged) {
  const Zone zone = CurrentZone();
  if (zone.bias != 0 || zone.daylightNow) GTEST_SKIP() << "zone is not GMT";
  ASSERT_EQ(SetFileModifyDate(m_file, "20100102000000", 1), 0);
  EXPECT_EQ(UtcText(ModifyTime(m_file)), "2010-01-02 00:00:00");
}

TEST_F(FileUtilTest, ReadOnlyFileKeepsItsAttributes) {
  ASSERT_TRUE(::SetFileAttributesA(m_file.c_str(), FILE_ATTRIBUTE_READONLY));
  const DWORD before = ::GetFileAttributesA(m_file.c_str());
  ASSERT_EQ(SetFileModifyDate(m_file, "20200304050607", 0), 0);
  EXPECT_EQ(LocalText(ModifyTime(m_file)), "2020-03-04 05:06:07");
  EXPECT_EQ(::GetFileAttributesA(m_file.c_str()), before);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(m_file, &bytes));
  EXPECT_EQ(bytes, "content");
}

TEST_F(FileUtilTest, ClearReadOnly) {
  ASSERT_TRUE(::SetFileAttributesA(m_file.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(ClearReadOnlyProperty(m_file), 0);
  EXPECT_EQ(::GetFileAttributesA(m_file.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_TRUE(WriteWholeFile(m_file, "now writable"));
  const DWORD plain = ::GetFileAttributesA(m_file.c_str());
  EXPECT_EQ(ClearReadOnlyProperty(m_file), 0);  // nothing to do
  EXPECT_EQ(::GetFileAttributesA(m_file.c_str()), plain);
  EXPECT_EQ(ClearReadOnlyProperty(m_dir.Child("none.bin")), -1);
}

TEST_F(FileUtilTest, CreateDirectoryPathMakesTheChain) {
  const std::string c = m_dir.Child("a") + "\\b\\c";
  CreateDirectoryPath(c + "\\file.txt");
  EXPECT_EQ(::GetFileAttributesA(m_dir.Child("a").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(::GetFileAttributesA((m_dir.Child("a") + "\\b").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(::GetFileAttributesA(c.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_FALSE(FileExists(c + "\\file.txt"));
  // Again: everything present, nothing to do.
  CreateDirectoryPath(c + "\\other.txt");
  EXPECT_EQ(::GetFileAttributesA(c.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(FileUtilTest, CreateDirectoryPathSkipsAPlainExistingDirectory) {
  const DWORD marker = 0x2000BEEF;
  ::SetLastError(marker);
  CreateDirectoryPath(m_dir.Child("file.txt"));
  EXPECT_EQ(::GetLastError(), marker);  // no creation was attempted
  ::SetLastError(marker);
  CreateDirectoryPath("no-backslash.txt");
  EXPECT_EQ(::GetLastError(), marker);
}

TEST_F(FileUtilTest, DirectoryWithMoreAttributesCountsAsMissing) {
  // Wine shows names that begin with a dot as hidden.
  const std::string dir = m_dir.Child(".hidden");
  ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr));
  ::SetFileAttributesA(dir.c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
  const DWORD attributes = ::GetFileAttributesA(dir.c_str());
  if (attributes == FILE_ATTRIBUTE_DIRECTORY) GTEST_SKIP() << "this file system keeps no extra directory bits";
  ::SetLastError(0);
  CreateDirectoryPath(dir + "\\file.txt");
  // The chain was walked; the last creation failed because the folder exists.
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(::GetFileAttributesA(dir.c_str()), attributes);
}

TEST_F(FileUtilTest, FileInTheWayIsLeftAlone) {
  CreateDirectoryPath(m_file + "\\inner\\x.txt");
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(m_file, &bytes));
  EXPECT_EQ(bytes, "content");
  EXPECT_EQ(::GetFileAttributesA(m_file.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST_F(FileUtilTest, EmptyDirectoryTextIsHarmless) {
  CreateDirectoryPath("\\file.txt");
  CreateDirectoryPath("\\");
  SUCCEED();
}
