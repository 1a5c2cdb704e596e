#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../sync/LogCapture.h"
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
  EXPECT_EQ(kTransferReadSize, 4096u);
  EXPECT_EQ(kTransferBlockSize, 4096u);
  ScriptedReader reader({100000, 0});
  RecordingSink sink(0, 0);
  int64_t total = 0;
  EXPECT_EQ(RunTransferLoop(reader, sink, TransferPlan(), total), DOWNLOAD_OK);
  EXPECT_EQ(total, 4096);  // one read of the plan's size, then the end
}
}  // namespace
