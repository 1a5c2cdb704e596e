#pragma once
// File information by HEAD request: the server's modification time, size and
// encoding of one published file.
#include <cstdint>
#include <string>

#include "http/HttpContext.h"
#include "http/ServerFileInfo.h"
#include "util/RunDisplay.h"

struct ServerFileAnswer {
  std::string strModifyTime;  // 14-digit time text
  int64_t nFileSize = 0;     // Content-Length; files may exceed 2 GiB
  int32_t nChunkedFlag = 0;
  int32_t nGzipFlag = -1;
  int32_t nErrCode = 0;       // internet error, else 0
  std::string strErrMsg;      // its text, else empty
};

// The inner query on the shared connection: 0, -1, -2, -3, -5, -9, -101..-104.
int QueryServerFileInfo(CHttpContext& http, const std::string& objectName, int certIgnoreFlag,
                        ServerFileAnswer& answer);

// The query for DOWNLOAD_BASE_URL/m_strFilePath with the certificate question
// (SVR_HTTPS 2); on 0 stores the time and, when known, the size. The flags are
// stored in every case. Error code and text are returned for the caller.
int GetServerFileInfo(CHttpContext& http, IRunDisplay& display, ServerFileInfo& item, int32_t& errCode,
                      std::string& errMsg);
