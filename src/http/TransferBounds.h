#pragma once
// How much one download may write and how long it may take, whatever the
// server sends. A server that never ends its answer, a small gzip answer
// that decodes to gigabytes and a server that sends one byte every few
// seconds each end the download as a failure instead of filling the disk
// or holding the run.
//
// - Plain answer of known size (list field 6, or the HEAD answer's
//   Content-Length): reading stops at that size.
// - Gzip answer of known size: the answer may take what deflate needs at
//   most for that size (GzipAnswerBound); the decoded content may not grow
//   beyond the size.
// - Size unknown (chunked, no Content-Length, field 6 no number): the answer
//   may take kUnknownSizeBound bytes; a gzip answer's content may grow to
//   kGzipRatioBound times the answer or kGzipFloorBound, whichever is more,
//   and never beyond kUnknownSizeBound.
// - Every download ends within the sum of the connect, send and receive
//   time-outs from its start (90 minutes with the built-in 30 minutes each),
//   in addition to the time-out of each read.
#include <cstdint>

constexpr int64_t kUnknownSizeBound = int64_t{1} << 30;  // 1 GiB
constexpr int64_t kGzipRatioBound = 200;
constexpr int64_t kGzipFloorBound = int64_t{64} << 20;  // 64 MiB
// A time-out of 0 (none set) counts as the built-in value.
constexpr uint32_t kBuiltInTimeoutMs = 1800000;

struct TransferBounds {
  int64_t unknownSize = kUnknownSizeBound;
};

// Bytes a gzip answer may take when its content has decodedSize bytes:
// deflate's stored blocks, the header with its optional fields, the trailer.
int64_t GzipAnswerBound(int64_t decodedSize);

// Bytes the content of a gzip answer of encodedSize bytes may decode to;
// knownSize above 0 is the size the content must have.
int64_t DecodedSizeBound(int64_t knownSize, int64_t encodedSize, const TransferBounds& bounds);

// Milliseconds one download may take from its start.
int64_t DownloadDeadlineSpanMs(uint32_t connectMs, uint32_t sendMs, uint32_t receiveMs);
