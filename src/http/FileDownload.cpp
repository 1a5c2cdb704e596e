#include "http/FileDownload.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>

#include "http/BackupPath.h"
#include "http/BodyReadThread.h"
#include "http/CertificateError.h"
#include "http/DownloadBackup.h"
#include "http/DownloadErrorRow.h"
#include "http/DownloadLog.h"
#include "http/InternetError.h"
#include "http/LocalFileSink.h"
#include "http/PacedReader.h"
#include "http/TransferBounds.h"
#include "http/TransferClock.h"
#include "http/TransferLoop.h"
#include "http/UrlEncoding.h"
#include "util/FileUtil.h"
#include "util/LogIfOpen.h"

namespace {
const char* const kPrefix = kDownloadLogPrefix;
const FrameLogStyle kStyle = {kDownloadLogPrefix, "Goto ReSendRequest1.", LOG_DEBUG, LOG_DEBUG, LOG_ERROR, true, false};
const int kRetry = 1;  // internal: take the second attempt

// The new content of a file is written beside its place and put there in
// one step only when it is complete, flushed and dated: an interrupted
// download leaves the old file, or for a file that was not there (a system
// file, fetched only while it is missing) nothing, at the path, never a
// half-written one. Whatever is left at the end goes.
class CPartFile {
 public:
  explicit CPartFile(std::string path) : m_strPath(std::move(path)) {}
  ~CPartFile() {
    if (m_strPath.empty()) return;
    ClearReadOnlyProperty(m_strPath);
    ::DeleteFileA(m_strPath.c_str());
  }
  CPartFile(const CPartFile&) = delete;
  CPartFile& operator=(const CPartFile&) = delete;

  const std::string& Path() const { return m_strPath; }
  // false (reported by the backup rules); the file then goes with this object.
  bool PutInPlace(CDownloadBackup& backup, bool keepOldFile) {
    if (!backup.PutInPlace(m_strPath, keepOldFile)) return false;
    m_strPath.clear();
    return true;
  }

 private:
  std::string m_strPath;
};

// A size the list or the server gave: a text that starts with a digit.
bool HasKnownSize(const ServerFileInfo& item) {
  const std::string& size = item.m_strFileSize;
  return item.m_nChunkedFlag == 0 && !size.empty() && std::isdigit(static_cast<unsigned char>(size[0]));
}

// The size the list or the server gave, and the bounds of the answer.
LocalFilePlan MakeLocalFilePlan(const ServerFileInfo& item, bool gzip, const TransferBounds& bounds,
                                int64_t deadlineMs) {
  LocalFilePlan plan;
  plan.path = item.m_strLocalPath;
  plan.chunked = item.m_nChunkedFlag != 0;
  if (!plan.chunked) plan.serverSize = std::strtoll(item.m_strFileSize.c_str(), nullptr, 10);
  plan.sha256 = item.m_strSha256;
  plan.bounds = bounds;
  plan.deadlineMs = deadlineMs;
  if (!HasKnownSize(item) || plan.serverSize <= 0)
    plan.maxBytes = bounds.unknownSize;
  else if (gzip)
    plan.maxBytes = GzipAnswerBound(plan.serverSize);
  return plan;
}

// A plain answer ends at the server size when one was learnt; a gzip
// answer's length is not that size, it is read to its end (within its
// bound).
TransferPlan MakeTransferPlan(const ServerFileInfo& item, const LocalFilePlan& file, bool gzip) {
  TransferPlan plan;
  if (HasKnownSize(item) && !gzip) plan.stopAtSize = file.serverSize;
  return plan;
}

// The attempts of one download over its pieces: the request, the transfer
// loop into the local file's sink, and the backup rules.
class CFileDownload {
 public:
  CFileDownload(CHttpContext& http, DownloadCaller& caller, ServerFileInfo& item, int dateFlag, int progressFlag,
                int certIgnoreFlag, int32_t& errCode, std::string& errMsg)
      : m_http(http), m_caller(caller), m_item(item), m_nDateFlag(dateFlag), m_nProgressFlag(progressFlag),
        m_nCertIgnoreFlag(certIgnoreFlag), m_errCode(errCode), m_errMsg(errMsg),
        m_backup(item.m_strLocalPath, item.m_strBackupPath, caller) {}

