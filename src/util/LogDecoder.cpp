#include "util/LogDecoder.h"

bool IsEncodedLogStart(const unsigned char* head, size_t size) {
  static const char kShape[] = "dddd/dd/dd=";  // d: a decimal digit
  if (size < kLogStartSize) return false;
  for (size_t i = 0; i < kLogStartSize; ++i) {
    const unsigned char plain = static_cast<unsigned char>(255 - head[i]);
    const bool ok = kShape[i] == 'd' ? (plain >= '0' && plain <= '9') : plain == kShape[i];
    if (!ok) return false;
  }
  return true;
}

void CEncodedLogDecoder::Emit(unsigned char stored, std::string& out) {
  const char plain = static_cast<char>(255 - stored);
  // The plain file's stream would have put a CR before it.
  if (plain == '\n') out += '\r';
  out += plain;
}

void CEncodedLogDecoder::Feed(const unsigned char* data, size_t size, std::string& out) {
  for (size_t i = 0; i < size; ++i) {
    const unsigned char b = data[i];
    if (m_bPendingCr) {
      m_bPendingCr = false;
      // A CR right before 0x0A was inserted by the stream; any other was data.
      if (b != 0x0A) Emit(0x0D, out);
    }
    if (b == 0x0D) {
      m_bPendingCr = true;
    } else {
      Emit(b, out);
    }
  }
}

void CEncodedLogDecoder::Finish(std::string& out) {
  if (m_bPendingCr) Emit(0x0D, out);
  m_bPendingCr = false;
}
