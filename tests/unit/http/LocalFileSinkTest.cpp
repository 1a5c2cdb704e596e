#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/FakeRunDisplay.h"
#include "support/LogCapture.h"
#include "GzipBytes.h"
#include "ScriptedReader.h"
#include "http/DownloadResult.h"
#include "http/LocalFileSink.h"
#include "http/TransferBounds.h"
#include "support/TempDir.h"
#include "util/Sha256.h"

namespace {
const std::string kPrefix = "CVantoExeDlg::DownloadOneFileFromServer> ";

class LocalFileSinkTest : public TempDirTest {
 protected:
  // Opens a sink on file.dll and runs the loop into it as the download
  // does; the sink stays open for the end steps.
  int Transfer(CLocalFileSink& sink, std::vector<uint32_t> reads, int64_t stopAtSize = -1) {
    EXPECT_TRUE(sink.Open());
    ScriptedReader reader(std::move(reads));
    TransferPlan plan;
    plan.stopAtSize = stopAtSize;
    int64_t total = 0;
    const int rc = RunTransferLoop(reader, sink, plan, total);
    m_sent = reader.Sent();
    return rc;
  }
  LocalFilePlan Plan(bool chunked, int64_t serverSize) { return {m_dir.Child("file.dll"), chunked, serverSize, ""}; }
  std::string Content() {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(m_dir.Child("file.dll"), &bytes));
    return bytes;
  }

  LogCapture m_log;
  FakeRunDisplay m_display;
  int32_t m_stop = 0;
  std::string m_sent;
};

struct BarCase {
  const char* name;
  bool chunked;
  int64_t serverSize;
  std::vector<uint32_t> reads;
  int64_t stopAtSize;
  std::vector<int> wantPositions;
};

const BarCase kBarCases[] = {
    // Chunked: the bar cycles every 40960 bytes and ends at 100.
    {"chunked pacing", true, 0, std::vector<uint32_t>(12, 4096), -1, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 0, 10, 20, 100}},
    {"percentage up to the known size", false, 10240, {4096, 4096, 2048}, 10240, {0, 40, 80, 100}},
    {"only changed positions", false, 819200, {4096, 4096, 4096}, -1, {0, 1, 100}},
};

TEST_F(LocalFileSinkTest, WritesEveryBlockAndMovesTheBar) {
  for (const BarCase& c : kBarCases) {
    SCOPED_TRACE(c.name);
    m_display.m_positions.clear();
    CLocalFileSink sink(Plan(c.chunked, c.serverSize), m_stop, &m_display);
    EXPECT_EQ(Transfer(sink, c.reads, c.stopAtSize), DOWNLOAD_OK);
    EXPECT_EQ(sink.Close(), DOWNLOAD_OK);
    EXPECT_EQ(Content(), m_sent);
    std::vector<int> positions;
    for (const auto& p : m_display.m_positions) {
      EXPECT_EQ(p.first, IDC_PROGRESS_FILE);
      positions.push_back(p.second);
    }
    EXPECT_EQ(positions, c.wantPositions);
  }
  EXPECT_TRUE(m_log.Contains(kPrefix + "Close Target File Success"));
  EXPECT_EQ(m_log.Count(kPrefix + "Write transfer encoded chunked file. So the total size of the file is unknown."), 1);
}

TEST_F(LocalFileSinkTest, StopEndsAfterTheFirstBlockWithoutTheBar) {
  m_stop = 1;
  CLocalFileSink sink(Plan(false, 100000), m_stop, nullptr);
  EXPECT_EQ(Transfer(sink, {10000, 10000}), DOWNLOAD_STOPPED);
  sink.Discard();
  EXPECT_EQ(Content(), m_sent.substr(0, 4096));
  EXPECT_TRUE(m_log.Contains(kPrefix + "It's Time To Stop, m_nRequestStopFlag = 1"));
  EXPECT_TRUE(m_display.m_ranges.empty() && m_display.m_positions.empty());
}