  int Run() {
    m_errCode = 0;
    m_errMsg.clear();
    const CVantoCfg& cfg = m_http.Cfg();
    char object[2048];
    std::snprintf(object, sizeof(object), "%s/%s", cfg.DOWNLOAD_BASE_URL.c_str(), m_item.m_strFilePath.c_str());
    m_strObject = object;
    m_strEncoded = EncodeUrlUtf8(m_strObject, cfg.ENCODE_URL_UTF);
    m_nDeadlineMs = SteadyMilliseconds() +
                    DownloadDeadlineSpanMs(cfg.m_dwConnectTimeOut, cfg.m_dwSendTimeOut, cfg.m_dwRecvTimeOut);
    m_backup.PutBackLeftover();

    for (int attempt = 0; attempt < 2; ++attempt) {
      const bool last = attempt == 1;
      if (last) m_http.ReplaceShared("VantoExe", kPrefix);
      try {
        const int rc = Attempt(last);
        if (rc != kRetry) return rc;
      } catch (const CInternetError& error) {
        // The local file, when open, was closed on the way out.
        m_errCode = static_cast<int32_t>(error.GetErrorCode());
        m_errMsg = error.GetErrorMessage();
        LogIfOpen(LOG_ERROR, "%sErrMsg = %s", kPrefix, m_errMsg.c_str());
        if (last || IsCertificateError(m_errCode)) {
          m_backup.RestoreAfterError();
          return DOWNLOAD_GZIP_OR_EXCEPTION;
        }
      } catch (const std::bad_alloc&) {
        // Ends the download like a transport error, the old file back.
        m_errCode = ERROR_NOT_ENOUGH_MEMORY;
        m_errMsg = "Not enough memory";
        LogIfOpen(LOG_ERROR, "%sErrMsg = %s", kPrefix, m_errMsg.c_str());
        m_backup.RestoreAfterError();
        return DOWNLOAD_GZIP_OR_EXCEPTION;
      }
    }
    return DOWNLOAD_GZIP_OR_EXCEPTION;
  }

 private:
  // One request; kRetry asks for the second attempt. Throws CInternetError.
  int Attempt(bool last) {
    CInetConnection* connection = m_http.Connection();
    if (!connection) {
      LogIfOpen(LOG_DEBUG, "%sg_pHttpConnection is NULL", kPrefix);
      return FailBeforeTransfer(DOWNLOAD_NO_CONNECTION);
    }
    LogIfOpen(LOG_DEBUG, "%sFile URL = %s", kPrefix, m_strObject.c_str());
    LogIfOpen(LOG_DEBUG, "%sEncoded File URL = %s", kPrefix, m_strEncoded.c_str());

    const CVantoCfg& cfg = m_http.Cfg();
    std::unique_ptr<CHttpRequest> request =
        OpenHttpFileRequest(*connection, "GET", m_strEncoded, cfg.SVR_HTTPS, m_nCertIgnoreFlag, kPrefix);
    if (!request) {
      LogIfOpen(LOG_ERROR, "%sOpenRequest() Fail, ErrCode = %d", kPrefix, static_cast<int>(::GetLastError()));
      return last ? FailBeforeTransfer(DOWNLOAD_NO_CONNECTION) : kRetry;
    }
    const SendOutcome sent = SendWithProxyAuth(*request, m_strEncoded, m_http.Proxy(), kStyle);
    if (sent.nResult < 0) return FailBeforeTransfer(sent.nResult);
    if (sent.nResult != FRAME_STATUS_OK) return last ? FailBeforeTransfer(DOWNLOAD_BAD_STATUS) : kRetry;
    return Transfer(std::move(request));
  }

  // A failure before anything was written in this attempt: the old file
  // comes back when an earlier attempt had moved it away.
  int FailBeforeTransfer(int code) {
    m_backup.RestoreBeforeTransfer();
    return code;
  }

