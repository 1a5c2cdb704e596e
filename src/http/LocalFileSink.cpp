#include "http/LocalFileSink.h"

#include <utility>

#include "http/DownloadLog.h"
#include "http/DownloadResult.h"
#include "http/DurableFile.h"
#include "http/GzipFile.h"
#include "util/LogIfOpen.h"
#include "util/Sha256.h"

namespace {
const char* const kPrefix = kDownloadLogPrefix;
}

CLocalFileSink::CLocalFileSink(LocalFilePlan plan, const int32_t& stopFlag, IRunDisplay* bar, ProgressClock clock)
    : m_plan(std::move(plan)),
      m_nRequestStopFlag(stopFlag),
      m_clock(clock),
      m_progress(bar, m_plan.chunked, m_plan.serverSize, clock) {}

bool CLocalFileSink::Open() {
  m_file.reset(std::fopen(m_plan.WritePath().c_str(), "wb"));
  if (!m_file) return false;
  // Blocks reach the disk a read at a time: one system call per 64 KiB
  // instead of one per block. A write the disk refuses still fails the
  // block (or the close) that flushes it, with the same code.
  std::setvbuf(m_file.get(), nullptr, _IOFBF, kTransferReadSize);
  m_nTotal = 0;
  m_bStreamed = false;
  if (m_plan.gzip) {
    const int64_t knownSize = m_plan.chunked ? 0 : m_plan.serverSize;
    const TransferBounds bounds = m_plan.bounds;
    m_gunzip = CStreamingGunzip::Start(m_file.get(), [knownSize, bounds](uint64_t encoded) {
      return static_cast<uint64_t>(DecodedSizeBound(knownSize, static_cast<int64_t>(encoded), bounds));
    });
    m_bStreamed = m_gunzip != nullptr;
  }
  if (m_plan.chunked) {
    LogIfOpen(LOG_DEBUG, "%sWrite transfer encoded chunked file. So the total size of the file is unknown.", kPrefix);
  }
  m_progress.Start();
  return true;
}

int CLocalFileSink::OnBlock(const unsigned char* data, uint32_t size, int64_t total) {
  if (m_plan.maxBytes >= 0 && total > m_plan.maxBytes) {
    LogIfOpen(LOG_ERROR, "%sTransfer Size Bound Reached(%s), Bound = %lld", kPrefix, m_plan.path.c_str(),
              static_cast<long long>(m_plan.maxBytes));
    return DOWNLOAD_SIZE_MISMATCH;
  }
  m_nTotal = total;
  if (m_gunzip) {
    if (!m_gunzip->Push(data, size)) {
      LogIfOpen(LOG_DEBUG, "%sfwrite() Fail, RetVal = %d", kPrefix, 0);
      return DOWNLOAD_LOCAL_WRITE;
    }
  } else {
    const size_t written = std::fwrite(data, 1, size, m_file.get());
    if (written < size) {
      LogIfOpen(LOG_DEBUG, "%sfwrite() Fail, RetVal = %d", kPrefix, static_cast<int>(written));
      return DOWNLOAD_LOCAL_WRITE;
    }
  }
  if (m_nRequestStopFlag == 1) {
    LogIfOpen(LOG_DEBUG, "%sIt's Time To Stop, m_nRequestStopFlag = %d", kPrefix, static_cast<int>(m_nRequestStopFlag));
    return DOWNLOAD_STOPPED;
  }
  if (m_plan.deadlineMs >= 0 && m_clock() > m_plan.deadlineMs) {
    LogIfOpen(LOG_ERROR, "%sDownload Deadline Reached(%s), Received Size = %lld", kPrefix, m_plan.path.c_str(),
              static_cast<long long>(total));
    return DOWNLOAD_GZIP_OR_EXCEPTION;
  }
  m_progress.OnBlock(size, total);
  return DOWNLOAD_OK;
}

int CLocalFileSink::Close() {
  if (m_gunzip) {
    m_gzipResult = m_gunzip->Finish();
    const int writeError = m_gunzip->WriteError();
    m_gunzip.reset();
    if (writeError) {
      LogIfOpen(LOG_DEBUG, "%sfwrite() Fail, RetVal = %d", kPrefix, 0);
      m_file.reset();
      return DOWNLOAD_LOCAL_WRITE;
    }
  }
  const bool flushed = FlushToDisk(m_file.get());
  std::FILE* file = m_file.release();
  if (!file || std::fclose(file) != 0 || !flushed) {
    // The last blocks did not reach the disk.
    LogIfOpen(LOG_DEBUG, "%sfwrite() Fail, RetVal = %d", kPrefix, 0);
    return DOWNLOAD_LOCAL_WRITE;
  }
  LogIfOpen(LOG_DEBUG, "%sClose Target File Success", kPrefix);
  return DOWNLOAD_OK;
}

