#include "util/Cp949Case.h"

#include <gtest/gtest.h>

// Narrow literals are CP949: 쌰 is 9B 58 ('X' second), 햏 is C1 64 ('d'
// second), 갂 is 81 41 ('A' second).
TEST(Cp949Case, OnlySingleByteLettersChange) {
  struct Case {
    const char* text;
    const char* lower;
    const char* upper;
  };
  const Case cases[] = {
      {"C:\\Program Files\\IEXPLORE.EXE", "c:\\program files\\iexplore.exe", "C:\\PROGRAM FILES\\IEXPLORE.EXE"},
      {"C:\\쌰\\IExplore", "c:\\쌰\\iexplore", "C:\\쌰\\IEXPLORE"},
      {"햏d갂A", "햏d갂a", "햏D갂A"},
      {"", "", ""},
      {"Ab\x81", "ab\x81", "AB\x81"},  // a lead byte without its trail byte at the end
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LowerCp949(c.text), c.lower) << c.text;
    EXPECT_EQ(UpperCp949(c.text), c.upper) << c.text;
  }
  EXPECT_EQ(std::string("쌰").substr(1), "X");  // the point of the cases above
}
