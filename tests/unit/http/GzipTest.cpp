#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <string>

#include "http/GzipFile.h"
#include "http/GzipStreamDecoder.h"
#include "GzipBytes.h"
#include "support/TempDir.h"

namespace {
std::string Text(size_t lines) {
  std::string text;
  for (size_t i = 0; i < lines; ++i) text += "line " + std::to_string(i) + " of the published file\r\n";
  return text;
}

class GzipFileTest : public TempDirTest {
 protected:
  // Writes bytes, decodes in place; returns the result, size and content.
  int Decode(const std::string& bytes, uint64_t& size, std::string& content) {
    const std::string path = m_dir.Child("file.dll");
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    const int rc = UnCompressGzipFile(path, size);
    EXPECT_TRUE(ReadWholeFile(path, &content));
    EXPECT_FALSE(FileExists(path + ".gunzip~")) << "temporary file left behind";
    return rc;
  }
};
}  // namespace

TEST_F(GzipFileTest, GzipFileIsReplacedByItsContent) {
  const std::string text = Text(2000);
  uint64_t size = 0;
  std::string content;
  EXPECT_EQ(Decode(Gzip(text), size, content), 1);
  EXPECT_EQ(content, text);
  EXPECT_EQ(size, text.size());
}

TEST_F(GzipFileTest, NotGzipIsRewrittenUnchanged) {
  for (const std::string& plain : {std::string("MZ\x90\0plain binary", 16), std::string("\x1f"), std::string("\x1f\x8a rest")}) {
    uint64_t size = 0;
    std::string content;
    EXPECT_EQ(Decode(plain, size, content), 1);
    EXPECT_EQ(content, plain);
    EXPECT_EQ(size, plain.size());
  }
}

TEST_F(GzipFileTest, EmptyFileSucceedsAndStaysEmpty) {
  uint64_t size = 7;
  std::string content = "x";
  EXPECT_EQ(Decode("", size, content), 1);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(content, "");
}

TEST_F(GzipFileTest, EmptyPathSucceeds) {
  uint64_t size = 7;
  EXPECT_EQ(UnCompressGzipFile("", size), 1);
  EXPECT_EQ(size, 0u);
}

TEST_F(GzipFileTest, MissingFileFails) {
  uint64_t size = 0;
  EXPECT_EQ(UnCompressGzipFile(m_dir.Child("none.gz"), size), 0);
}

TEST_F(GzipFileTest, WrongCrcKeepsWhatWasDecoded) {
  const std::string text = Text(300);
  std::string gz = Gzip(text);
  gz[gz.size() - 8] ^= 0x55;  // first byte of the CRC-32
  uint64_t size = 0;
  std::string content;
  EXPECT_EQ(Decode(gz, size, content), 1);
  EXPECT_EQ(content, text);
}

TEST_F(GzipFileTest, MissingLengthFieldKeepsWhatWasDecoded) {
  const std::string text = Text(50);
  const std::string gz = Gzip(text);
  uint64_t size = 0;
  std::string content;
  EXPECT_EQ(Decode(gz.substr(0, gz.size() - 2), size, content), 1);
  EXPECT_EQ(content, text);
}

TEST_F(GzipFileTest, ConcatenatedMembersDecodeToBoth) {
  uint64_t size = 0;
  std::string content;
  EXPECT_EQ(Decode(Gzip("first part|") + Gzip("second part"), size, content), 1);
  EXPECT_EQ(content, "first part|second part");
  EXPECT_EQ(size, 22u);
}

TEST_F(GzipFileTest, TrailingBytesAfterAMemberAreNotContent) {
  uint64_t size = 0;
  std::string content;
  EXPECT_EQ(Decode(Gzip("content") + "garbage", size, content), 1);
  EXPECT_EQ(content, "content");
}

