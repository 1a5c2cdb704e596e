#pragma once
// The bytes libFuzzer hands a target, taken apart the way each target needs.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include <unistd.h>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

  size_t Left() const { return m_size - m_pos; }
  // The next byte, 0 when none is left.
  uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
  // The next count bytes as an integer (little end first), missing ones 0.
  uint64_t Number(int count) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i) value |= static_cast<uint64_t>(Byte()) << (8 * i);
    return value;
  }
  // Up to count of the next bytes.
  std::string Bytes(size_t count) {
    const size_t n = count < Left() ? count : Left();
    std::string text(reinterpret_cast<const char*>(m_data + m_pos), n);
    m_pos += n;
    return text;
  }
  std::string Rest() { return Bytes(Left()); }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
};

// A file of this fuzzing process for targets whose code reads or writes files.
inline std::string FuzzScratchPath(const char* name) {
  return std::string("/tmp/vanto_fuzz_") + std::to_string(static_cast<long>(::getpid())) + "_" + name;
}
