#include "util/TextConv.h"

#include <gtest/gtest.h>

// Narrow literals are compiled as CP949.
TEST(TextConv, KoreanLiteralIsCp949) {
  const std::string start = "시작";
  ASSERT_EQ(start.size(), 4u);
  EXPECT_EQ(static_cast<unsigned char>(start[0]), 0xBD);
}

TEST(TextConv, RoundTrips) {
  const std::string text = "파일 다운로드 실패 abc";
  EXPECT_EQ(WideToCp949(Cp949ToWide(text)), text);
  EXPECT_EQ(Cp949ToWide("시작"), std::wstring(L"\uC2DC\uC791"));
  EXPECT_EQ(Cp949ToUtf8("시작"), std::string("\xEC\x8B\x9C\xEC\x9E\x91"));
  EXPECT_EQ(Utf8ToCp949("\xEC\x8B\x9C\xEC\x9E\x91"), std::string("시작"));
  EXPECT_EQ(Cp949ToUtf8(""), "");
}
