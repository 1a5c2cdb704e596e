// The server configuration file of web start mode, as the answer's bytes
// arrive: bounded lines, key=value, applied to the configuration.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzInput.h"
#include "config/VantoCfg.h"
#include "http/ServerConfigLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  // The first byte sizes the reads of the answer, as the network would.
  const uint32_t slice = 1 + input.Byte() % 64;
  const std::string body = input.Rest();
  size_t given = 0;
  CVantoCfg cfg;
  ApplyServerConfigBody(
      [&](void* buffer, uint32_t capacity) -> uint32_t {
        const size_t n = std::min<size_t>({capacity, slice, body.size() - given});
        std::memcpy(buffer, body.data() + given, n);
        given += n;
        return static_cast<uint32_t>(n);
      },
      cfg);
  std::string key, value;
  ClassifyServerConfigLine(body, key, value);
  return 0;
}
