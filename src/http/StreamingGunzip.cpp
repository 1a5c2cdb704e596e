#include "http/StreamingGunzip.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

namespace {
// Encoded bytes waiting for the decoder at most: the transfer waits beyond.
constexpr size_t kQueueBytes = 1 << 20;
}  // namespace

std::unique_ptr<CStreamingGunzip> CStreamingGunzip::Start(std::FILE* output, DecodedBound boundOf) {
  try {
    return std::make_unique<CStreamingGunzip>(output, std::move(boundOf));
  } catch (const std::system_error&) {
    return nullptr;
  }
}

CStreamingGunzip::CStreamingGunzip(std::FILE* output, DecodedBound boundOf)
    : m_output(output), m_boundOf(std::move(boundOf)), m_thread(&CStreamingGunzip::Work, this) {}

CStreamingGunzip::~CStreamingGunzip() {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_bInputEnded = true;
    m_changed.notify_all();
  }
  if (m_thread.joinable()) m_thread.join();
}

void CStreamingGunzip::Work() {
  const GzipSource source = [this](unsigned char* buffer, size_t capacity) { return Pull(buffer, capacity); };
  const GzipSink sink = [this](const unsigned char* data, size_t length) { return Write(data, length); };
  GzipDecodeResult result = DecodeGzipStream(source, sink);
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_bBoundReached) {
    result.state = GZIP_DECODE_OUTPUT_BOUND;
    result.decodedSize = m_nWritten;
  }
  m_result = result;
  m_bDecodingEnded = true;
  // Whatever still waits is never decoded.
  m_queue.clear();
  m_nQueued = 0;
  m_changed.notify_all();
}

size_t CStreamingGunzip::Pull(unsigned char* buffer, size_t capacity) {
  std::unique_lock<std::mutex> hold(m_lock);
  m_changed.wait(hold, [this] { return m_nQueued != 0 || m_bInputEnded; });
  size_t copied = 0;
  while (copied < capacity && !m_queue.empty()) {
    const std::vector<unsigned char>& front = m_queue.front();
    const size_t count = std::min(capacity - copied, front.size() - m_nFrontUsed);
    std::memcpy(buffer + copied, front.data() + m_nFrontUsed, count);
    copied += count;
    m_nFrontUsed += count;
    m_nQueued -= count;
    if (m_nFrontUsed == front.size()) {
      m_queue.pop_front();
      m_nFrontUsed = 0;
    }
  }
  m_changed.notify_all();
  return copied;
}

bool CStreamingGunzip::Write(const unsigned char* data, size_t length) {
  {
    std::unique_lock<std::mutex> hold(m_lock);
    const auto fits = [&] { return m_nWritten + length <= m_boundOf(m_nPushed); };
    m_changed.wait(hold, [&] { return fits() || m_bInputEnded || m_nQueued >= kQueueBytes; });
    if (!fits()) {
      m_bBoundReached = true;
      return false;
    }
  }
  if (std::fwrite(data, 1, length, m_output) != length) {
    const int error = errno ? errno : EIO;
    std::lock_guard<std::mutex> hold(m_lock);
    m_nWriteError = error;
    return false;
  }
  std::lock_guard<std::mutex> hold(m_lock);
  m_nWritten += length;
  return true;
}

bool CStreamingGunzip::Push(const unsigned char* data, size_t size) {
  std::unique_lock<std::mutex> hold(m_lock);
  m_changed.wait(hold, [this] { return m_nQueued < kQueueBytes || m_bDecodingEnded; });
  if (m_nWriteError) return false;
  if (m_bDecodingEnded || size == 0) return true;  // the rest is not decoded; Finish tells why
  m_queue.emplace_back(data, data + size);
  m_nQueued += size;
  m_nPushed += size;
  m_changed.notify_all();
  return true;
}

GzipDecodeResult CStreamingGunzip::Finish() {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_bInputEnded = true;
    m_changed.notify_all();
  }
  if (m_thread.joinable()) m_thread.join();
  return m_result;
}

int CStreamingGunzip::WriteError() {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_nWriteError;
}
