#pragma once
// A response body from a script: each entry is the size one read returns
// (cut to what was asked for); the bytes count up so that order shows.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "http/TransferLoop.h"

class ScriptedReader : public ITransferReader {
 public:
  explicit ScriptedReader(std::vector<uint32_t> reads) : m_reads(std::move(reads)) {}

  uint32_t Read(void* buffer, uint32_t capacity) override {
    const uint32_t size = m_next < m_reads.size() ? std::min(m_reads[m_next], capacity) : 0;
    ++m_next;
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (uint32_t i = 0; i < size; ++i) {
      bytes[i] = static_cast<unsigned char>(m_sent.size() * 7 + 1);
      m_sent += static_cast<char>(bytes[i]);
    }
    return size;
  }

  size_t ReadsMade() const { return m_next; }
  // Every byte handed out so far.
  const std::string& Sent() const { return m_sent; }

 private:
  std::vector<uint32_t> m_reads;
  size_t m_next = 0;
  std::string m_sent;
};
