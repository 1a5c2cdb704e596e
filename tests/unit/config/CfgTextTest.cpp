#include "config/CfgText.h"

#include <gtest/gtest.h>

TEST(CfgAtoi, CLibraryRule) {
  EXPECT_EQ(CfgAtoi("42"), 42);
  EXPECT_EQ(CfgAtoi("  \t-7x"), -7);
  EXPECT_EQ(CfgAtoi("+3"), 3);
  EXPECT_EQ(CfgAtoi("abc"), 0);
  EXPECT_EQ(CfgAtoi(""), 0);
  EXPECT_EQ(CfgAtoi("- 5"), 0);
  EXPECT_EQ(CfgAtoi("1 2"), 1);
}

TEST(CfgAtoi, SaturatesInsteadOfOverflowing) {
  EXPECT_EQ(CfgAtoi("2147483647"), 2147483647);
  EXPECT_EQ(CfgAtoi("2147483648"), 2147483647);
  EXPECT_EQ(CfgAtoi("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(CfgAtoi("-99999999999999999999"), -2147483647 - 1);
}

TEST(TrimWhite, BothEnds) {
  EXPECT_EQ(TrimWhite(" \t\r\n a b \v\f"), "a b");
  EXPECT_EQ(TrimWhite("   "), "");
  EXPECT_EQ(TrimWhite("x"), "x");
}

TEST(EqualsNoCaseMbcs, FoldsOnlySingleByteLetters) {
  EXPECT_TRUE(EqualsNoCaseMbcs("Vanto", "vANTO"));
  EXPECT_TRUE(EqualsNoCaseMbcs("설정A", "설정a"));
  EXPECT_FALSE(EqualsNoCaseMbcs("Vanto", "Vanto2"));
  // 0x81 0x41 and 0x81 0x61 are two different Korean characters whose second
  // bytes look like "A" and "a".
  EXPECT_FALSE(EqualsNoCaseMbcs("\x81\x41", "\x81\x61"));
  EXPECT_TRUE(EqualsNoCaseMbcs("\x81\x41x", "\x81\x41X"));
}
