#pragma once
// A lane of a parallel run on this machine: a WinINet session and
// connection of its own to the run's server (the shared one's agent, proxy,
// time-outs and HTTPS rules), the same query, decision and download as the
// run's services. Used by one worker thread at a time.
#include <cstdint>
#include <memory>
#include <string>

#include "http/HttpContext.h"
#include "http/ServerFileInfo.h"
#include "run/EntryServices.h"

class CFolderListings;

class CVantoEntryLane : public IEntryLane {
 public:
  // null when no connection could be opened.
  static std::unique_ptr<CVantoEntryLane> Open(const CHttpContext& shared, const int32_t& stopFlag,
                                               CFolderListings* listings);

  void BeginEntry(int certIgnoreFlag, IRunDisplay& display, std::string& message) override;
  int QueryServerFileInfo(const std::string& url, std::string& modifyTime, std::string& fileSize,
                          int32_t& chunkedFlag, int32_t& gzipFlag, int& errCode, std::string& errText) override;
  int DownloadOneFileFromServer(FileItem& item, int dateFlag, int progressFlag, int& errCode,
                                std::string& errText) override;
  int CheckDownloadAndSettleBackup(const FileItem& item) override;
  // The file information of a list entry, as the list reading asks for it
  // (its certificate question goes to the display of BeginEntry).
  int GetListEntryInfo(ServerFileInfo& info, int32_t& errCode, std::string& errText);

  CVantoEntryLane(const CHttpContext& shared, const int32_t& stopFlag, CFolderListings* listings);

 private:
  CHttpContext m_http;
  const int32_t& m_stopFlag;
  CFolderListings* m_pListings;
  IRunDisplay* m_pDisplay = nullptr;
  std::string* m_pMessage = nullptr;
  std::string m_strScratch;
};
