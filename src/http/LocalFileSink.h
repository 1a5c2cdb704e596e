#pragma once
// The local side of a download: owns the file being written and does, per
// block, the write, the stop check and the file bar; at the end the close
// and the checks on the finished file before its time is stamped.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "http/DownloadProgress.h"
#include "http/StreamingGunzip.h"
#include "http/TransferBounds.h"
#include "http/TransferLoop.h"
#include "util/FileOwner.h"

struct LocalFilePlan {
  std::string path;        // the file's place, as logs and rows name it
  bool chunked = false;    // size unknown: no size check, the bar cycles
  int64_t serverSize = 0;  // checked after the transfer when above 0
  std::string sha256;      // expected digest of the decoded file (lower-case hex); empty: none
  // The answer may not take more bytes than this; negative: no bound here
  // (the transfer stops reading at the known size).
  int64_t maxBytes = -1;
  // Clock time by which the transfer must have ended; negative: none.
  int64_t deadlineMs = -1;
  TransferBounds bounds;  // the decoded size of a gzip answer of unknown size
  // Where the content is written and checked, beside the file's place until
  // it is complete; empty: at path.
  std::string writePath;

  const std::string& WritePath() const { return writePath.empty() ? path : writePath; }
  bool gzip = false;      // the answer is gzip-encoded: decoded while it arrives
};

class CLocalFileSink : public ITransferSink {
 public:
  // bar null: no file bar (and no message dispatching). stopFlag 1 ends the
  // transfer after the block that is being written.
  CLocalFileSink(LocalFilePlan plan, const int32_t& stopFlag, IRunDisplay* bar,
                 ProgressClock clock = SteadyMilliseconds);

  // Opens the write path for writing ("wb") and starts the bar; false with the
  // system's error as the open left it (nothing logged).
  bool Open();

  // DOWNLOAD_SIZE_MISMATCH when the block would take the file beyond
  // maxBytes (nothing of it is written), DOWNLOAD_GZIP_OR_EXCEPTION after the
  // deadline, DOWNLOAD_LOCAL_WRITE when the write fell short,
  // DOWNLOAD_STOPPED when the user asked to stop (all logged).
  int OnBlock(const unsigned char* data, uint32_t size, int64_t total) override;
  void OnEndOfData() override { m_progress.OnEndOfData(); }

  // Closes without checks: the failure paths, before the old file comes back.
  void Discard() {
    m_gunzip.reset();
    m_file.reset();
  }
  // Closes after the transfer, with the content flushed to the disk, so a
  // power cut after the server's time is stamped cannot leave a file that
  // looks current and is not; DOWNLOAD_LOCAL_WRITE (logged) when the last
  // blocks did not reach the disk.
  int Close();
  // The checks on the closed file, in order: the gzip decoding when gzip
  // (done while the blocks arrived, or in place now when no thread could
  // decode them), within the decoded size bound (DOWNLOAD_GZIP_OR_EXCEPTION
  // for a damaged, cut or unbounded stream), the size
  // (DOWNLOAD_SIZE_MISMATCH), the SHA-256 when the plan has one
  // (DOWNLOAD_HASH_MISMATCH). DOWNLOAD_OK lets the caller stamp the time.
  int CheckClosedFile(bool gzip);

 private:
  int CheckDigest() const;
  // The decoded size of a gzip answer, false when its decoding failed (logged).
  bool CheckGzip(int64_t& decoded);

  LocalFilePlan m_plan;
  const int32_t& m_nRequestStopFlag;
  ProgressClock m_clock;
  CDownloadProgress m_progress;
  UniqueFile m_file;
  int64_t m_nTotal = 0;
  // Decodes a gzip answer into m_file while it arrives; ended before the
  // file is closed.
  std::unique_ptr<CStreamingGunzip> m_gunzip;
  bool m_bStreamed = false;  // the file holds the streamed decoding's output
  GzipDecodeResult m_gzipResult;
};
