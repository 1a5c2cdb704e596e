#include "http/FileDownload.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "http/BackupPath.h"
#include "http/CertificateError.h"
#include "http/FileMove.h"
#include "http/GzipFile.h"
#include "util/LogIfOpen.h"
#include "http/InternetError.h"
#include "http/UrlEncoding.h"
#include "util/FileUtil.h"

namespace {
const char kPrefix[] = "CVantoExeDlg::DownloadOneFileFromServer> ";
const FrameLogStyle kStyle = {kPrefix, "Goto ReSendRequest1.", LOG_DEBUG, LOG_DEBUG, LOG_ERROR, true, false};
const int32_t kChunkPacing = 40960;
const int kRetry = 1;  // internal: take the second attempt

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

std::string Format2(const char* format, const std::string& a, const std::string& b) {
  char text[4096];
  std::snprintf(text, sizeof(text), format, a.c_str(), b.c_str());
  return text;
}

class CFileDownload {
 public:
  CFileDownload(CHttpContext& http, DownloadCaller& caller, ServerFileInfo& item, int dateFlag, int progressFlag,
                int certIgnoreFlag, int32_t& errCode, std::string& errMsg)
      : m_http(http), m_caller(caller), m_item(item), m_nDateFlag(dateFlag), m_nProgressFlag(progressFlag),
        m_nCertIgnoreFlag(certIgnoreFlag), m_errCode(errCode), m_errMsg(errMsg),
        m_strBackupPath(MakeBackupPath(item.m_strLocalPath)) {}

