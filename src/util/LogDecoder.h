#pragma once
// Turns the stored bytes of a log file back into the bytes the same log
// would have had unencoded. The writer inverts every byte of a line (255 - b)
// and its text-mode stream stores each resulting 0x0A as 0x0D 0x0A; the
// plain file has the same CR before every 0x0A of the plain line.
#include <cstddef>
#include <string>

// True when the first bytes, inverted, read as a line's date
// ("YYYY/MM/DD="): the file was written with LOG_ENCODE_FLAG 1. A file too
// short to tell, or anything else, counts as plain.
bool IsEncodedLogStart(const unsigned char* head, size_t size);
// Bytes IsEncodedLogStart needs to decide.
constexpr size_t kLogStartSize = 11;

// Decodes an encoded log in pieces of any size.
class CEncodedLogDecoder {
 public:
  // Appends the plain bytes of data to out.
  void Feed(const unsigned char* data, size_t size, std::string& out);
  // Appends what a last CR held back.
  void Finish(std::string& out);

 private:
  void Emit(unsigned char stored, std::string& out);
  bool m_bPendingCr = false;  // a 0x0D that may be the one the stream inserted
};
