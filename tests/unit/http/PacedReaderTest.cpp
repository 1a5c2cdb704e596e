#include "http/PacedReader.h"

#include <gtest/gtest.h>

#include <vector>

#include "ScriptedReader.h"

namespace {
// Each read of the inner reader takes the next scripted number of
// milliseconds (the clock is read before and after every read).
std::vector<int64_t> g_readMs;
size_t g_clockCalls = 0;
int64_t g_nowMs = 0;
int64_t ScriptedClock() {
  if (g_clockCalls % 2 == 1) g_nowMs += g_readMs[(g_clockCalls / 2) % g_readMs.size()];
  ++g_clockCalls;
  return g_nowMs;
}

struct PaceCase {
  const char* name;
  std::vector<uint32_t> answers;  // what the server has ready per read (cut to the ask)
  std::vector<int64_t> readMs;
  uint32_t capacity;
  std::vector<uint32_t> wantAsks;  // what the reads asked for
};

TEST(PacedReaderTest, AsksGrowWhileAnsweredQuicklyAndShrinkWhenSlow) {
  const std::vector<uint32_t> plenty(8, 1 << 20);
  const PaceCase cases[] = {
      {"a fast server: doubling up to the loop's size", plenty, {1}, 65536,
       {4096, 8192, 16384, 32768, 65536, 65536, 65536, 65536}},
      {"a slow server: one block at a time", plenty, {500}, 65536,
       {4096, 4096, 4096, 4096, 4096, 4096, 4096, 4096}},
      {"slower reads halve the ask", plenty, {1, 1, 1, 1, 40, 40, 1, 20}, 65536,
       {4096, 8192, 16384, 32768, 65536, 32768, 16384, 32768}},
      {"short answers do not grow it", {4096, 100, 100, 100}, {1}, 65536, {4096, 8192, 8192, 8192}},
      {"the loop's capacity bounds every ask", plenty, {1}, 10000, {4096, 8192, 10000, 10000, 10000, 10000, 10000, 10000}},
  };
  for (const PaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    g_readMs = c.readMs;
    g_clockCalls = 0;
    ScriptedReader inner(c.answers);
    CPacedReader reader(inner, ScriptedClock);
    std::vector<unsigned char> buffer(c.capacity);
    std::vector<uint32_t> asks;
    for (size_t i = 0; i < c.answers.size(); ++i) {
      asks.push_back(std::min(reader.NextAsk(), c.capacity));
      EXPECT_EQ(reader.Read(buffer.data(), c.capacity), std::min(c.answers[i], asks.back()));
    }
    EXPECT_EQ(asks, c.wantAsks);
  }
}
}  // namespace
