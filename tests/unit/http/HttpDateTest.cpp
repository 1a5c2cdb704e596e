#include <gtest/gtest.h>

#include <ctime>

#include "http/HttpDate.h"

namespace {
std::string Text(const std::string& header, int gmt) { return FormatLocalTimeText(ParseHttpDate(header, gmt)); }

int CurrentMonth() {
  const std::time_t now = std::time(nullptr);
  return std::stoi(FormatLocalTimeText(now).substr(4, 2));
}
}  // namespace

TEST(ParseHttpDate, HeaderFieldsAsTheyAre) {
  EXPECT_EQ(Text("Wed, 21 Oct 2015 07:28:00 GMT", 1), "20151021072800");
  EXPECT_EQ(Text("Mon, 01 Jan 2001 00:00:01 GMT", 1), "20010101000001");
  EXPECT_EQ(Text("Sat, 29 Feb 2020 12:34:56 GMT", 2), "20200229123456");
  // Beyond the 32-bit time range (January 2038) on every build, the 32-bit one included.
  EXPECT_EQ(Text("Tue, 01 Jan 2064 10:00:00 GMT", 1), "20640101100000");
}

TEST(ParseHttpDate, NineHoursLaterWhenTimesAreNotGmt) {
  EXPECT_EQ(Text("Wed, 21 Oct 2015 07:28:00 GMT", 0), "20151021162800");
  EXPECT_EQ(Text("Wed, 21 Oct 2015 23:30:00 GMT", 0), "20151022083000");
  EXPECT_EQ(Text("Thu, 31 Dec 2015 20:00:00 GMT", 0), "20160101050000");
}

TEST(ParseHttpDate, UnknownMonthTakesTheCurrentMonth) {
  const int before = CurrentMonth();
  const std::string text = Text("Wed, 21 oct 2015 07:28:00 GMT", 1);
  const int after = CurrentMonth();
  const int month = std::stoi(text.substr(4, 2));
  EXPECT_TRUE(month == before || month == after) << text;
  EXPECT_EQ(text.substr(0, 4), "2015");
  EXPECT_EQ(text.substr(8), "072800");
}

TEST(ParseHttpDate, OtherFormsGoToTheGeneralParserWithoutShift) {
  EXPECT_EQ(Text("2015-10-21 07:28:00", 0), "20151021072800");
}

TEST(ParseHttpDate, UnparsableTextGivesTheCurrentTime) {
  const std::time_t before = std::time(nullptr);
  const std::time_t t = ParseHttpDate("not a date", 1);
  const std::time_t after = std::time(nullptr);
  EXPECT_GE(t, before);
  EXPECT_LE(t, after);
}