  int Run() {
    m_errCode = 0;
    m_errMsg.clear();
    const CVantoCfg& cfg = m_http.Cfg();
    char object[2048];
    std::snprintf(object, sizeof(object), "%s/%s", cfg.DOWNLOAD_BASE_URL.c_str(), m_item.m_strFilePath.c_str());
    m_strObject = object;
    m_strEncoded = EncodeUrlUtf8(m_strObject, cfg.ENCODE_URL_UTF);

    for (int attempt = 0; attempt < 2; ++attempt) {
      const bool last = attempt == 1;
      if (last) m_http.ReplaceShared("VantoExe", kPrefix);
      try {
        const int rc = Attempt(last);
        if (rc != kRetry) return rc;
      } catch (const CInternetError& error) {
        m_file.reset();
        m_errCode = static_cast<int32_t>(error.GetErrorCode());
        m_errMsg = error.GetErrorMessage();
        LogIfOpen(LOG_ERROR, "%sErrMsg = %s", kPrefix, m_errMsg.c_str());
        if (last || IsCertificateError(m_errCode)) {
          RestoreAfterException();
          return DOWNLOAD_GZIP_OR_EXCEPTION;
        }
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
    return Transfer(*request);
  }

  // A failure before anything was written in this attempt: the old file
  // comes back when an earlier attempt had moved it away.
  int FailBeforeTransfer(int code) {
    if (m_bSecured) Restore("백업 파일 복원 실패(%s). : %s", m_strBackupPath);
    return code;
  }

  int Transfer(CHttpRequest& request) {
    const std::string& local = m_item.m_strLocalPath;
    CreateDirectoryPath(local);
    SecureOldFile();

    m_file.reset(std::fopen(local.c_str(), "wb"));
    if (!m_file) {
      const DWORD error = ::GetLastError();
      LogIfOpen(LOG_ERROR, "%sLocal File Open(%s) Fail", kPrefix, local.c_str());
      AddErrorRow("로컬 파일 열기 실패(%s). : %s", local, error);
      request.Close();
      Restore("백업 파일 복구 실패(%s). : %s", local);
      return DOWNLOAD_LOCAL_WRITE;
    }

    const bool chunked = m_item.m_nChunkedFlag != 0;
    int32_t serverSize = 0;
    // A size that was never learnt does not end the transfer early.
    bool sizeKnown = false;
    if (chunked) {
      LogIfOpen(LOG_DEBUG, "%sWrite transfer encoded chunked file. So the total size of the file is unknown.", kPrefix);
      serverSize = kChunkPacing;
    } else {
      serverSize = std::atoi(m_item.m_strFileSize.c_str());
      sizeKnown = !m_item.m_strFileSize.empty() && std::isdigit(static_cast<unsigned char>(m_item.m_strFileSize[0]));
    }
    IRunDisplay& display = m_caller.display;
    int lastPos = 0;
    if (m_nProgressFlag) {
      display.SetProgressRange(IDC_PROGRESS_FILE, 0, 100);
      display.SetProgressPos(IDC_PROGRESS_FILE, 0);
    }
    auto moveBar = [&](int pos) {
      if (m_nProgressFlag && pos != lastPos) {
        display.SetProgressPos(IDC_PROGRESS_FILE, pos);
        lastPos = pos;
      }
    };

    int64_t total = 0;
    int32_t pacing = 0;
    bool firstRead = true;
    unsigned char buffer[4096];
    for (;;) {
      if (!chunked && sizeKnown && total >= serverSize) break;
      const DWORD read = request.Read(buffer, sizeof(buffer));
      if (read > 0) {
        firstRead = false;
        total += read;
        if (chunked) pacing += static_cast<int32_t>(read);
        const size_t written = std::fwrite(buffer, 1, read, m_file.get());
        if (written < read) {
          LogIfOpen(LOG_DEBUG, "%sfwrite() Fail, RetVal = %d", kPrefix, static_cast<int>(written));
          m_file.reset();
          request.Close();
          Restore("백업 파일 복원 실패(%s). : %s", m_strBackupPath);
          return DOWNLOAD_LOCAL_WRITE;
        }
        if (m_caller.nRequestStopFlag == 1) {
          LogIfOpen(LOG_DEBUG, "%sIt's Time To Stop, m_nRequestStopFlag = %d", kPrefix,
                  static_cast<int>(m_caller.nRequestStopFlag));
          m_file.reset();
          request.Close();
          Restore("백업 파일 복원 실패(%s). : %s", m_strBackupPath);
          return DOWNLOAD_STOPPED;
        }
        if (chunked) {
          if (pacing >= kChunkPacing) {
            pacing = 0;
            moveBar(0);
          } else {
            moveBar(static_cast<int>(static_cast<int64_t>(pacing) * 100 / kChunkPacing));
          }
        } else if (serverSize > 0) {
          moveBar(static_cast<int>(total * 100 / serverSize));
        }
      } else if (firstRead) {
        LogIfOpen(LOG_ERROR, "%spHttpFile->Read(pBuf, sizeof(pBuf)) => No data.", kPrefix);
        m_file.reset();
        request.Close();
        Restore("백업 파일 복원 실패(%s). : %s", m_strBackupPath);
        return DOWNLOAD_NO_DATA;
      } else {
        moveBar(100);
        break;
      }
    }

    const bool closed = std::fclose(m_file.release()) == 0;
    if (!closed) {
      // The last blocks did not reach the disk.
      LogIfOpen(LOG_DEBUG, "%sfwrite() Fail, RetVal = %d", kPrefix, 0);
      request.Close();
      Restore("백업 파일 복원 실패(%s). : %s", m_strBackupPath);
      return DOWNLOAD_LOCAL_WRITE;
    }
    LogIfOpen(LOG_DEBUG, "%sClose Target File Success", kPrefix);

    if (m_item.m_nGzipFlag == -1) {
      std::string encoding;
      request.QueryInfoText(HTTP_QUERY_CONTENT_ENCODING, encoding);
      if (::lstrcmpiA(encoding.c_str(), "gzip") == 0) {
        m_item.m_nGzipFlag = 1;
        LogIfOpen(LOG_DEBUG, "%sContent encoding GZIP.", kPrefix);
      } else {
        m_item.m_nGzipFlag = 0;
      }
    }
    request.Close();
    LogIfOpen(LOG_DEBUG, "%sClose HTTP File Success", kPrefix);

    int64_t writtenSize = total;
    if (m_item.m_nGzipFlag == 1) {
      uint32_t decoded = 0;
      if (!UnCompressGzipFile(local, decoded)) {
        LogIfOpen(LOG_ERROR, "%sUnCompressGzipFile(%s) Failed.", kPrefix, local.c_str());
        return DOWNLOAD_GZIP_OR_EXCEPTION;
      }
      LogIfOpen(LOG_DEBUG, "%sUnCompressGzipFile(%s) Success. nCurrentServerReadSize=%d dwUnCompressSize=%d", kPrefix,
              local.c_str(), static_cast<int>(total), static_cast<int>(decoded));
      if (decoded > 0) writtenSize = decoded;
    }

    if (chunked) {
      LogIfOpen(LOG_DEBUG, "%sTransfer encoded chunked files cannot be compared in size.", kPrefix);
    } else {
      LogIfOpen(LOG_DEBUG, "%snServerFileSize = %d", kPrefix, static_cast<int>(serverSize));
      if (serverSize > 0 && serverSize != writtenSize) {
        LogIfOpen(LOG_ERROR, "%sServer File Size = %d, Write File Size = %d", kPrefix, static_cast<int>(serverSize),
                static_cast<int>(writtenSize));
        Restore("백업 파일 복원 실패(%s). : %s", m_strBackupPath);
        return DOWNLOAD_SIZE_MISMATCH;
      }
      LogIfOpen(LOG_DEBUG, "%sDown File Size Validation Success", kPrefix);
    }

    if (m_nDateFlag) {
      const int rc = SetFileModifyDate(local, m_item.m_strModifyTime, m_http.Cfg().FILE_COMPARE_GMT_TIME);
      if (rc < 0) {
        LogIfOpen(LOG_ERROR, "%sSetFileModifyDate() Fail, RetVal = %d", kPrefix, rc);
        return DOWNLOAD_SET_DATE;
      }
      LogIfOpen(LOG_DEBUG, "%sSet File Modify Date Success", kPrefix);
    }

    LogIfOpen(LOG_DEBUG, "%sDelete Backup File(%s)", kPrefix, m_strBackupPath.c_str());
    ::DeleteFileA(m_strBackupPath.c_str());
    return DOWNLOAD_OK;
  }

  // Moves the old file to the backup once per download; on the second
  // attempt the first attempt's partial file is dropped instead.
  void SecureOldFile() {
    const std::string& local = m_item.m_strLocalPath;
    if (m_bSecured) {
      ClearReadOnlyProperty(local);
      ::DeleteFileA(local.c_str());
      return;
    }
    if (MoveFileReplacing(local, m_strBackupPath)) {
      m_bSecured = true;
      m_bBackupMade = true;
      return;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) {
      m_bSecured = true;  // nothing to keep: a failure removes the partial file
      return;
    }
    LogIfOpen(LOG_DEBUG, "%sFailed to copy backup files.(%s -> %s), ErrCode = %d", kPrefix, local.c_str(),
            m_strBackupPath.c_str(), static_cast<int>(error));
    AddErrorRow("백업 파일 복사 실패(%s). : %s", local, error);
  }

  // Puts the backup back over the local path. Without an old file the
  // partial new one is removed, so a failure never leaves a broken file.
  void Restore(const char* rowFormat, const std::string& rowPath) {
    const std::string& local = m_item.m_strLocalPath;
    if (MoveFileReplacing(m_strBackupPath, local)) {
      m_bBackupMade = false;
      m_bSecured = false;
      return;
    }
    const DWORD error = ::GetLastError();
    LogIfOpen(LOG_DEBUG, "%sRestore Backup File Fail(%s -> %s), ErrCode = %d", kPrefix, m_strBackupPath.c_str(),
            local.c_str(), static_cast<int>(error));
    AddErrorRow(rowFormat, rowPath, error);
    DropPartialFile();
  }

  void RestoreAfterException() {
    const std::string& local = m_item.m_strLocalPath;
    if (!m_bSecured) return;  // nothing was moved or written yet
    if (MoveFileReplacing(m_strBackupPath, local)) {
      m_bBackupMade = false;
      m_bSecured = false;
      return;
    }
    const DWORD error = ::GetLastError();
    LogIfOpen(LOG_DEBUG, "%sRestore Backup File Fail, ErrCode = %d", kPrefix, static_cast<int>(error));
    AddErrorRow("백업 파일 복원 실패(%s). : %s", m_strBackupPath, error);
    DropPartialFile();
  }

  void DropPartialFile() {
    if (m_bBackupMade) return;  // the backup is still there; keep the evidence
    if (m_bSecured) {
      ClearReadOnlyProperty(m_item.m_strLocalPath);
      ::DeleteFileA(m_item.m_strLocalPath.c_str());
    }
  }

  // error is the system error the row explains (logging may change the
  // thread's last error in between).
  void AddErrorRow(const char* format, const std::string& path, DWORD error) {
    ::SetLastError(error);
    const std::string text = LogLastErrorIfOpen();
    if (text.empty()) return;
    m_caller.strMsg = Format2(format, path, text);
    m_caller.display.AddListMessage(LIST_ROW_ERROR, m_caller.strMsg);
  }

  CHttpContext& m_http;
  DownloadCaller& m_caller;
  ServerFileInfo& m_item;
  int m_nDateFlag;
  int m_nProgressFlag;
  int m_nCertIgnoreFlag;
  int32_t& m_errCode;
  std::string& m_errMsg;
  std::string m_strBackupPath;
  std::string m_strObject;
  std::string m_strEncoded;
  UniqueFile m_file;
  bool m_bSecured = false;     // the old file was moved away, or there was none
  bool m_bBackupMade = false;  // the old file sits at the backup path
};
}  // namespace

int DownloadOneFileFromServer(CHttpContext& http, DownloadCaller& caller, ServerFileInfo& item, int dateFlag,
                              int progressFlag, int certIgnoreFlag, int32_t& errCode, std::string& errMsg) {
  CFileDownload download(http, caller, item, dateFlag, progressFlag, certIgnoreFlag, errCode, errMsg);
  return download.Run();
}
