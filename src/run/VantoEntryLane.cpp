#include "run/VantoEntryLane.h"

#include "http/DownloadCaller.h"
#include "http/InetObjects.h"
#include "http/ServerFileQuery.h"
#include "list/UpdateDecision.h"
#include "run/EntryCalls.h"
#include "util/RunDisplay.h"

namespace {
const char* const kLanePrefix = "CVantoExeDlg::DownloadFilesInListFromServer> ";
}

CVantoEntryLane::CVantoEntryLane(const CHttpContext& shared, const int32_t& stopFlag, CFolderListings* listings)
    : m_http(shared.Cfg()), m_stopFlag(stopFlag), m_pListings(listings) {
  m_http.m_nBPDownloadFlag = shared.m_nBPDownloadFlag;
  m_http.m_nCertIgnoreFlag = shared.m_nCertIgnoreFlag;
  m_http.m_bounds = shared.m_bounds;
}

std::unique_ptr<CVantoEntryLane> CVantoEntryLane::Open(const CHttpContext& shared, const int32_t& stopFlag,
                                                       CFolderListings* listings) {
  // The library limits the connections to one server; the lanes need one
  // each besides the shared one.
  AllowConnectionsPerServer(kMaxParallelConnections + 1);
  auto lane = std::make_unique<CVantoEntryLane>(shared, stopFlag, listings);
  if (!lane->m_http.OpenShared(kLanePrefix)) return nullptr;
  return lane;
}

void CVantoEntryLane::BeginEntry(int certIgnoreFlag, IRunDisplay& display, std::string& message) {
  m_http.m_nCertIgnoreFlag = certIgnoreFlag;
  m_pDisplay = &display;
  m_pMessage = &message;
}

int CVantoEntryLane::QueryServerFileInfo(const std::string& url, std::string& modifyTime, std::string& fileSize,
                                         int32_t& chunkedFlag, int32_t& gzipFlag, int& errCode,
                                         std::string& errText) {
  return QueryEntryFileInfo(m_http, url, modifyTime, fileSize, chunkedFlag, gzipFlag, errCode, errText);
}

int CVantoEntryLane::DownloadOneFileFromServer(FileItem& item, int dateFlag, int progressFlag, int& errCode,
                                               std::string& errText) {
  if (!m_pDisplay) return -1;  // BeginEntry first
  DownloadCaller caller{*m_pDisplay, m_stopFlag, m_pMessage ? *m_pMessage : m_strScratch};
  return DownloadEntryFile(m_http, caller, item, dateFlag, progressFlag, errCode, errText, m_pListings);
}

int CVantoEntryLane::GetListEntryInfo(ServerFileInfo& info, int32_t& errCode, std::string& errText) {
  if (!m_pDisplay) return -1;  // BeginEntry first
  return ::GetServerFileInfo(m_http, *m_pDisplay, info, errCode, errText);
}

int CVantoEntryLane::CheckDownloadAndSettleBackup(const FileItem& item) {
  return ::CheckDownloadAndSettleBackup(item, m_http.Cfg(), m_pListings);
}