TEST_F(LocalFileSinkTest, ChecksTheSizeOfTheClosedFile) {
  struct Case {
    bool chunked;
    int64_t serverSize;
    int wantRc;
    const char* wantLine;
  };
  const Case cases[] = {
      {false, 10240, DOWNLOAD_SIZE_MISMATCH, "Server File Size = 10240, Write File Size = 5000"},
      // Beyond 4 GiB the size is neither cut to 32 bits nor taken as "none".
      {false, 4294972296LL, DOWNLOAD_SIZE_MISMATCH, "Server File Size = 4294972296, Write File Size = 5000"},
      {false, 5000000000LL, DOWNLOAD_SIZE_MISMATCH, "nServerFileSize = 5000000000"},
      {false, 5000, DOWNLOAD_OK, "Down File Size Validation Success"},
      {false, 0, DOWNLOAD_OK, "nServerFileSize = 0"},
      {true, 0, DOWNLOAD_OK, "Transfer encoded chunked files cannot be compared in size."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wantLine);
    CLocalFileSink sink(Plan(c.chunked, c.serverSize), m_stop, nullptr);
    EXPECT_EQ(Transfer(sink, {4096, 904, 0}), DOWNLOAD_OK);
    EXPECT_EQ(sink.Close(), DOWNLOAD_OK);
    EXPECT_EQ(sink.CheckClosedFile(false), c.wantRc);
    EXPECT_TRUE(m_log.Contains(kPrefix + c.wantLine));
  }
}

// A fixed response body, handed out in reads of at most 3000 bytes.
class BodyReader : public ITransferReader {
 public:
  explicit BodyReader(std::string body) : m_body(std::move(body)) {}
  uint32_t Read(void* buffer, uint32_t capacity) override {
    const size_t size = std::min<size_t>({capacity, 3000, m_body.size() - m_at});
    m_body.copy(static_cast<char*>(buffer), size, m_at);
    m_at += size;
    return static_cast<uint32_t>(size);
  }

 private:
  std::string m_body;
  size_t m_at = 0;
};

TEST_F(LocalFileSinkTest, DigestOfTheDecodedFileDecides) {
  std::string content;
  for (int i = 0; i < 2000; ++i) content += "line " + std::to_string(i) + " of the published file\r\n";
  const std::string path = m_dir.Child("file.dll");
  const std::string right = Sha256OfText(content);
  const std::string wireDigest = Sha256OfText(Gzip(content));
  const struct {
    const char* name;
    bool gzip;
    bool chunked;
    std::string digest;
    int wantRc;
    std::string wantLine;
  } cases[] = {
      {"plain, right", false, false, right, DOWNLOAD_OK, "Down File SHA-256 Validation Success"},
      {"plain, wrong", false, false, wireDigest, DOWNLOAD_HASH_MISMATCH,
       "Down File SHA-256 Mismatch(" + path + "), Expected = " + wireDigest + ", Actual = " + right},
      {"gzip, digest of the content", true, false, right, DOWNLOAD_OK, "Down File SHA-256 Validation Success"},
      {"gzip, digest of the encoded bytes", true, false, wireDigest, DOWNLOAD_HASH_MISMATCH,
       "Down File SHA-256 Mismatch(" + path + "), Expected = " + wireDigest + ", Actual = " + right},
      {"chunked: no size check, the digest still counts", false, true, wireDigest, DOWNLOAD_HASH_MISMATCH,
       "Down File SHA-256 Mismatch(" + path + "), Expected = " + wireDigest + ", Actual = " + right},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    LocalFilePlan plan{path, c.chunked, c.chunked ? 0 : static_cast<int64_t>(content.size()), c.digest};
    CLocalFileSink sink(plan, m_stop, nullptr);
    ASSERT_TRUE(sink.Open());
    BodyReader reader(c.gzip ? Gzip(content) : content);
    int64_t total = 0;
    ASSERT_EQ(RunTransferLoop(reader, sink, TransferPlan(), total), DOWNLOAD_OK);
    ASSERT_EQ(sink.Close(), DOWNLOAD_OK);
    EXPECT_EQ(sink.CheckClosedFile(c.gzip), c.wantRc);
    EXPECT_TRUE(log.Contains(kPrefix + c.wantLine));
    EXPECT_EQ(Content(), content) << "the sink leaves the file; the backup rules restore the old one";
  }
  // Without a digest nothing is hashed; a file that cannot be read fails.
  LogCapture log;
  CLocalFileSink plain({path, false, 0, ""}, m_stop, nullptr);
  EXPECT_EQ(Transfer(plain, {100, 0}), DOWNLOAD_OK);
  EXPECT_EQ(plain.Close(), DOWNLOAD_OK);
  EXPECT_EQ(plain.CheckClosedFile(false), DOWNLOAD_OK);
  EXPECT_FALSE(log.Contains("SHA-256"));
  CLocalFileSink gone({m_dir.Child("gone.dll"), false, 0, right}, m_stop, nullptr);
  EXPECT_EQ(gone.CheckClosedFile(false), DOWNLOAD_HASH_MISMATCH);
  EXPECT_TRUE(log.Contains(kPrefix + "Down File SHA-256 Read Fail(" + m_dir.Child("gone.dll") + ")"));
}

