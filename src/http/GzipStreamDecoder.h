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
  GZIP_DECODE_TRUNCATED = 4,   // the input ended inside a member
  GZIP_DECODE_OUTPUT_BOUND = 5,  // the content grew beyond the output bound
};

// Why a member failed, for the log: a damaged file is named by what was
// wrong with it.
const char* GzipDecodeStateText(GzipDecodeState state);

// No bound on the decoded size.
constexpr uint64_t kGzipNoOutputBound = UINT64_MAX;

struct GzipDecodeResult {
  GzipDecodeState state = GZIP_DECODE_END;
  uint64_t decodedSize = 0;  // bytes handed to the sink, also after an error
  const char* damage = "";   // for GZIP_DECODE_DATA_ERROR: which check failed
};

// Returns the count of bytes read into buffer; 0 at the end of the input.
using GzipSource = std::function<size_t(unsigned char* buffer, size_t capacity)>;
// Returns false when the bytes could not be stored.
using GzipSink = std::function<bool(const unsigned char* data, size_t length)>;

// Input that does not begin with the gzip magic bytes is passed through
// unchanged. Concatenated members decode to the concatenation; whatever was
// decoded before an error has already reached the sink. A member must end
// with its CRC-32 and length fields, both matching what was decoded. The
// sink never receives more than maxOutput bytes in all: content that would
// grow beyond it ends the decoding with GZIP_DECODE_OUTPUT_BOUND.
GzipDecodeResult DecodeGzipStream(const GzipSource& source, const GzipSink& sink,
                                  uint64_t maxOutput = kGzipNoOutputBound);
