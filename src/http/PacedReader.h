#pragma once
// Reads of a size that suits the connection: they start at one block and
// double while each is answered in full within a few milliseconds, up to
// what the transfer loop asks for; a read that takes longer than the
// display interval halves the next. A fast server is read in few large
// calls; a slow one still answers often enough for the window to stay
// alive and a Stop to end the transfer soon.
#include <cstdint>

#include "http/TransferClock.h"
#include "http/TransferLoop.h"

// A read answered in full within this time lets the next ask for twice as much.
constexpr int64_t kQuickReadMs = 10;
// A read that took longer than this makes the next ask for half as much.
constexpr int64_t kSlowReadMs = 30;

class CPacedReader : public ITransferReader {
 public:
  explicit CPacedReader(ITransferReader& inner, ProgressClock clock = SteadyMilliseconds)
      : m_inner(inner), m_clock(clock) {}

  uint32_t Read(void* buffer, uint32_t capacity) override;
  // What the next read asks for at most.
  uint32_t NextAsk() const { return m_nAsk; }

 private:
  ITransferReader& m_inner;
  ProgressClock m_clock;
  uint32_t m_nAsk = kTransferBlockSize;
};
