#include "util/LogDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "util/MyLog.h"

namespace {
CMyLog::LocalTime FixedClock() { return {2024, 3, 9, 14, 5, 6, 7}; }

// Messages with every byte the line end rules touch: 0xF5 (inverts to 0x0A),
// 0xF2 (inverts to 0x0D) before 0xF5, a message that ends in 0xF2, a CR LF
// inside a message (as the system's error texts bring), and Hangul.
const char* const kMessages[] = {
    "CVantoExeApp::InitInstance> 시작 %s",
    "x\xF5y\xF2\xF5z",
    "ends in \xF2",
    "CMyLog::LogLastErrorText> 지정된 파일을 찾을 수 없습니다.\r\n",
    "\xF2\xF2\xF5\xF5",
};

// The file a log in its own folder writes for kMessages.
std::string WriteLog(int16_t encodeFlag) {
  ScopedTempDir dir;
  CMyLog log;
  log.SetClockForTest(&FixedClock);
  EXPECT_EQ(log.Init(dir.path().c_str(), "VantoExe", 0, "DEBUG", encodeFlag), 0);
  for (const char* message : kMessages) log.Log(LOG_INFO, "%s", message);
  const std::vector<std::string> names = ListDirectory(dir.path());
  EXPECT_EQ(names.size(), 1u);
  std::string bytes;
  if (!names.empty()) {
    EXPECT_TRUE(ReadWholeFile(dir.Child(names[0]), &bytes));
  }
  return bytes;
}

std::string Decode(const std::string& stored, size_t pieceSize) {
  CEncodedLogDecoder decoder;
  std::string out;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(stored.data());
  for (size_t at = 0; at < stored.size(); at += pieceSize)
    decoder.Feed(bytes + at, std::min(pieceSize, stored.size() - at), out);
  decoder.Finish(out);
  return out;
}

bool LooksEncoded(const std::string& bytes) {
  return IsEncodedLogStart(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

TEST(LogDecoderTest, EncodedLogBecomesThePlainFileByteForByte) {
  const std::string encoded = WriteLog(1);
  const std::string plain = WriteLog(0);
  ASSERT_FALSE(plain.empty());
  ASSERT_NE(encoded, plain);
  // Pieces of one byte split every CR from its LF; odd sizes split elsewhere.
  for (size_t piece : {size_t(1), size_t(2), size_t(7), encoded.size()}) {
    SCOPED_TRACE(piece);
    EXPECT_EQ(Decode(encoded, piece), plain);
  }
  EXPECT_TRUE(LooksEncoded(encoded));
  EXPECT_FALSE(LooksEncoded(plain));
}

TEST(LogDecoderTest, OnlyAnInvertedDateCountsAsEncoded) {
  auto invert = [](std::string text) {
    for (char& c : text) c = static_cast<char>(255 - static_cast<unsigned char>(c));
    return text;
  };
  EXPECT_TRUE(LooksEncoded(invert("2021/01/07=")));
  EXPECT_FALSE(LooksEncoded(invert("2021/01/07")));   // too short to tell
  EXPECT_FALSE(LooksEncoded(invert("2021-01-07=")));
  EXPECT_FALSE(LooksEncoded(invert("x021/01/07=")));
  EXPECT_FALSE(LooksEncoded(""));
  // A CR that no LF follows is data, also at the very end.
  EXPECT_EQ(Decode(invert("a") + "\r" + invert("b") + "\r", 1), "a\xF2" "b\xF2");
}
}  // namespace
