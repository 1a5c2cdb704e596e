#pragma once
// The transfer of one response body: reads from the response and hands the
// bytes on in fixed blocks. It knows nothing about files; what happens to
// the bytes is the sink's business.
#include <cstdint>

// How much one read asks the response for: every read is a call into the
// platform's HTTP client, whose cost per call dominates small reads.
constexpr uint32_t kTransferReadSize = 65536;
// The largest block a sink is handed; larger reads are cut into such blocks,
// so the per-block work (write, stop check, bar) keeps its pace.
constexpr uint32_t kTransferBlockSize = 4096;

// A reader gave up waiting for bytes because the user asked to stop.
class CTransferStopped {
 public:
  explicit CTransferStopped(int32_t stopFlag) : m_nStopFlag(stopFlag) {}
  int32_t StopFlag() const { return m_nStopFlag; }

 private:
  int32_t m_nStopFlag;
};

// Where the bytes come from (the HTTP response).
class ITransferReader {
 public:
  virtual ~ITransferReader() = default;
  // Up to capacity bytes; 0 at the end of the data. Transport errors are
  // thrown and pass through the loop; CTransferStopped ends it as a stop.
  virtual uint32_t Read(void* buffer, uint32_t capacity) = 0;
};

// Where the bytes go.
class ITransferSink {
 public:
  virtual ~ITransferSink() = default;
  // One block of 1 to kTransferBlockSize bytes; total counts every byte so
  // far, this block included. DOWNLOAD_OK goes on; any other download code
  // ends the transfer with that code.
  virtual int OnBlock(const unsigned char* data, uint32_t size, int64_t total) = 0;
  // The response had no more data. Not called when the loop stopped at the
  // known size, nor when the very first read gave nothing.
  virtual void OnEndOfData() = 0;
};

struct TransferPlan {
  // No read is made once total has reached this; negative when the size is
  // unknown (chunked, or never learnt): read to the end of the data. Reads
  // near it ask only up to the next block boundary past it, so a larger
  // answer is cut where block-sized reads would have cut it.
  int64_t stopAtSize = -1;
  uint32_t readSize = kTransferReadSize;
};

// DOWNLOAD_OK; DOWNLOAD_NO_DATA when the very first read gave nothing (logged);
// DOWNLOAD_STOPPED when a read gave up for a stop (logged as a block's stop
// is); or the code a block ended the transfer with. total: bytes handed on.
int RunTransferLoop(ITransferReader& reader, ITransferSink& sink, const TransferPlan& plan, int64_t& total);
