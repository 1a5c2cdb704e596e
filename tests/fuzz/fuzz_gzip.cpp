// The gzip stream decoder on any answer body, read in slices of any size,
// with or without a bound on the decoded size.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzInput.h"
#include "http/GzipStreamDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const size_t slice = 1 + input.Byte() * 32;
  const uint64_t bound = input.Byte() ? input.Number(3) : kGzipNoOutputBound;
  const std::string body = input.Rest();
  size_t given = 0;
  uint64_t out = 0;
  const GzipDecodeResult result = DecodeGzipStream(
      [&](unsigned char* buffer, size_t capacity) -> size_t {
        const size_t n = std::min({capacity, slice, body.size() - given});
        std::memcpy(buffer, body.data() + given, n);
        given += n;
        return n;
      },
      [&](const unsigned char*, size_t length) {
        out += length;
        return true;
      },
      bound);
  if (result.decodedSize != out) __builtin_trap();  // the count must match what reached the sink
  if (out > bound) __builtin_trap();                // never more than the bound
  return 0;
}