TEST_F(GzipFileTest, ReservedFlagBitFailsAndLeavesTheFile) {
  std::string gz = Gzip(Text(10));
  gz[3] = static_cast<char>(0x20);
  uint64_t size = 0;
  std::string content;
  EXPECT_EQ(Decode(gz, size, content), 0);
  EXPECT_EQ(content, gz);
}

TEST_F(GzipFileTest, WrongMethodFails) {
  std::string gz = Gzip("abc");
  gz[2] = 7;
  uint64_t size = 0;
  std::string content;
  EXPECT_EQ(Decode(gz, size, content), 0);
}

TEST_F(GzipFileTest, EmptyDecodedContentFails) {
  const std::string gz = Gzip("");
  uint64_t size = 0;
  std::string content;
  EXPECT_EQ(Decode(gz, size, content), 0);
  EXPECT_EQ(content, gz);
}

TEST_F(GzipFileTest, OptionalHeaderFieldsAreSkipped) {
  const std::string member = Gzip("payload");
  // Flags: header CRC, extra field, file name, comment.
  std::string header = member.substr(0, 10);
  header[3] = static_cast<char>(0x02 | 0x04 | 0x08 | 0x10);
  const std::string extra = std::string("\x03\x00", 2) + "abc";
  const std::string fields = extra + std::string("name.txt\0", 9) + std::string("a comment\0", 10) + "\xAA\xBB";
  uint64_t size = 0;
  std::string content;
  EXPECT_EQ(Decode(header + fields + member.substr(10), size, content), 1);
  EXPECT_EQ(content, "payload");
}

TEST_F(GzipFileTest, TruncatedHeaderFails) {
  uint64_t size = 0;
  std::string content;
  EXPECT_EQ(Decode(Gzip("abc").substr(0, 6), size, content), 0);
}

TEST_F(GzipFileTest, TruncatedStreamKeepsWhatWasDecoded) {
  const std::string text = Text(3000);
  const std::string gz = Gzip(text);
  uint64_t size = 0;
  std::string content;
  EXPECT_EQ(Decode(gz.substr(0, gz.size() / 2), size, content), 1);
  EXPECT_GT(content.size(), 0u);
  EXPECT_LT(content.size(), text.size());
  EXPECT_EQ(text.compare(0, content.size(), content), 0);
}

TEST(GzipStream, LargeContentStreamsInSmallPieces) {
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "block " + std::to_string(i * 7919 % 100003) + "\n";
  const std::string gz = Gzip(text);
  size_t offset = 0;
  size_t largestRead = 0;
  size_t largestWrite = 0;
  std::string out;
  const GzipDecodeResult result = DecodeGzipStream(
      [&](unsigned char* buffer, size_t capacity) {
        largestRead = std::max(largestRead, capacity);
        const size_t n = std::min(capacity, gz.size() - offset);
        std::copy(gz.begin() + offset, gz.begin() + offset + n, buffer);
        offset += n;
        return n;
      },
      [&](const unsigned char* data, size_t length) {
        largestWrite = std::max(largestWrite, length);
        out.append(reinterpret_cast<const char*>(data), length);
        return true;
      });
  EXPECT_EQ(result.state, GZIP_DECODE_END);
  EXPECT_EQ(result.decodedSize, text.size());
  EXPECT_EQ(out, text);
  EXPECT_LE(largestRead, 4096u);
  EXPECT_LE(largestWrite, 4096u);
}

TEST(GzipStream, SinkFailureStopsDecoding) {
  const std::string gz = Gzip(std::string(100000, 'a'));
  size_t offset = 0;
  const GzipDecodeResult result = DecodeGzipStream(
      [&](unsigned char* buffer, size_t capacity) {
        const size_t n = std::min(capacity, gz.size() - offset);
        std::copy(gz.begin() + offset, gz.begin() + offset + n, buffer);
        offset += n;
        return n;
      },
      [](const unsigned char*, size_t) { return false; });
  EXPECT_EQ(result.state, GZIP_DECODE_SINK_ERROR);
  EXPECT_EQ(result.decodedSize, 0u);
}
