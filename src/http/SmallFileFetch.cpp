#include "http/SmallFileFetch.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "http/GzipStreamDecoder.h"
#include "http/InternetError.h"
#include "http/RequestFrame.h"
#include "http/UrlEncoding.h"
#include "util/LogIfOpen.h"

namespace {
const char kPrefix[] = "CVantoExeDlg::FetchSmallFile> ";
const FrameLogStyle kStyle = {kPrefix, "Goto ReSendRequest.", LOG_DEBUG, LOG_DEBUG, LOG_ERROR, true, false};

// The body of a gzip answer, decoded within the same bound.
bool DecodeBounded(const std::string& encoded, std::size_t maxBytes, std::string& decoded) {
  std::size_t offset = 0;
  decoded.clear();
  const GzipDecodeResult result = DecodeGzipStream(
      [&](unsigned char* buffer, size_t capacity) {
        const std::size_t n = std::min(capacity, encoded.size() - offset);
        std::memcpy(buffer, encoded.data() + offset, n);
        offset += n;
        return n;
      },
      [&](const unsigned char* data, size_t length) {
        if (decoded.size() + length > maxBytes) return false;
        decoded.append(reinterpret_cast<const char*>(data), length);
        return true;
      });
  return result.state == GZIP_DECODE_END;
}
}  // namespace

int FetchSmallFile(CHttpContext& http, const std::string& objectName, std::size_t maxBytes, int certIgnoreFlag,
                   std::string& body, int32_t& errCode, std::string& errMsg) {
  errCode = 0;
  errMsg.clear();
  body.clear();
  const CVantoCfg& cfg = http.Cfg();
  const std::string encoded = EncodeUrlUtf8(objectName, cfg.ENCODE_URL_UTF);
  CInetConnection* connection = http.Connection();
  if (!connection) {
    LogIfOpen(LOG_DEBUG, "%sg_pHttpConnection is NULL", kPrefix);
    return -1;
  }
  LogIfOpen(LOG_DEBUG, "%sFile URL = %s", kPrefix, objectName.c_str());
  try {
    std::unique_ptr<CHttpRequest> request =
        OpenHttpFileRequest(*connection, "GET", encoded, cfg.SVR_HTTPS, certIgnoreFlag, kPrefix);
    if (!request) {
      LogIfOpen(LOG_ERROR, "%sOpenRequest() Fail, ErrCode = %d", kPrefix, static_cast<int>(::GetLastError()));
      return -1;
    }
    const SendOutcome sent = SendWithProxyAuth(*request, encoded, http.Proxy(), kStyle);
    if (sent.nResult < 0) return sent.nResult;
    if (sent.nResult != FRAME_STATUS_OK) {
      LogIfOpen(LOG_DEBUG, "%sStatus %lu for %s", kPrefix, static_cast<unsigned long>(sent.dwStatusCode),
                objectName.c_str());
      return -2;
    }
    // One byte more than allowed tells a body that is too long.
    char buffer[4096];
    for (;;) {
      const DWORD got = request->Read(buffer, sizeof buffer);
      if (got == 0) break;
      body.append(buffer, got);
      if (body.size() > maxBytes) {
        LogIfOpen(LOG_ERROR, "%s%s is larger than %lu bytes", kPrefix, objectName.c_str(),
                  static_cast<unsigned long>(maxBytes));
        body.clear();
        return -4;
      }
    }
    std::string encoding;
    request->QueryInfoText(HTTP_QUERY_CONTENT_ENCODING, encoding);
    request->Close();
    if (::lstrcmpiA(encoding.c_str(), "gzip") == 0) {
      std::string decoded;
      if (!DecodeBounded(body, maxBytes, decoded)) {
        body.clear();
        return -4;
      }
      body.swap(decoded);
    }
    return 0;
  } catch (const CInternetError& error) {
    errCode = static_cast<int32_t>(error.GetErrorCode());
    errMsg = error.GetErrorMessage();
    LogIfOpen(LOG_ERROR, "%sErrMsg = %s", kPrefix, errMsg.c_str());
    body.clear();
    return -6;
  }
}
