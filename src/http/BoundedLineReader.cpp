#include "http/BoundedLineReader.h"

#include <algorithm>
#include <utility>

CBoundedLineReader::CBoundedLineReader(Source source, size_t maxLineLength, uint64_t maxBytes)
    : m_source(std::move(source)), m_nMaxLineLength(maxLineLength), m_nMaxBytes(maxBytes) {}

bool CBoundedLineReader::FillBuffer() {
  if (m_nBytesRead >= m_nMaxBytes) {
    m_bTruncated = true;
    return false;
  }
  const uint64_t left = m_nMaxBytes - m_nBytesRead;
  const uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(sizeof(m_buffer), left));
  const uint32_t got = std::min(m_source(m_buffer, want), want);
  m_nNext = 0;
  m_nAvail = got;
  m_nBytesRead += got;
  return got > 0;
}

bool CBoundedLineReader::Next(std::string& line) {
  line.clear();
  m_bLineCut = false;
  if (m_bTruncated) return false;
  bool any = false;
  for (;;) {
    if (m_nNext == m_nAvail && !FillBuffer()) {
      if (!m_bTruncated) break;
      line.clear();  // a line cut by the byte bound is not a line
      return false;
    }
    const char c = m_buffer[m_nNext++];
    any = true;
    if (c == '\n') break;
    // One character more than kept, so that the "\r" of a line of exactly
    // the largest length is no cut.
    if (line.size() <= m_nMaxLineLength) {
      line.push_back(c);
    } else {
      m_bLineCut = true;
    }
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.size() > m_nMaxLineLength) {
    line.resize(m_nMaxLineLength);
    m_bLineCut = true;
  }
  return any;
}
