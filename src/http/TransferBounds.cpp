#include "http/TransferBounds.h"

#include <algorithm>

int64_t GzipAnswerBound(int64_t decodedSize) {
  // 5 bytes per stored block of at most 65535 bytes; 64 KiB of room for the
  // header's name, comment and extra field.
  const int64_t size = std::max<int64_t>(decodedSize, 0);
  return size + size / 8192 + 65536;
}

int64_t DecodedSizeBound(int64_t knownSize, int64_t encodedSize, const TransferBounds& bounds) {
  if (knownSize > 0) return knownSize;
  const int64_t encoded = std::max<int64_t>(encodedSize, 0);
  const int64_t byRatio = encoded > bounds.unknownSize / kGzipRatioBound ? bounds.unknownSize : encoded * kGzipRatioBound;
  return std::min(bounds.unknownSize, std::max(kGzipFloorBound, byRatio));
}

int64_t DownloadDeadlineSpanMs(uint32_t connectMs, uint32_t sendMs, uint32_t receiveMs) {
  int64_t span = 0;
  for (uint32_t ms : {connectMs, sendMs, receiveMs}) span += ms ? ms : kBuiltInTimeoutMs;
  return span;
}
