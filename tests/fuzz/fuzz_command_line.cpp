// The command lines of the numeric start modes: 40 fields separated by
// 0x1A (modes 0 and 1), 7 tokens (mode 2), 4 tokens (mode 3).
#include <cstdint>
#include <string>

#include "config/CommandLine.h"
#include "config/VantoCfg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  CVantoCfg cfg;
  switch (line.empty() ? 0 : line[0]) {
    case '0':
    case '1':
      ParseLongCommandLine(line, cfg);
      break;
    case '2':
      ParseWebCommandLine(line, cfg);
      break;
    case '3':
      ParseFileCommandLine(line, cfg);
      break;
    default: {
      CVantoCfg a, b, c;
      ParseLongCommandLine(line, a);
      ParseWebCommandLine(line, b);
      ParseFileCommandLine(line, c);
    }
  }
  return 0;
}
