#pragma once
// The server query and the download of one entry over a given connection,
// as the run's services and the lanes of a parallel run make them.
#include <cstdint>
#include <string>

#include "http/DownloadCaller.h"
#include "list/FileItem.h"

class CFolderListings;
class CHttpContext;

// The bare HEAD for url on http's connection, with its certificate rule.
int QueryEntryFileInfo(CHttpContext& http, const std::string& url, std::string& modifyTime, std::string& fileSize,
                       int32_t& chunkedFlag, int32_t& gzipFlag, int& errCode, std::string& errText);
// The download of item; the names it wrote or moved are changed in the
// listings (when there are any).
int DownloadEntryFile(CHttpContext& http, DownloadCaller& caller, FileItem& item, int dateFlag, int progressFlag,
                      int& errCode, std::string& errText, CFolderListings* listings);