// A window whose queue holds a Stop click: the third dispatch sets the flag.
class StopClickDisplay : public FakeRunDisplay {
 public:
  explicit StopClickDisplay(int32_t& stop) : m_stopFlag(stop) {}
  void PumpWaitingMessages(int controlId) override {
    FakeRunDisplay::PumpWaitingMessages(controlId);
    if (m_pumps.size() == 3) m_stopFlag = 1;
  }

 private:
  int32_t& m_stopFlag;
};

int64_t g_nowMs = 0;
int64_t OneMillisecondPerCall() { return ++g_nowMs; }

TEST_F(LocalFileSinkTest, MessagesFlowDuringOneLongTransferAndStopEndsItOneBlockLater) {
  StopClickDisplay display(m_stop);
  g_nowMs = 0;
  CLocalFileSink sink(Plan(false, 200 * 4096), m_stop, &display, OneMillisecondPerCall);
  ASSERT_TRUE(sink.Open());
  ScriptedReader reader(std::vector<uint32_t>(20, 65536));
  int64_t total = 0;
  TransferPlan plan;
  plan.stopAtSize = 200 * 4096;
  EXPECT_EQ(RunTransferLoop(reader, sink, plan, total), DOWNLOAD_STOPPED);
  sink.Discard();
  // One dispatch every 30 ms (here: every 30 blocks); the third brought the
  // click during block 90, block 91 saw the flag.
  EXPECT_EQ(display.m_pumps, (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(total, 91 * 4096);
  EXPECT_EQ(Content(), reader.Sent().substr(0, 91 * 4096));
  EXPECT_TRUE(m_log.Contains(kPrefix + "It's Time To Stop, m_nRequestStopFlag = 1"));
}

// What a hostile server sends beyond the bounds ends the transfer: an
// endless answer at the size bound (nothing of the block beyond it is
// written), a slow one at the deadline.
TEST_F(LocalFileSinkTest, BoundsEndTheTransfer) {
  const std::string path = m_dir.Child("file.dll");
  LocalFilePlan sized = Plan(true, 0);
  sized.maxBytes = 10000;
  CLocalFileSink endless(sized, m_stop, nullptr);
  EXPECT_EQ(Transfer(endless, std::vector<uint32_t>(100, 4096)), DOWNLOAD_SIZE_MISMATCH);
  endless.Discard();
  EXPECT_EQ(Content(), m_sent.substr(0, 8192));
  EXPECT_TRUE(m_log.Contains("[ERROR] " + kPrefix + "Transfer Size Bound Reached(" + path + "), Bound = 10000"));

  g_nowMs = 0;
  LocalFilePlan timed = Plan(false, 0);
  timed.deadlineMs = 50;  // the clock moves a millisecond per block
  CLocalFileSink slow(timed, m_stop, nullptr, OneMillisecondPerCall);
  EXPECT_EQ(Transfer(slow, std::vector<uint32_t>(100, 4096)), DOWNLOAD_GZIP_OR_EXCEPTION);
  slow.Discard();
  EXPECT_EQ(Content().size(), 51u * 4096);
  EXPECT_TRUE(m_log.Contains("[ERROR] " + kPrefix + "Download Deadline Reached(" + path + "), Received Size = 208896"));

  // A plan without bounds reads what comes.
  CLocalFileSink unbounded(Plan(true, 0), m_stop, nullptr);
  EXPECT_EQ(Transfer(unbounded, std::vector<uint32_t>(100, 4096)), DOWNLOAD_OK);
  EXPECT_EQ(unbounded.Close(), DOWNLOAD_OK);
}

// A gzip answer decodes within the known size, or without one within the
// bound for unknown sizes.
TEST_F(LocalFileSinkTest, GzipContentBeyondItsBoundFails) {
  const std::string bomb = Gzip(std::string(8 << 20, '\0'));
  const struct {
    const char* name;
    bool chunked;
    int64_t serverSize;
    int64_t unknownSize;
    int wantRc;
    const char* wantLine;
  } cases[] = {
      {"size unknown", true, 0, 1 << 20, DOWNLOAD_GZIP_OR_EXCEPTION, "Bound = 1048576, Decoded Size = 1048576"},
      {"known size", false, 5000, kUnknownSizeBound, DOWNLOAD_GZIP_OR_EXCEPTION, "Bound = 5000, Decoded Size = 4096"},
      {"within the floor", true, 0, kUnknownSizeBound, DOWNLOAD_OK, "dwUnCompressSize=8388608"},
  };
  for (const bool streamed : {true, false})
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (streamed ? ", decoded while it arrives" : ", decoded after"));
    LogCapture log;
    LocalFilePlan plan = Plan(c.chunked, c.serverSize);
    plan.bounds.unknownSize = c.unknownSize;
    plan.gzip = streamed;
    CLocalFileSink sink(plan, m_stop, nullptr);
    ASSERT_TRUE(sink.Open());
    BodyReader reader(bomb);
    int64_t total = 0;
    ASSERT_EQ(RunTransferLoop(reader, sink, TransferPlan(), total), DOWNLOAD_OK);
    ASSERT_EQ(sink.Close(), DOWNLOAD_OK);
    EXPECT_EQ(sink.CheckClosedFile(true), c.wantRc);
    EXPECT_TRUE(log.Contains(c.wantLine)) << log.Text();
    EXPECT_EQ(ListDirectory(m_dir.path()), std::vector<std::string>{"file.dll"}) << "no decoded leftovers";
  }
}

