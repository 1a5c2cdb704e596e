#include "http/GzipStreamDecoder.h"

#include <zlib.h>

namespace {
const size_t kBlock = 4096;
const int kEof = -1;

// Flag bits of the gzip header.
const int kHeadCrc = 0x02;
const int kExtraField = 0x04;
const int kOrigName = 0x08;
const int kComment = 0x10;
const int kReserved = 0xE0;

class GzipReader {
 public:
  GzipReader(const GzipSource& source, const GzipSink& sink) : m_source(source), m_sink(sink) {}
  ~GzipReader() {
    if (m_inflateReady) inflateEnd(&m_stream);
  }
  GzipReader(const GzipReader&) = delete;
  GzipReader& operator=(const GzipReader&) = delete;

  GzipDecodeResult Run() {
    m_stream = z_stream{};
    // The version text only has to agree with the library's major version.
    if (inflateInit2_(&m_stream, -MAX_WBITS, "1.1.4", static_cast<int>(sizeof(z_stream))) != Z_OK)
      return Finish(GZIP_DECODE_INIT_ERROR);
    m_inflateReady = true;

    // First header: anything without the magic bytes is not gzip at all.
    const int first = GetByte();
    if (first == kEof) return Finish(GZIP_DECODE_END);
    const int second = GetByte();
    if (first != 0x1F || second != 0x8B) {
      unsigned char head[2] = {static_cast<unsigned char>(first), static_cast<unsigned char>(second)};
      if (!Emit(head, second == kEof ? 1 : 2)) return Finish(GZIP_DECODE_SINK_ERROR);
      return Finish(PassThrough());
    }
    for (;;) {
      if (!SkipHeaderAfterMagic()) return Finish(GZIP_DECODE_DATA_ERROR);
      const GzipDecodeState member = InflateMember();
      if (member != GZIP_DECODE_END) return Finish(member);
      // Trailer read and correct: does another member follow?
      const int a = GetByte();
      if (a == kEof) return Finish(GZIP_DECODE_END);
      const int b = GetByte();
      if (a != 0x1F || b != 0x8B) return Finish(GZIP_DECODE_END);
      inflateReset(&m_stream);
      m_crc = crc32(0L, Z_NULL, 0);
    }
  }

 private:
  GzipDecodeResult Finish(GzipDecodeState state) {
    GzipDecodeResult result;
    result.state = state;
    result.decodedSize = m_produced;
    return result;
  }

  bool Fill() {
    m_inNext = m_in;
    m_inAvail = m_atEnd ? 0 : m_source(m_in, kBlock);
    if (m_inAvail == 0) m_atEnd = true;
    return m_inAvail > 0;
  }

  int GetByte() {
    if (m_inAvail == 0 && !Fill()) return kEof;
    --m_inAvail;
    return *m_inNext++;
  }

  bool Emit(const unsigned char* data, size_t length) {
    if (length == 0) return true;
    if (!m_sink(data, length)) return false;
    m_produced += length;
    return true;
  }

  GzipDecodeState PassThrough() {
    do {
      if (!Emit(m_inNext, m_inAvail)) return GZIP_DECODE_SINK_ERROR;
      m_inAvail = 0;
    } while (Fill());
    return GZIP_DECODE_END;
  }

  // Method, flags and the optional fields after the two magic bytes.
  bool SkipHeaderAfterMagic() {
    const int method = GetByte();
    const int flags = GetByte();
    if (method != Z_DEFLATED || flags == kEof || (flags & kReserved) != 0) return false;
    for (int i = 0; i < 6; ++i) {  // time, extra flags, operating system
      if (GetByte() == kEof) return false;
    }
    if (flags & kExtraField) {
      const int low = GetByte();
      const int high = GetByte();
      if (high == kEof) return false;
      for (int length = low + (high << 8); length > 0; --length) {
        if (GetByte() == kEof) return false;
      }
    }
    if (flags & kOrigName) {
      for (int c = GetByte(); c != 0; c = GetByte()) {
        if (c == kEof) return false;
      }
    }
    if (flags & kComment) {
      for (int c = GetByte(); c != 0; c = GetByte()) {
        if (c == kEof) return false;
      }
    }
    if (flags & kHeadCrc) {
      if (GetByte() == kEof || GetByte() == kEof) return false;
    }
    return true;
  }

  bool ReadLong(uLong& value) {
    value = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const int c = GetByte();
      if (c == kEof) return false;
      value |= static_cast<uLong>(c) << shift;
    }
    return true;
  }

  // One deflate stream and its trailer.
  GzipDecodeState InflateMember() {
    unsigned char out[kBlock];
    for (;;) {
      // A truncated stream ends quietly with what it produced so far.
      if (m_inAvail == 0 && !Fill()) return GZIP_DECODE_END;
      m_stream.next_in = m_inNext;
      m_stream.avail_in = static_cast<uInt>(m_inAvail);
      m_stream.next_out = out;
      m_stream.avail_out = static_cast<uInt>(kBlock);
      const int rc = inflate(&m_stream, Z_NO_FLUSH);
      const size_t produced = kBlock - m_stream.avail_out;
      m_inNext = m_stream.next_in;
      m_inAvail = m_stream.avail_in;
      m_crc = crc32(m_crc, out, static_cast<uInt>(produced));
      if (!Emit(out, produced)) return GZIP_DECODE_SINK_ERROR;
      if (rc == Z_STREAM_END) break;
      if (rc == Z_BUF_ERROR && produced == 0 && m_inAvail > 0) return GZIP_DECODE_DATA_ERROR;
      if (rc != Z_OK && rc != Z_BUF_ERROR) return GZIP_DECODE_DATA_ERROR;
    }
    uLong storedCrc = 0;
    uLong storedLength = 0;
    if (!ReadLong(storedCrc) || storedCrc != m_crc) return GZIP_DECODE_DATA_ERROR;
    if (!ReadLong(storedLength)) return GZIP_DECODE_DATA_ERROR;
    return GZIP_DECODE_END;
  }

  const GzipSource& m_source;
  const GzipSink& m_sink;
  z_stream m_stream{};
  bool m_inflateReady = false;
  unsigned char m_in[kBlock];
  unsigned char* m_inNext = m_in;
  size_t m_inAvail = 0;
  bool m_atEnd = false;
  uLong m_crc = crc32(0L, Z_NULL, 0);
  uint64_t m_produced = 0;
};
}  // namespace

GzipDecodeResult DecodeGzipStream(const GzipSource& source, const GzipSink& sink) {
  GzipReader reader(source, sink);
  return reader.Run();
}
