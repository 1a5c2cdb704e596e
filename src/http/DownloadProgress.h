#pragma once
// The file bar of one download: a percentage of the server size, or for a
// chunked answer (size unknown) a cycle that restarts every 40960 bytes.
// The bar is moved only when its position changes. While the blocks come,
// waiting window messages are dispatched at a display rate, so the window
// stays alive and a Stop click reaches the stop flag during one long
// transfer.
#include <cstdint>

#include "http/TransferClock.h"
#include "util/RunDisplay.h"

// Bytes of one cycle of the bar while the size is unknown.
constexpr int64_t kChunkedBarCycle = 40960;
// Least time between two dispatches of a waiting message during a transfer.
constexpr int64_t kTransferPumpIntervalMs = 30;

class CDownloadProgress {
 public:
  // display null: the download drives no bar and dispatches nothing.
  CDownloadProgress(IRunDisplay* display, bool chunked, int64_t serverSize, ProgressClock clock = SteadyMilliseconds)
      : m_display(display), m_bChunked(chunked), m_nServerSize(serverSize), m_clock(clock) {}

  // Range 0 to 100, position 0.
  void Start();
  // After each block that reached the file; total includes it. Moves the
  // bar, then dispatches one waiting message when the last dispatch is
  // kTransferPumpIntervalMs old.
  void OnBlock(uint32_t size, int64_t total);
  // The answer ended: the bar goes to 100.
  void OnEndOfData() { Move(100); }

 private:
  void Move(int position);
  void PumpAtDisplayRate();

  IRunDisplay* m_display;
  bool m_bChunked;
  int64_t m_nServerSize;
  ProgressClock m_clock;
  int64_t m_nPacing = 0;
  int m_nLastPos = 0;
  int64_t m_nLastPumpMs = 0;
};
