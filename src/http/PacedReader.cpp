#include "http/PacedReader.h"

#include <algorithm>
#include <cstdint>

uint32_t CPacedReader::Read(void* buffer, uint32_t capacity) {
  const uint32_t ask = std::min(capacity, m_nAsk);
  const int64_t start = m_clock();
  const uint32_t got = m_inner.Read(buffer, ask);
  const int64_t took = m_clock() - start;
  if (took > kSlowReadMs) {
    m_nAsk = std::max(m_nAsk / 2, kTransferBlockSize);
  } else if (got == ask && took <= kQuickReadMs && ask == m_nAsk && m_nAsk <= UINT32_MAX / 2) {
    m_nAsk *= 2;  // at most twice what the loop asks for: the next ask is cut to that
  }
  return got;
}
