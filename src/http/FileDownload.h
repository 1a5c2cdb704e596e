#pragma once
// One file from the update server to its local path: the new content is
// written beside the path and takes the old file's place in one step when
// it is complete, so afterwards, and at any moment a kill or a power cut
// could come, the local path holds either the previous file or the
// complete new file with the server's time. The pieces: TransferLoop
// (reads, blocks), LocalFileSink (file, stop, bar, end checks),
// DownloadBackup (the backup rules, the replacement).
#include <cstdint>
#include <string>

#include "http/DownloadCaller.h"
#include "http/DownloadResult.h"
#include "http/HttpContext.h"
#include "http/ServerFileInfo.h"

// dateFlag 1 stamps m_strModifyTime on the file; progressFlag 1 drives the
// file bar. errCode/errMsg carry an internet error. m_nGzipFlag may change
// from -1 to 0 or 1.
int DownloadOneFileFromServer(CHttpContext& http, DownloadCaller& caller, ServerFileInfo& item, int dateFlag,
                              int progressFlag, int certIgnoreFlag, int32_t& errCode, std::string& errMsg);
