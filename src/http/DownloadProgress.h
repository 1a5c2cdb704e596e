#pragma once
// The file bar of one download: a percentage of the server size, or for a
// chunked answer (size unknown) a cycle that restarts every 40960 bytes.
// The bar is moved only when its position changes.
#include <cstdint>

#include "util/RunDisplay.h"

// Bytes of one cycle of the bar while the size is unknown.
constexpr int64_t kChunkedBarCycle = 40960;

class CDownloadProgress {
 public:
  // display null: the download drives no bar.
  CDownloadProgress(IRunDisplay* display, bool chunked, int64_t serverSize)
      : m_display(display), m_bChunked(chunked), m_nServerSize(serverSize) {}

  // Range 0 to 100, position 0.
  void Start();
  // After each block that reached the file; total includes it.
  void OnBlock(uint32_t size, int64_t total);
  // The answer ended: the bar goes to 100.
  void OnEndOfData() { Move(100); }

 private:
  void Move(int position);

  IRunDisplay* m_display;
  bool m_bChunked;
  int64_t m_nServerSize;
  int64_t m_nPacing = 0;
  int m_nLastPos = 0;
};
