#include "run/RunTexts.h"

#include <gtest/gtest.h>

TEST(RunTexts, FailureTextsByCode) {
  EXPECT_EQ(BuildDownloadFailureText("a/b.dll", -1), "a/b.dll 파일 다운로드 실패(-1) : 다운로드 서버와 연결 실패");
  EXPECT_EQ(BuildDownloadFailureText("a/b.dll", -3),
            "a/b.dll 파일 다운로드 실패(-3) : 로컬 파일 열기 실패(파일 읽기 모드 속성 확인)");
  EXPECT_EQ(BuildDownloadFailureText("x", -5), "x 파일 다운로드 실패(-5) : 파일 수정 시간 정보 변경 실패");
  EXPECT_EQ(BuildDownloadFailureText("bin/a.dll", -8), "bin/a.dll 파일 다운로드 실패(-8) : 파일 해시(SHA-256) 불일치");
  // A code without a text of its own still names the file and the code.
  EXPECT_EQ(BuildDownloadFailureText("x", -10), "x 파일 다운로드 실패(-10)");
}

TEST(RunTexts, SizeGroupsOfThree) {
  EXPECT_EQ(FormatSizeWithCommas("1"), "1");
  EXPECT_EQ(FormatSizeWithCommas("123"), "123");
  EXPECT_EQ(FormatSizeWithCommas("1234"), "1,234");
  EXPECT_EQ(FormatSizeWithCommas("1234567"), "1,234,567");
  EXPECT_EQ(FormatSizeWithCommas("123456"), "123,456");
  EXPECT_EQ(FormatSizeWithCommas(""), "");
  EXPECT_EQ(FormatSizeWithCommas("12a4"), "12a4");
}

TEST(RunTexts, TotalLineAndNames) {
  EXPECT_EQ(FormatTotalLine(1, 3), "1 / 3  (33.3%)");
  EXPECT_EQ(FormatTotalLine(7, 7), "7 / 7  (100.0%)");
  EXPECT_EQ(DisplayNameOf("bin/sub/app.ocx"), "app.ocx");
  EXPECT_EQ(DisplayNameOf("app.ocx"), "app.ocx");
  EXPECT_EQ(BuildFileUrl("/pub", "bin\\a b.dll"), "/pub/bin/a b.dll");
}