  int Transfer(std::unique_ptr<CHttpRequest> request) {
    const std::string& local = m_item.m_strLocalPath;
    CreateDirectoryPath(local);
    if (!m_backup.SecureOldFile()) return DOWNLOAD_LOCAL_WRITE;

    // The encoding decides how the answer is bounded, so it is known first.
    if (m_item.m_nGzipFlag == -1) {
      std::string encoding;
      request->QueryInfoText(HTTP_QUERY_CONTENT_ENCODING, encoding);
      if (::lstrcmpiA(encoding.c_str(), "gzip") == 0) {
        m_item.m_nGzipFlag = 1;
        LogIfOpen(LOG_DEBUG, "%sContent encoding GZIP.", kPrefix);
      } else {
        m_item.m_nGzipFlag = 0;
      }
    }
    const bool gzip = m_item.m_nGzipFlag == 1;
    CPartFile part(m_item.m_strPartPath.empty() ? MakePartPath(local) : m_item.m_strPartPath);
    const std::string& writePath = part.Path();
    LocalFilePlan filePlan = MakeLocalFilePlan(m_item, gzip, m_http.m_bounds, m_nDeadlineMs);
    filePlan.writePath = writePath;
    filePlan.gzip = gzip;
    CLocalFileSink sink(filePlan, m_caller.nRequestStopFlag, m_nProgressFlag ? &m_caller.display : nullptr);
    if (!sink.Open()) {
      const DWORD error = ::GetLastError();
      LogIfOpen(LOG_ERROR, "%sLocal File Open(%s) Fail", kPrefix, local.c_str());
      AddDownloadErrorRow(m_caller, "로컬 파일 열기 실패(%s). : %s", local, error);
      request.reset();
      m_backup.RestoreAfterOpenFailure();
      return DOWNLOAD_LOCAL_WRITE;
    }

    // The body is read on a thread of its own, so that a stop ends the wait
    // for a server that went silent.
    CBodyReadThread body(std::move(request), m_http.KeepOpen(), m_caller.nRequestStopFlag,
                         m_nProgressFlag ? &m_caller.display : nullptr, &m_http.BodyReaders());
    CPacedReader reader(body);
    int64_t total = 0;
    int rc = RunTransferLoop(reader, sink, MakeTransferPlan(m_item, filePlan, gzip), total);
    if (rc == DOWNLOAD_OK) rc = sink.Close();
    if (rc != DOWNLOAD_OK) {
      // The old file first; then the request goes without waiting: a read
      // may still wait for the server, and closing a request with body left
      // unread can take as long as the rest of the body.
      sink.Discard();
      m_backup.Restore();
      body.Abandon();
      return rc;
    }

    body.Finish().reset();
    LogIfOpen(LOG_DEBUG, "%sClose HTTP File Success", kPrefix);

    // Whatever the checks on the closed file find wrong, the old file comes back.
    rc = sink.CheckClosedFile(gzip);
    if (rc != DOWNLOAD_OK) {
      m_backup.Restore();
      return rc;
    }

    int dateRc = 0;
    if (m_nDateFlag) {
      dateRc = SetFileModifyDate(writePath, m_item.m_strModifyTime, m_http.Cfg().FILE_COMPARE_GMT_TIME);
      if (dateRc < 0) {
        LogIfOpen(LOG_ERROR, "%sSetFileModifyDate() Fail, RetVal = %d", kPrefix, dateRc);
      } else {
        LogIfOpen(LOG_DEBUG, "%sSet File Modify Date Success", kPrefix);
      }
    }
    // With the wrong time the new file stays, and the old one as its backup.
    if (!part.PutInPlace(m_backup, dateRc < 0)) return DOWNLOAD_LOCAL_WRITE;
    if (dateRc < 0) return DOWNLOAD_SET_DATE;

    m_backup.DeleteBackup();
    return DOWNLOAD_OK;
  }

  CHttpContext& m_http;
  DownloadCaller& m_caller;
  ServerFileInfo& m_item;
  int m_nDateFlag;
  int m_nProgressFlag;
  int m_nCertIgnoreFlag;
  int32_t& m_errCode;
  std::string& m_errMsg;
  std::string m_strObject;
  std::string m_strEncoded;
  int64_t m_nDeadlineMs = -1;  // one deadline for both attempts
  CDownloadBackup m_backup;
};
}  // namespace

int DownloadOneFileFromServer(CHttpContext& http, DownloadCaller& caller, ServerFileInfo& item, int dateFlag,
                              int progressFlag, int certIgnoreFlag, int32_t& errCode, std::string& errMsg) {
  CFileDownload download(http, caller, item, dateFlag, progressFlag, certIgnoreFlag, errCode, errMsg);
  return download.Run();
}
