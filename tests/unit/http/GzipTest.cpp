#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <functional>
#include <string>

#include "http/GzipFile.h"
#include "http/GzipStreamDecoder.h"
#include "GzipBytes.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

namespace {
std::string Text(size_t lines) {
  std::string text;
  for (size_t i = 0; i < lines; ++i) text += "line " + std::to_string(i) + " of the published file\r\n";
  return text;
}

// A stream reader that hands out bytes in reads of the decoder's size;
// capacities of each read go to largestRead when given.
std::function<size_t(unsigned char*, size_t)> ReaderOver(const std::string& bytes, size_t* largestRead = nullptr) {
  return [&bytes, largestRead, offset = size_t{0}](unsigned char* buffer, size_t capacity) mutable {
    if (largestRead) *largestRead = std::max(*largestRead, capacity);
    const size_t n = std::min(capacity, bytes.size() - offset);
    std::copy(bytes.begin() + offset, bytes.begin() + offset + n, buffer);
    offset += n;
    return n;
  };
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

// A damaged answer is no file: the download fails and the old file comes
// back, instead of a part of the content being installed as current.
TEST_F(GzipFileTest, DamagedStreamsFailAndLeaveTheFileAsItWas) {
  const std::string text = Text(3000);
  const std::string good = Gzip(text);
  auto flipped = [&](size_t at) {
    std::string gz = good;
    gz[at] = static_cast<char>(gz[at] ^ 0x55);
    return gz;
  };
  const struct {
    std::string bytes;
    const char* line;
  } cases[] = {
      {flipped(good.size() - 8), "Gzip Stream damaged(%s) : the CRC-32 differs, Decoded Size = 97890"},
      {flipped(good.size() - 4), "Gzip Stream damaged(%s) : the length field differs, Decoded Size = 97890"},
      {good.substr(0, good.size() - 2), "Gzip Stream cut short(%s) : the length field is cut short"},
      {good.substr(0, good.size() - 6), "Gzip Stream cut short(%s) : the CRC-32 field is cut short"},
      {good.substr(0, good.size() / 2), "Gzip Stream cut short(%s) : the stream is cut short, Decoded Size = "},
      {good.substr(0, 10) + std::string(4000, '\xff') + good.substr(4010), "Gzip Stream damaged(%s) : bad compressed data"},
  };
  for (const auto& c : cases) {
    LogCapture log;
    uint64_t size = 7;
    std::string content;
    char line[512];
    std::snprintf(line, sizeof(line), c.line, m_dir.Child("file.dll").c_str());
    SCOPED_TRACE(line);
    EXPECT_EQ(Decode(c.bytes, size, content), 0);
    EXPECT_EQ(content, c.bytes);
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(log.Contains(std::string("[ERROR] CVantoExeDlg::UnCompressGzipFile> ") + line)) << log.Text();
  }
}

// A small answer that decodes to much more than it may: the decoding stops
// at the bound, and nothing of it stays on the disk.
TEST_F(GzipFileTest, DecodedSizeBoundEndsTheDecoding) {
  const std::string zeros(8 << 20, '\0');
  const std::string gz = Gzip(zeros);
  ASSERT_LT(gz.size(), 16384u);
  {
    LogCapture log;
    uint64_t size = 0;
    std::string content;
    const std::string path = m_dir.Child("file.dll");
    ASSERT_TRUE(WriteWholeFile(path, gz));
    EXPECT_EQ(UnCompressGzipFile(path, size, 1 << 20), 0);
    EXPECT_TRUE(ReadWholeFile(path, &content));
    EXPECT_EQ(content, gz);
    EXPECT_EQ(ListDirectory(m_dir.path()), std::vector<std::string>{"file.dll"});
    EXPECT_TRUE(log.Contains("[ERROR] CVantoExeDlg::UnCompressGzipFile> Decoded Size Bound Reached(" + path +
                             "), Bound = 1048576, Decoded Size = 1048576"))
        << log.Text();
  }
  uint64_t size = 0;
  const std::string path = m_dir.Child("exact.dll");
  ASSERT_TRUE(WriteWholeFile(path, gz));
  EXPECT_EQ(UnCompressGzipFile(path, size, zeros.size()), 1) << "content of exactly the bound";
  EXPECT_EQ(size, zeros.size());
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


TEST(GzipStream, LargeContentStreamsInSmallPieces) {
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "block " + std::to_string(i * 7919 % 100003) + "\n";
  const std::string gz = Gzip(text);
  size_t largestRead = 0;
  size_t largestWrite = 0;
  std::string out;
  const GzipDecodeResult result = DecodeGzipStream(
      ReaderOver(gz, &largestRead),
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
  const GzipDecodeResult result =
      DecodeGzipStream(ReaderOver(gz), [](const unsigned char*, size_t) { return false; });
  EXPECT_EQ(result.state, GZIP_DECODE_SINK_ERROR);
  EXPECT_EQ(result.decodedSize, 0u);
}

TEST(GzipStream, OutputBoundHandsNoMoreToTheSink) {
  const std::string gz = Gzip(std::string(100000, 'a')) + Gzip("second member");
  for (uint64_t bound : {uint64_t{0}, uint64_t{1}, uint64_t{4096}, uint64_t{99999}}) {
    uint64_t received = 0;
    const GzipDecodeResult result = DecodeGzipStream(
        ReaderOver(gz),
        [&](const unsigned char*, size_t length) {
          received += length;
          return true;
        },
        bound);
    EXPECT_EQ(result.state, GZIP_DECODE_OUTPUT_BOUND) << bound;
    EXPECT_LE(received, bound);
    EXPECT_EQ(result.decodedSize, received);
  }
}