// The log's lines from their level on.
std::string WithoutClock(const std::string& text) {
  std::string out;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const size_t level = line.find(" [");
    out += (level == std::string::npos ? line : line.substr(level + 1)) + "\n";
    start = end + 1;
  }
  return out;
}

// A gzip answer is decoded while it arrives: the file holds the content once
// it is closed, and every verdict, log line and file is the one decoding the
// whole answer afterwards gives.
TEST_F(LocalFileSinkTest, GzipAnswersDecodeWhileTheyArriveWithTheSameVerdicts) {
  std::string content;
  for (int i = 0; i < 3000; ++i) content += "line " + std::to_string(i) + " of the published file\r\n";
  const std::string whole = Gzip(content);
  std::string badCrc = whole;
  badCrc[badCrc.size() - 8] ^= 0x01;
  std::string badLength = whole;
  badLength[badLength.size() - 1] ^= 0x01;
  const struct {
    const char* name;
    std::string body;
    int wantRc;
  } cases[] = {
      {"one member", whole, DOWNLOAD_OK},
      {"two members", whole + Gzip("tail"), DOWNLOAD_OK},
      {"not gzip: passed through", content, DOWNLOAD_OK},
      {"cut short", whole.substr(0, whole.size() - 3), DOWNLOAD_GZIP_OR_EXCEPTION},
      {"cut in the middle", whole.substr(0, whole.size() / 2), DOWNLOAD_GZIP_OR_EXCEPTION},
      {"wrong CRC-32", badCrc, DOWNLOAD_GZIP_OR_EXCEPTION},
      {"wrong length field", badLength, DOWNLOAD_GZIP_OR_EXCEPTION},
      {"nothing decodes", Gzip(""), DOWNLOAD_GZIP_OR_EXCEPTION},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int rc[2];
    std::string log[2], file[2];
    for (const bool streamed : {true, false}) {
      LogCapture capture;
      LocalFilePlan plan = Plan(true, 0);
      plan.gzip = streamed;
      CLocalFileSink sink(plan, m_stop, nullptr);
      ASSERT_TRUE(sink.Open());
      BodyReader reader(c.body);
      int64_t total = 0;
      ASSERT_EQ(RunTransferLoop(reader, sink, TransferPlan(), total), DOWNLOAD_OK);
      ASSERT_EQ(sink.Close(), DOWNLOAD_OK);
      if (streamed && c.wantRc == DOWNLOAD_OK) {
        EXPECT_EQ(Content().substr(0, 100), content.substr(0, 100));
      }
      rc[streamed] = sink.CheckClosedFile(true);
      log[streamed] = WithoutClock(capture.Text());
      file[streamed] = Content();
      EXPECT_EQ(ListDirectory(m_dir.path()), std::vector<std::string>{"file.dll"});
    }
    EXPECT_EQ(rc[1], c.wantRc);
    EXPECT_EQ(rc[1], rc[0]);
    EXPECT_EQ(log[1], log[0]);
    if (c.wantRc == DOWNLOAD_OK) {
      EXPECT_EQ(file[1], file[0]);
    }
  }
}

// A stop, a failure or a damaged stream ends the decoding thread with the sink.
TEST_F(LocalFileSinkTest, AGzipAnswerGivenUpEndsItsDecoding) {
  const std::string body = Gzip(std::string(1 << 20, 'x'));
  LocalFilePlan plan = Plan(true, 0);
  plan.gzip = true;
  {
    CLocalFileSink sink(plan, m_stop, nullptr);
    ASSERT_TRUE(sink.Open());
    EXPECT_EQ(sink.OnBlock(reinterpret_cast<const unsigned char*>(body.data()), 100, 100), DOWNLOAD_OK);
    sink.Discard();
  }
  CLocalFileSink left(plan, m_stop, nullptr);
  ASSERT_TRUE(left.Open());
  EXPECT_EQ(left.OnBlock(reinterpret_cast<const unsigned char*>(body.data()), 100, 100), DOWNLOAD_OK);
}

