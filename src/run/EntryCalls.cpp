#include "run/EntryCalls.h"

#include "http/FileDownload.h"
#include "http/HttpContext.h"
#include "http/ServerFileQuery.h"
#include "list/UpdateDecision.h"
#include "run/ServerFileInfoSeam.h"

int QueryEntryFileInfo(CHttpContext& http, const std::string& url, std::string& modifyTime, std::string& fileSize,
                       int32_t& chunkedFlag, int32_t& gzipFlag, int& errCode, std::string& errText) {
  ServerFileAnswer answer;
  const int r = ::QueryServerFileInfo(http, url, http.m_nCertIgnoreFlag, answer);
  chunkedFlag = answer.nChunkedFlag;
  gzipFlag = answer.nGzipFlag;
  errCode = answer.nErrCode;
  errText = answer.strErrMsg;
  if (r == 0) {
    modifyTime = answer.strModifyTime;
    fileSize = std::to_string(answer.nFileSize);
  }
  return r;
}

int DownloadEntryFile(CHttpContext& http, DownloadCaller& caller, FileItem& item, int dateFlag, int progressFlag,
                      int& errCode, std::string& errText, CFolderListings* listings) {
  ServerFileInfo info = ToServerInfo(item);
  int32_t code = 0;
  const int r =
      ::DownloadOneFileFromServer(http, caller, info, dateFlag, progressFlag, http.m_nCertIgnoreFlag, code, errText);
  errCode = code;
  item.m_nGzipFlag = info.m_nGzipFlag;
  ForgetDownloadNames(item, listings);
  return r;
}
