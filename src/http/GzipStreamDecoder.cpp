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
  GzipReader(const GzipSource& source, const GzipSink& sink, uint64_t maxOutput)
      : m_source(source), m_sink(sink), m_maxOutput(maxOutput) {}
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
      const GzipDecodeState emitted = Emit(head, second == kEof ? 1 : 2);
      if (emitted != GZIP_DECODE_END) return Finish(emitted);
      return Finish(PassThrough());
    }
    for (;;) {
      if (!SkipHeaderAfterMagic()) return Damaged(m_atEnd ? "the header is cut short" : "bad header");
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
    result.damage = m_damage;
    return result;
  }

  GzipDecodeResult Damaged(const char* what) {
    m_damage = what;
    return Finish(GZIP_DECODE_DATA_ERROR);
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

  // GZIP_DECODE_END when the bytes reached the sink.
  GzipDecodeState Emit(const unsigned char* data, size_t length) {
    if (length == 0) return GZIP_DECODE_END;
    if (length > m_maxOutput - m_produced) return GZIP_DECODE_OUTPUT_BOUND;  // nothing of it is written
    if (!m_sink(data, length)) return GZIP_DECODE_SINK_ERROR;
    m_produced += length;
    return GZIP_DECODE_END;
  }

  GzipDecodeState PassThrough() {
    do {
      const GzipDecodeState emitted = Emit(m_inNext, m_inAvail);
      if (emitted != GZIP_DECODE_END) return emitted;
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
    uLong memberLength = 0;  // modulo 2^32, as the length field holds it
    for (;;) {
      // A stream cut short is no file: what it gave so far is not all.
      if (m_inAvail == 0 && !Fill()) {
        m_damage = "the stream is cut short";
        return GZIP_DECODE_TRUNCATED;
      }
      m_stream.next_in = m_inNext;
      m_stream.avail_in = static_cast<uInt>(m_inAvail);
      m_stream.next_out = out;
      m_stream.avail_out = static_cast<uInt>(kBlock);
      const int rc = inflate(&m_stream, Z_NO_FLUSH);
      const size_t produced = kBlock - m_stream.avail_out;
      m_inNext = m_stream.next_in;
      m_inAvail = m_stream.avail_in;
      m_crc = crc32(m_crc, out, static_cast<uInt>(produced));
      memberLength = (memberLength + static_cast<uLong>(produced)) & 0xFFFFFFFFul;
      const GzipDecodeState emitted = Emit(out, produced);
      if (emitted != GZIP_DECODE_END) return emitted;
      if (rc == Z_STREAM_END) break;
      if ((rc == Z_BUF_ERROR && produced == 0 && m_inAvail > 0) || (rc != Z_OK && rc != Z_BUF_ERROR)) {
        m_damage = "bad compressed data";
        return GZIP_DECODE_DATA_ERROR;
      }
    }
    uLong storedCrc = 0;
    uLong storedLength = 0;
    if (!ReadLong(storedCrc)) {
      m_damage = "the CRC-32 field is cut short";
      return GZIP_DECODE_TRUNCATED;
    }
    if (storedCrc != m_crc) {
      m_damage = "the CRC-32 differs";
      return GZIP_DECODE_DATA_ERROR;
    }
    if (!ReadLong(storedLength)) {
      m_damage = "the length field is cut short";
      return GZIP_DECODE_TRUNCATED;
    }
    if (storedLength != memberLength) {
      m_damage = "the length field differs";
      return GZIP_DECODE_DATA_ERROR;
    }
    return GZIP_DECODE_END;
  }

  const GzipSource& m_source;
  const GzipSink& m_sink;
  uint64_t m_maxOutput;
  const char* m_damage = "";
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

GzipDecodeResult DecodeGzipStream(const GzipSource& source, const GzipSink& sink, uint64_t maxOutput) {
  GzipReader reader(source, sink, maxOutput);
  return reader.Run();
}

const char* GzipDecodeStateText(GzipDecodeState state) {
  switch (state) {
    case GZIP_DECODE_END: return "complete";
    case GZIP_DECODE_DATA_ERROR: return "damaged";
    case GZIP_DECODE_SINK_ERROR: return "not written";
    case GZIP_DECODE_INIT_ERROR: return "no decoder";
    case GZIP_DECODE_TRUNCATED: return "cut short";
    case GZIP_DECODE_OUTPUT_BOUND: return "beyond the output bound";
  }
  return "unknown";
}
