#pragma once
// Gzip decoding with the reading rules of zlib's gzip file reader, as a
// stream: input is pulled in slices, output pushed in blocks, so neither the
// file nor its content is ever held whole in memory.
#include <cstddef>
#include <cstdint>
#include <functional>

enum GzipDecodeState : int {
  GZIP_DECODE_END = 0,         // every member decoded (or input passed through)
  GZIP_DECODE_DATA_ERROR = 1,  // bad header, bad stream, CRC or length field
  GZIP_DECODE_SINK_ERROR = 2,  // the output could not be written
  GZIP_DECODE_INIT_ERROR = 3,  // inflate could not be initialised
};

struct GzipDecodeResult {
  GzipDecodeState state = GZIP_DECODE_END;
  uint64_t decodedSize = 0;  // bytes handed to the sink, also after an error
};

// Returns the count of bytes read into buffer; 0 at the end of the input.
using GzipSource = std::function<size_t(unsigned char* buffer, size_t capacity)>;
// Returns false when the bytes could not be stored.
using GzipSink = std::function<bool(const unsigned char* data, size_t length)>;

// Input that does not begin with the gzip magic bytes is passed through
// unchanged. Concatenated members decode to the concatenation; whatever was
// decoded before an error has already reached the sink.
GzipDecodeResult DecodeGzipStream(const GzipSource& source, const GzipSink& sink);
