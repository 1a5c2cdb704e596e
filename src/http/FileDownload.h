#pragma once
// One file from the update server to its local path: the old file is moved
// to a backup first and comes back on every failure, so afterwards the local
// path holds either the complete new file with the server's time or the
// previous file.
#include <cstdint>
#include <string>

#include "http/HttpContext.h"
#include "http/ServerFileInfo.h"
#include "util/RunDisplay.h"

// What the download needs from the run that calls it.
struct DownloadCaller {
  IRunDisplay& display;              // file bar and error rows
  const int32_t& nRequestStopFlag;   // 1: the user asked to stop
  std::string& strMsg;               // the run's message text, set with each error row
};

// Download return codes.
enum DownloadResult : int {
  DOWNLOAD_OK = 0,
  DOWNLOAD_NO_CONNECTION = -1,
  DOWNLOAD_BAD_STATUS = -2,
  DOWNLOAD_LOCAL_WRITE = -3,
  DOWNLOAD_SIZE_MISMATCH = -4,
  DOWNLOAD_SET_DATE = -5,  // also: proxy authentication failed after its resend
  DOWNLOAD_GZIP_OR_EXCEPTION = -6,
  DOWNLOAD_STOPPED = -7,
  DOWNLOAD_NO_DATA = -10,
};

// dateFlag 1 stamps m_strModifyTime on the file; progressFlag 1 drives the
// file bar. errCode/errMsg carry an internet error. m_nGzipFlag may change
// from -1 to 0 or 1.
int DownloadOneFileFromServer(CHttpContext& http, DownloadCaller& caller, ServerFileInfo& item, int dateFlag,
                              int progressFlag, int certIgnoreFlag, int32_t& errCode, std::string& errMsg);
