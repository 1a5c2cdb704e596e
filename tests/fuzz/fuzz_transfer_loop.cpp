// A download's transfer: reads of any size from the answer, the known size,
// into the local-file sink with its bounds, then its checks on the closed
// file (gzip decoding within its bound, the size check and the digest).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "FuzzInput.h"
#include "http/DownloadResult.h"
#include "http/LocalFileSink.h"
#include "http/TransferLoop.h"

namespace {
// Each read gives as many bytes as the next two input bytes say (at most
// what was asked for and what is left).
class FuzzReader : public ITransferReader {
 public:
  explicit FuzzReader(FuzzInput& input) : m_input(input) {}
  uint32_t Read(void* buffer, uint32_t capacity) override {
    const uint32_t want = static_cast<uint32_t>(m_input.Number(2));
    const std::string bytes = m_input.Bytes(want < capacity ? want : capacity);
    std::memcpy(buffer, bytes.data(), bytes.size());
    return static_cast<uint32_t>(bytes.size());
  }

 private:
  FuzzInput& m_input;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = FuzzScratchPath("file.dll");
  FuzzInput input(data, size);
  const uint8_t flags = input.Byte();
  TransferPlan plan;
  plan.stopAtSize = static_cast<int64_t>(input.Number(8));
  plan.readSize = 1 + static_cast<uint32_t>(input.Number(3) % (1 << 20));
  const int32_t stop = (flags & 4) ? 1 : 0;
  LocalFilePlan filePlan;
  filePlan.path = path;
  filePlan.chunked = (flags & 1) != 0;
  filePlan.serverSize = plan.stopAtSize;
  if (flags & 8) filePlan.sha256 = std::string(64, 'a');  // a digest the file does not have
  if (flags & 16) filePlan.maxBytes = static_cast<int64_t>(input.Number(3));
  if (flags & 32) filePlan.bounds.unknownSize = 65536;
  CLocalFileSink sink(filePlan, stop, nullptr);
  if (!sink.Open()) return 0;
  FuzzReader reader(input);
  int64_t total = 0;
  int rc = RunTransferLoop(reader, sink, plan, total);
  if (filePlan.maxBytes >= 0 && rc == DOWNLOAD_OK && total > filePlan.maxBytes) __builtin_trap();
  if (rc == DOWNLOAD_OK) rc = sink.Close();
  if (rc == DOWNLOAD_OK) sink.CheckClosedFile((flags & 2) != 0);
  sink.Discard();
  std::remove(path.c_str());
  return 0;
}
