#include "http/TransferLoop.h"

#include <algorithm>
#include <vector>

#include "http/DownloadLog.h"
#include "http/DownloadResult.h"
#include "util/LogIfOpen.h"

int RunTransferLoop(ITransferReader& reader, ITransferSink& sink, const TransferPlan& plan, int64_t& total) {
  total = 0;
  std::vector<unsigned char> buffer(std::max<uint32_t>(plan.readSize, 1));
  bool firstRead = true;
  for (;;) {
    uint32_t capacity = static_cast<uint32_t>(buffer.size());
    if (plan.stopAtSize >= 0) {
      if (total >= plan.stopAtSize) return DOWNLOAD_OK;
      const int64_t blocksLeft = (plan.stopAtSize - total + kTransferBlockSize - 1) / kTransferBlockSize;
      if (blocksLeft * kTransferBlockSize < capacity) capacity = static_cast<uint32_t>(blocksLeft * kTransferBlockSize);
    }
    uint32_t read = 0;
    try {
      read = reader.Read(buffer.data(), capacity);
    } catch (const CTransferStopped& stopped) {
      LogIfOpen(LOG_DEBUG, "%sIt's Time To Stop, m_nRequestStopFlag = %d", kDownloadLogPrefix,
                static_cast<int>(stopped.StopFlag()));
      return DOWNLOAD_STOPPED;
    }
    if (read == 0) {
      if (firstRead) {
        LogIfOpen(LOG_ERROR, "%spHttpFile->Read(pBuf, sizeof(pBuf)) => No data.", kDownloadLogPrefix);
        return DOWNLOAD_NO_DATA;
      }
      sink.OnEndOfData();
      return DOWNLOAD_OK;
    }
    firstRead = false;
    const uint32_t got = std::min(read, capacity);
    for (uint32_t offset = 0; offset < got;) {
      const uint32_t size = std::min(kTransferBlockSize, got - offset);
      total += size;
      const int rc = sink.OnBlock(buffer.data() + offset, size, total);
      if (rc != DOWNLOAD_OK) return rc;
      offset += size;
    }
  }
}