// The download writes beside the file's place; the checks work on what was
// written there, and the log names the place.
TEST_F(LocalFileSinkTest, WrittenBesideItsPlaceAndNamedByIt) {
  const std::string place = m_dir.Child("file.dll");
  const std::string part = place + ".part~";
  const std::string text(100000, 'v');
  std::string digest;
  ASSERT_TRUE(WriteWholeFile(place, text));
  ASSERT_TRUE(Sha256OfFile(place, digest));
  ASSERT_EQ(std::remove(place.c_str()), 0);
  const struct {
    const char* name;
    std::string answer;
    int64_t serverSize;
    int wantRc;
    std::string wantLine;
  } cases[] = {
      {"decoded and hashed beside", Gzip(text), 100000, DOWNLOAD_OK, "UnCompressGzipFile(" + place + ") Success."},
      {"beyond its bound", Gzip(text), 5000, DOWNLOAD_GZIP_OR_EXCEPTION,
       "Decoded Size Bound Reached(" + place + "), Bound = 5000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    LocalFilePlan plan{place, false, c.serverSize, digest};
    plan.writePath = part;
    CLocalFileSink sink(plan, m_stop, nullptr);
    ASSERT_TRUE(sink.Open());
    BodyReader reader(c.answer);
    int64_t total = 0;
    ASSERT_EQ(RunTransferLoop(reader, sink, TransferPlan(), total), DOWNLOAD_OK);
    ASSERT_EQ(sink.Close(), DOWNLOAD_OK);
    EXPECT_EQ(sink.CheckClosedFile(true), c.wantRc);
    EXPECT_TRUE(log.Contains(c.wantLine)) << log.Text();
    EXPECT_EQ(ListDirectory(m_dir.path()), std::vector<std::string>{"file.dll.part~"}) << "nothing at the place";
  }
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(part, &bytes));
  EXPECT_EQ(bytes, Gzip(text)) << "the last, undecoded answer stays where it was written";
}

TEST(TransferBoundsTest, BoundsFollowTheKnownSizeOrTheAnswer) {
  TransferBounds bounds;
  EXPECT_EQ(bounds.unknownSize, int64_t{1} << 30);
  EXPECT_EQ(DecodedSizeBound(5000, 100, bounds), 5000);
  EXPECT_EQ(DecodedSizeBound(0, 100, bounds), kGzipFloorBound);
  EXPECT_EQ(DecodedSizeBound(0, 1 << 20, bounds), 200 << 20);
  EXPECT_EQ(DecodedSizeBound(0, int64_t{1} << 40, bounds), bounds.unknownSize);
  bounds.unknownSize = 1 << 20;
  EXPECT_EQ(DecodedSizeBound(0, 100, bounds), 1 << 20);
  EXPECT_GE(GzipAnswerBound(0), 18);
  EXPECT_GT(GzipAnswerBound(1 << 30), (int64_t{1} << 30) + (1 << 30) / 65535 * 5);
  // 30 minutes each, or each value as configured.
  EXPECT_EQ(DownloadDeadlineSpanMs(0, 0, 0), 3 * 1800000);
  EXPECT_EQ(DownloadDeadlineSpanMs(1800000, 1800000, 1800000), 3 * 1800000);
  EXPECT_EQ(DownloadDeadlineSpanMs(1000, 2000, 3000), 6000);
}

#ifdef __linux__
// A full disk fails either the write or the close: -3 both ways.
TEST(LocalFileSinkFullDiskTest, FullDiskGivesLocalWriteFailure) {
  LogCapture log;
  int32_t stop = 0;
  CLocalFileSink sink({"/dev/full", false, 0, ""}, stop, nullptr);
  ASSERT_TRUE(sink.Open());
  ScriptedReader reader({4096, 4096, 0});
  int64_t total = 0;
  int rc = RunTransferLoop(reader, sink, TransferPlan(), total);
  if (rc == DOWNLOAD_OK) rc = sink.Close();
  EXPECT_EQ(rc, DOWNLOAD_LOCAL_WRITE);
  EXPECT_TRUE(log.Contains(kPrefix + "fwrite() Fail, RetVal = "));
}
#endif
}  // namespace
