#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/LogCapture.h"
#include "ScriptedReader.h"
#include "http/DownloadResult.h"
#include "http/TransferLoop.h"

namespace {
// Records the blocks; answers failCode at block failAt (1-based).
class RecordingSink : public ITransferSink {
 public:
  RecordingSink(size_t failAt, int failCode) : m_failAt(failAt), m_failCode(failCode) {}
  int OnBlock(const unsigned char* data, uint32_t size, int64_t total) override {
    m_sizes.push_back(size);
    m_totals.push_back(total);
    m_bytes.append(reinterpret_cast<const char*>(data), size);
    return m_sizes.size() == m_failAt ? m_failCode : DOWNLOAD_OK;
  }
  void OnEndOfData() override { ++m_ends; }

  size_t m_failAt;
  int m_failCode;
  std::vector<uint32_t> m_sizes;
  std::vector<int64_t> m_totals;
  std::string m_bytes;
  int m_ends = 0;
};

struct LoopCase {
  const char* name;
  std::vector<uint32_t> reads;
  uint32_t readSize;
  int64_t stopAtSize;
  size_t failAt;  // 0: the sink takes everything
  int wantRc;
  std::vector<uint32_t> wantBlocks;
  size_t wantReads;
  int wantEnds;
};

const LoopCase kCases[] = {
    {"large reads are cut into blocks", {10000, 3000, 0}, 10000, -1, 0, DOWNLOAD_OK, {4096, 4096, 1808, 3000}, 3, 1},
    {"no read once the known size is reached", {4096, 4096, 4096}, 4096, 8192, 0, DOWNLOAD_OK, {4096, 4096}, 2, 0},
    {"a read near the known size asks up to the block past it", {65536, 65536}, 65536, 70000, 0, DOWNLOAD_OK,
     std::vector<uint32_t>(18, 4096), 2, 0},
    {"a known size of 0 reads nothing", {4096}, 4096, 0, 0, DOWNLOAD_OK, {}, 0, 0},
    {"short reads until the end", {100, 1, 0, 50}, 4096, -1, 0, DOWNLOAD_OK, {100, 1}, 3, 1},
    {"a first read without data", {0, 4096}, 4096, 100, 0, DOWNLOAD_NO_DATA, {}, 1, 0},
    {"a failed block ends the transfer", {10000, 4096}, 10000, -1, 2, DOWNLOAD_LOCAL_WRITE, {4096, 4096}, 1, 0},
    {"a stop after the first block", {4096, 4096}, 4096, -1, 1, DOWNLOAD_STOPPED, {4096}, 1, 0},
};

TEST(TransferLoopTest, ReadsCutsAndEndsAsPlanned) {
  for (const LoopCase& c : kCases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    ScriptedReader reader(c.reads);
    RecordingSink sink(c.failAt, c.wantRc);
    TransferPlan plan;
    plan.stopAtSize = c.stopAtSize;
    plan.readSize = c.readSize;
    int64_t total = -1;
    EXPECT_EQ(RunTransferLoop(reader, sink, plan, total), c.wantRc);
    EXPECT_EQ(sink.m_sizes, c.wantBlocks);
    EXPECT_EQ(reader.ReadsMade(), c.wantReads);
    EXPECT_EQ(sink.m_ends, c.wantEnds);
    int64_t sum = 0;
    for (size_t i = 0; i < sink.m_sizes.size(); ++i) EXPECT_EQ(sink.m_totals[i], sum += sink.m_sizes[i]);
    EXPECT_EQ(total, sum);
    // Blocks carry the bytes in order; a failed block still held its bytes.
    EXPECT_EQ(sink.m_bytes, reader.Sent().substr(0, sink.m_bytes.size()));
    EXPECT_EQ(log.Contains("CVantoExeDlg::DownloadOneFileFromServer> pHttpFile->Read(pBuf, sizeof(pBuf)) => No data."),
              c.wantRc == DOWNLOAD_NO_DATA);
  }
}

TEST(TransferLoopTest, ReadsAskForTheReadSize) {
  EXPECT_EQ(kTransferReadSize, 65536u);
  EXPECT_EQ(kTransferBlockSize, 4096u);
  ScriptedReader reader({1000000, 0});
  RecordingSink sink(0, 0);
  int64_t total = 0;
  EXPECT_EQ(RunTransferLoop(reader, sink, TransferPlan(), total), DOWNLOAD_OK);
  EXPECT_EQ(total, 65536);  // one read of the plan's size, then the end
  EXPECT_EQ(sink.m_sizes, std::vector<uint32_t>(16, 4096));
}

// What the sink sees does not depend on the read size when every read is
// answered in full: large reads near a known size ask only up to the block
// boundary past it, where 4096-byte reads would have stopped.
TEST(TransferLoopTest, TheReadSizeChangesNothingTheSinkSees) {
  const int64_t kAnswer = 150000;  // bytes the server really sends
  for (const int64_t stopAt : {int64_t{-1}, int64_t{0}, int64_t{1}, int64_t{4095}, int64_t{4096}, int64_t{4097},
                               int64_t{65536}, int64_t{70000}, int64_t{100000}, int64_t{200000}}) {
    SCOPED_TRACE(stopAt);
    std::vector<std::vector<uint32_t>> seen;
    std::vector<size_t> reads;
    for (const uint32_t readSize : {4096u, 65536u, 1u << 20}) {
      std::vector<uint32_t> script;
      for (int64_t left = kAnswer; left > 0; left -= readSize)
        script.push_back(static_cast<uint32_t>(std::min<int64_t>(left, readSize)));
      ScriptedReader reader(script);
      RecordingSink sink(0, 0);
      TransferPlan plan;
      plan.stopAtSize = stopAt;
      plan.readSize = readSize;
      int64_t total = 0;
      EXPECT_EQ(RunTransferLoop(reader, sink, plan, total), DOWNLOAD_OK);
      seen.push_back(sink.m_sizes);
      reads.push_back(reader.ReadsMade());
    }
    EXPECT_EQ(seen[1], seen[0]);
    EXPECT_EQ(seen[2], seen[0]);
    if (stopAt > 4096) {
      EXPECT_LT(reads[1], reads[0]);  // only the number of reads drops
    }
  }
}

// A reader that gave up waiting for a stop ends the transfer as a block's
// stop does, with the blocks so far handed on.
TEST(TransferLoopTest, AReaderGivingUpForAStopEndsTheTransferAsStopped) {
  class StoppingReader : public ScriptedReader {
   public:
    StoppingReader() : ScriptedReader({5000}) {}
    uint32_t Read(void* buffer, uint32_t capacity) override {
      if (ReadsMade() == 1) throw CTransferStopped(1);
      return ScriptedReader::Read(buffer, capacity);
    }
  } reader;
  LogCapture log;
  RecordingSink sink(0, 0);
  int64_t total = 0;
  EXPECT_EQ(RunTransferLoop(reader, sink, TransferPlan(), total), DOWNLOAD_STOPPED);
  EXPECT_EQ(sink.m_sizes, (std::vector<uint32_t>{4096, 904}));
  EXPECT_EQ(total, 5000);
  EXPECT_EQ(sink.m_ends, 0);
  EXPECT_TRUE(log.Contains("[DEBUG] CVantoExeDlg::DownloadOneFileFromServer> It's Time To Stop, m_nRequestStopFlag = 1"));
}
}  // namespace
