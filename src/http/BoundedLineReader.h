#pragma once
// Lines of text from a server answer, with bounds: a line keeps at most
// maxLineLength characters (the rest is read and dropped) and no more than
// maxBytes are read in all, so no answer can make the client hold an
// unbounded line or read without end.
#include <cstdint>
#include <functional>
#include <string>

class CBoundedLineReader {
 public:
  // Up to capacity bytes into buffer; 0 at the end of the data. Errors are
  // thrown and pass through Next.
  using Source = std::function<uint32_t(void* buffer, uint32_t capacity)>;

  CBoundedLineReader(Source source, size_t maxLineLength, uint64_t maxBytes);

  // The next line without its "\n" (and a "\r" before it); false at the end
  // of the data or once maxBytes were read (a line the bound cuts is not
  // given).
  bool Next(std::string& line);
  // The line Next gave was longer than maxLineLength and was cut there.
  bool LineCut() const { return m_bLineCut; }
  // Reading stopped at maxBytes; the rest of the answer was not read.
  bool Truncated() const { return m_bTruncated; }

 private:
  bool FillBuffer();

  Source m_source;
  size_t m_nMaxLineLength;
  uint64_t m_nMaxBytes;
  uint64_t m_nBytesRead = 0;
  char m_buffer[4096];
  uint32_t m_nNext = 0;
  uint32_t m_nAvail = 0;
  bool m_bLineCut = false;
  bool m_bTruncated = false;
};
