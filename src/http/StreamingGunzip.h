#pragma once
// Decodes a gzip answer while it arrives: the encoded blocks are queued to a
// thread of their own that decodes them into the output file, so decoding
// overlaps the transfer instead of following it. The rules are those of the
// file decoder (every member whole, CRC-32 and length as decoded); the result
// is known once the input is complete. The decoded size is bounded by the
// encoded bytes that came so far (boundOf): what would outgrow that bound
// waits for more of the answer while the queue has room, and ends the
// decoding (GZIP_DECODE_OUTPUT_BOUND) when the answer ended or the queue is
// full, so neither the disk nor the memory ever holds more than the bound.
#include <functional>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "http/GzipStreamDecoder.h"

class CStreamingGunzip {
 public:
  // Decoded bytes allowed for so many encoded bytes.
  using DecodedBound = std::function<uint64_t(uint64_t encoded)>;
  // null when no thread can be started (the caller decodes the file after
  // the transfer instead). output stays the caller's.
  static std::unique_ptr<CStreamingGunzip> Start(std::FILE* output, DecodedBound boundOf);
  CStreamingGunzip(std::FILE* output, DecodedBound boundOf);
  // A decoding not finished is cut off (as a truncated input) and waited for.
  ~CStreamingGunzip();
  CStreamingGunzip(const CStreamingGunzip&) = delete;
  CStreamingGunzip& operator=(const CStreamingGunzip&) = delete;

  // Queues encoded bytes (waits while the queue is full); false once the
  // decoded output could not be written (WriteError tells why).
  bool Push(const unsigned char* data, size_t size);
  // The input is complete: the decoding's result, once it ended.
  GzipDecodeResult Finish();
  // errno of the failed write; 0 when every write succeeded.
  int WriteError();

 private:
  size_t Pull(unsigned char* buffer, size_t capacity);
  bool Write(const unsigned char* data, size_t length);
  void Work();

  std::FILE* m_output;
  DecodedBound m_boundOf;
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::deque<std::vector<unsigned char>> m_queue;
  size_t m_nQueued = 0;     // bytes in m_queue
  size_t m_nFrontUsed = 0;  // bytes of the front piece already pulled
  uint64_t m_nPushed = 0;   // encoded bytes so far
  uint64_t m_nWritten = 0;  // decoded bytes written
  bool m_bBoundReached = false;
  bool m_bInputEnded = false;
  bool m_bDecodingEnded = false;
  int m_nWriteError = 0;
  GzipDecodeResult m_result;
  std::thread m_thread;
};
