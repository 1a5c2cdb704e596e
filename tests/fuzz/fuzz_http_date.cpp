// Last-Modified texts to the run's 14-digit time text.
#include <cstdint>
#include <string>

#include "http/HttpDate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  FormatLocalTimeText(ParseHttpDate(text, 0));
  FormatLocalTimeText(ParseHttpDate(text, 1));
  return 0;
}
