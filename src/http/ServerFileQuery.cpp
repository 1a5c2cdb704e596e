#include "http/ServerFileQuery.h"

#include <cstdio>
#include <cstdlib>

#include "http/CertificateError.h"
#include "http/CertificatePrompt.h"
#include "http/CertificateRetry.h"
#include "http/HttpDate.h"
#include "util/LogIfOpen.h"
#include "http/InternetError.h"
#include "http/RequestFlags.h"
#include "http/UrlEncoding.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
const char kPrefix[] = "CVantoExeDlg::GetServerFileInfo> ";

const FrameLogStyle kStyle = {kPrefix, "Goto ReSendRequest2.", LOG_DEBUG, LOG_DEBUG, LOG_ERROR, false, true};

bool EqualsNoCase(const std::string& a, const char* b) { return ::lstrcmpiA(a.c_str(), b) == 0; }

// One attempt; throws CInternetError.
int QueryOnce(CHttpContext& http, const std::string& objectName, int certIgnoreFlag, ServerFileAnswer& answer) {
  const CVantoCfg& cfg = http.Cfg();
  const std::string encoded = EncodeUrlUtf8(objectName, cfg.ENCODE_URL_UTF);
  LogIfOpen(LOG_INFO, "%sstrEncodedUrlUtf = %s", kPrefix, encoded.c_str());
  if (!http.Connection()) {
    LogIfOpen(LOG_INFO, "%sOpenRequest() Fail, ErrCode = %d", kPrefix, static_cast<int>(ERROR_INVALID_HANDLE));
    return -1;
  }
  std::unique_ptr<CHttpRequest> request =
      OpenHttpFileRequest(*http.Connection(), "HEAD", encoded, cfg.SVR_HTTPS, certIgnoreFlag, kPrefix);
  if (!request) {
    LogIfOpen(LOG_INFO, "%sOpenRequest() Fail, ErrCode = %d", kPrefix, static_cast<int>(::GetLastError()));
    return -1;
  }

  const SendOutcome sent = SendWithProxyAuth(*request, encoded, http.Proxy(), kStyle);
  if (sent.nResult < 0) return sent.nResult;
  if (!sent.bStatusRead) return -2;
  if (sent.dwStatusCode != 200) {
    LogIfOpen(LOG_ERROR, "%sFile(%s) dwStatusCode = %d, ErrCode = %d", kPrefix, objectName.c_str(),
            static_cast<int>(sent.dwStatusCode), static_cast<int>(::GetLastError()));
    return -5;
  }

  std::string lastModified;
  if (!request->QueryInfoText(HTTP_QUERY_LAST_MODIFIED, lastModified)) {
    LogIfOpen(LOG_DEBUG, "%sHTTP_QUERY_LAST_MODIFIED Fail, ErrCode = %d", kPrefix, static_cast<int>(::GetLastError()));
    return -3;
  }
  answer.strModifyTime = FormatLocalTimeText(ParseHttpDate(lastModified, cfg.FILE_COMPARE_GMT_TIME));
  LogIfOpen(LOG_DEBUG, "%spLastModified = %s", kPrefix, answer.strModifyTime.c_str());

  std::string length;
  if (request->QueryInfoText(HTTP_QUERY_CONTENT_LENGTH, length)) {
    answer.nFileSize = std::strtoll(length.c_str(), nullptr, 10);
    LogIfOpen(LOG_DEBUG, "%spFileSize = %s", kPrefix, length.c_str());
  } else {
    answer.nFileSize = 0;
    answer.nChunkedFlag = 1;
    LogIfOpen(LOG_DEBUG, "%sHTTP_QUERY_CONTENT_LENGTH Fail, ErrCode = %d", kPrefix, static_cast<int>(::GetLastError()));
    std::string transfer;
    request->QueryInfoText(HTTP_QUERY_TRANSFER_ENCODING, transfer);
    if (EqualsNoCase(transfer, "chunked"))
      LogIfOpen(LOG_DEBUG, "%sTransfer encoding chunked. pFileSize = unknown", kPrefix);
    else
      LogIfOpen(LOG_DEBUG, "%spFileSize = unknown", kPrefix);
  }

  std::string encoding;
  request->QueryInfoText(HTTP_QUERY_CONTENT_ENCODING, encoding);
  if (EqualsNoCase(encoding, "gzip")) {
    answer.nGzipFlag = 1;
    LogIfOpen(LOG_DEBUG, "%sContent encoding GZIP.", kPrefix);
  } else {
    answer.nGzipFlag = 0;
  }
  return 0;
}
}  // namespace

int QueryServerFileInfo(CHttpContext& http, const std::string& objectName, int certIgnoreFlag,
                        ServerFileAnswer& answer) {
  answer = ServerFileAnswer();
  LogIfOpen(LOG_INFO, "%spDownFileUrl = %s", kPrefix, objectName.c_str());
  const CVantoCfg& cfg = http.Cfg();
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (attempt == 1) http.ReplaceShared("VantoExe1", kPrefix);
    try {
      return QueryOnce(http, objectName, certIgnoreFlag, answer);
    } catch (const CInternetError& error) {
      answer.nErrCode = static_cast<int32_t>(error.GetErrorCode());
      answer.strErrMsg = error.GetErrorMessage();
      LogIfOpen(LOG_ERROR, "%sException Msg = %s", kPrefix, answer.strErrMsg.c_str());
      const bool bpConnectFailure = cfg.DOWNLOAD_FROM_BP_SERVER != 0 && http.m_nBPDownloadFlag != 0 &&
                                    answer.nErrCode == 12029;  // ERROR_INTERNET_CANNOT_CONNECT
      if (attempt == 1 || IsCertificateError(answer.nErrCode) || bpConnectFailure) return -9;
    }
  }
  return -9;
}

int GetServerFileInfo(CHttpContext& http, IRunDisplay& display, ServerFileInfo& item, int32_t& errCode,
                      std::string& errMsg) {
  const CVantoCfg& cfg = http.Cfg();
  char object[2048];
  std::snprintf(object, sizeof(object), "%s/%s", cfg.DOWNLOAD_BASE_URL.c_str(), item.m_strFilePath.c_str());

  ServerFileAnswer answer;
  const CertificateRetry rule{cfg.SVR_HTTPS, http.m_nCertIgnoreFlag,
                              [&display](const std::string& question) { return AskYesIgnoreCertificate(display, question); },
                              nullptr, "CVantoExeDlg::GetServerFileInfo()> Retry GetServerFileInfo()"};
  const int result = CallWithCertificateRetry(
      rule, [&] { return QueryServerFileInfo(http, object, http.m_nCertIgnoreFlag, answer); }, answer.nErrCode,
      answer.strErrMsg);
  item.m_nChunkedFlag = answer.nChunkedFlag;
  item.m_nGzipFlag = answer.nGzipFlag;
  errCode = answer.nErrCode;
  errMsg = answer.strErrMsg;
  if (result == 0) {
    item.m_strModifyTime = answer.strModifyTime;
    if (answer.nChunkedFlag == 0) item.m_strFileSize = std::to_string(answer.nFileSize);
  }
  return result;
}