int CLocalFileSink::CheckClosedFile(bool gzip) {
  const std::string& path = m_plan.path;
  int64_t writtenSize = m_nTotal;
  if (gzip) {
    int64_t decoded = 0;
    if (!CheckGzip(decoded)) {
      LogIfOpen(LOG_ERROR, "%sUnCompressGzipFile(%s) Failed.", kPrefix, path.c_str());
      return DOWNLOAD_GZIP_OR_EXCEPTION;
    }
    LogIfOpen(LOG_DEBUG, "%sUnCompressGzipFile(%s) Success. nCurrentServerReadSize=%lld dwUnCompressSize=%lld", kPrefix,
              path.c_str(), static_cast<long long>(m_nTotal), static_cast<long long>(decoded));
    if (decoded > 0) writtenSize = decoded;
  }

  if (m_plan.chunked) {
    LogIfOpen(LOG_DEBUG, "%sTransfer encoded chunked files cannot be compared in size.", kPrefix);
  } else {
    const int64_t serverSize = m_plan.serverSize;
    LogIfOpen(LOG_DEBUG, "%snServerFileSize = %lld", kPrefix, static_cast<long long>(serverSize));
    if (serverSize > 0 && serverSize != writtenSize) {
      LogIfOpen(LOG_ERROR, "%sServer File Size = %lld, Write File Size = %lld", kPrefix,
                static_cast<long long>(serverSize), static_cast<long long>(writtenSize));
      return DOWNLOAD_SIZE_MISMATCH;
    }
    LogIfOpen(LOG_DEBUG, "%sDown File Size Validation Success", kPrefix);
  }

  // The digest of what stays on disk: the decoded file, whose size is known
  // to be right, before the caller stamps the server's time. Hashing the
  // blocks as they arrive would see a gzip answer's encoded bytes.
  if (!m_plan.sha256.empty()) return CheckDigest();
  return DOWNLOAD_OK;
}

bool CLocalFileSink::CheckGzip(int64_t& decoded) {
  decoded = 0;
  const int64_t bound = DecodedSizeBound(m_plan.chunked ? 0 : m_plan.serverSize, m_nTotal, m_plan.bounds);
  if (!m_bStreamed) {
    uint64_t size = 0;
    if (!UnCompressGzipFile(m_plan.WritePath(), size, static_cast<uint64_t>(bound), m_plan.path)) return false;
    decoded = static_cast<int64_t>(size);
    return true;
  }
  if (m_nTotal == 0) return true;  // an empty answer: nothing to decode
  GzipDecodeResult result = m_gzipResult;
  // Decoding ran within the bound of the largest answer allowed; the answer
  // that came may allow less.
  if (result.state == GZIP_DECODE_END && result.decodedSize > static_cast<uint64_t>(bound))
    result.state = GZIP_DECODE_OUTPUT_BOUND;
  if (!IsGzipDecodingSound(m_plan.path, result, 0, static_cast<uint64_t>(bound))) return false;
  decoded = static_cast<int64_t>(result.decodedSize);
  return true;
}

int CLocalFileSink::CheckDigest() const {
  const std::string& path = m_plan.path;
  std::string actual;
  if (!Sha256OfFile(m_plan.WritePath(), actual)) {
    LogIfOpen(LOG_ERROR, "%sDown File SHA-256 Read Fail(%s)", kPrefix, path.c_str());
    return DOWNLOAD_HASH_MISMATCH;
  }
  if (actual != m_plan.sha256) {
    LogIfOpen(LOG_ERROR, "%sDown File SHA-256 Mismatch(%s), Expected = %s, Actual = %s", kPrefix, path.c_str(),
              m_plan.sha256.c_str(), actual.c_str());
    return DOWNLOAD_HASH_MISMATCH;
  }
  LogIfOpen(LOG_DEBUG, "%sDown File SHA-256 Validation Success", kPrefix);
  return DOWNLOAD_OK;
}
