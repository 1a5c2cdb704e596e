#include "run/VantoRunServices.h"

#include <algorithm>
#include <vector>

#include "config/VantoCfg.h"
#include "handlers/CommandFiles.h"
#include "handlers/FontFiles.h"
#include "handlers/LockdownValue.h"
#include "handlers/ZipExtraction.h"
#include "http/CertificateError.h"
#include "http/FileDownload.h"
#include "http/FileMove.h"
#include "http/HttpContext.h"
#include "http/ServerFileQuery.h"
#include "http/SmallFileFetch.h"
#include "list/ListFileReader.h"
#include "list/ListStamp.h"
#include "list/UpdateDecision.h"
#include "run/AcceptedListTime.h"
#include "run/EntryCalls.h"
#include "run/ListInfoPrefetch.h"
#include "run/PendingWorkFile.h"
#include "run/ServerFileInfoSeam.h"
#include "run/VantoEngine.h"
#include "run/VantoEntryLane.h"
#include "util/LogIfOpen.h"
#include "util/MyLog.h"


CVantoRunServices::CVantoRunServices(CHttpContext& http, IRunDisplay& display, CFileItemLists& lists,
                                     const SpecialDirMap& specialDirs, const std::string& systemDir,
                                     const std::string& windowsDir)
    : m_http(http),
      m_display(display),
      m_lists(lists),
      m_specialDirs(specialDirs),
      m_strSystemDir(systemDir),
      m_strWindowsDir(windowsDir) {}

int CVantoRunServices::GetServerFileInfo(FileItem& item) {
  ServerFileInfo info = ToServerInfo(item);
  int32_t errCode = 0;
  std::string errText;
  const int r = ::GetServerFileInfo(m_http, m_display, info, errCode, errText);
  FromServerInfo(info, item);
  return r;
}

int CVantoRunServices::QueryServerFileInfo(const std::string& url, std::string& modifyTime, std::string& fileSize,
                                           int32_t& chunkedFlag, int32_t& gzipFlag, int& errCode,
                                           std::string& errText) {
  return QueryEntryFileInfo(m_http, url, modifyTime, fileSize, chunkedFlag, gzipFlag, errCode, errText);
}

int CVantoRunServices::DownloadOneFileFromServer(FileItem& item, int dateFlag, int progressFlag, int& errCode,
                                                 std::string& errText) {
  DownloadCaller caller{m_display, StopFlag(), RunMessage()};
  return DownloadEntryFile(m_http, caller, item, dateFlag, progressFlag, errCode, errText, m_pFolderListings.get());
}

std::unique_ptr<IEntryLane> CVantoRunServices::OpenEntryLane(const int32_t& stopFlag) {
  return CVantoEntryLane::Open(m_http, stopFlag, m_pFolderListings.get());
}

bool CVantoRunServices::IsCertificateError(int errCode) { return ::IsCertificateError(errCode); }

int CVantoRunServices::GetFileListFromListFile(const CPendingWork& pending, bool requireDigest, int& refusedEntries) {
  ListReadContext context;
  if (!pending.Empty())
    context.isPendingWork = [&pending](const FileItem& item) {
      return pending.Contains(item.m_nFileType, item.m_strLocalPath);
    };
  context.requireDigest = requireDigest;
  context.refusedEntries = &refusedEntries;
  context.specialDirs = m_specialDirs;
  context.systemDir = m_strSystemDir;
  context.windowsDir = m_strWindowsDir;
  context.display = &m_display;
  context.queryServerFileInfo = [this](FileItem& item) { return GetServerFileInfo(item); };
  m_pFolderListings = std::make_unique<CFolderListings>();
  context.folderListings = m_pFolderListings.get();
  // A parallel run fetches the answers for the entries without size or
  // time ahead, on lanes of their own; the reading takes them in order.
  std::unique_ptr<CListInfoPrefetch> prefetch;
  const CVantoCfg& cfg = m_http.Cfg();
  if (cfg.PARALLEL_CONNECTIONS > 1) {
    context.announceQueries = [this, &prefetch, &cfg](std::vector<std::string> paths) {
      if (paths.size() < 2) return;
      std::vector<std::unique_ptr<IEntryLane>> lanes;
      const size_t wanted = std::min(static_cast<size_t>(cfg.PARALLEL_CONNECTIONS), paths.size());
      while (lanes.size() < wanted) {
        std::unique_ptr<IEntryLane> lane = OpenEntryLane(StopFlag());
        if (!lane) break;
        lanes.push_back(std::move(lane));
      }
      if (lanes.empty()) return;
      prefetch = std::make_unique<CListInfoPrefetch>(std::move(lanes), m_display, StopFlag(), m_http.m_nCertIgnoreFlag);
      prefetch->Announce(std::move(paths));
    };
    context.queryServerFileInfo = [this, &prefetch](FileItem& item) {
      int result = 0;
      if (prefetch && prefetch->Take(item, result)) return result;
      return GetServerFileInfo(item);
    };
  }
  return ::GetFileListFromListFile(m_lists, m_http.Cfg(), context);
}

int CVantoRunServices::CheckDownloadAndSettleBackup(const FileItem& item) {
  return ::CheckDownloadAndSettleBackup(item, m_http.Cfg(), m_pFolderListings.get());
}

int CVantoRunServices::IsListFileDifferent(const FileItem& listItem) {
  return ::IsListFileDifferent(listItem, m_http.Cfg());
}

int CVantoRunServices::CopyServerListFileToLocalListFile(const FileItem& listItem) {
  DropFolderListings();
  return ::CopyServerListFileToLocalListFile(listItem, m_http.Cfg());
}

bool CVantoRunServices::ReopenSharedConnection(const char* agentName) {
  m_http.ReplaceShared(agentName, "CVantoExeDlg::OnRequestStart> ");
  return m_http.Connection() != nullptr;
}

CPendingWork CVantoRunServices::LoadPendingWork(const FileItem& listItem) {
  return ReadPendingWorkFile(PendingWorkPathOf(listItem.m_strLocalPath));
}

bool CVantoRunServices::SavePendingWork(const FileItem& listItem, const CPendingWork& work) {
  const std::string path = PendingWorkPathOf(listItem.m_strLocalPath);
  unsigned long error = 0;
  if (WritePendingWorkFile(path, work, error)) return true;
  LogIfOpen(LOG_ERROR, "CVantoExeDlg::OnRequestStart> Pending Work Record Not Written(%s), ErrCode = %d", path.c_str(),
            static_cast<int>(error));
  return false;
}

int CVantoRunServices::FetchSmallFile(const std::string& serverPath, std::size_t maxBytes, std::string& text,
                                      int& errCode, std::string& errText) {
  int32_t code = 0;
  const int r = ::FetchSmallFile(m_http, serverPath, maxBytes, m_http.m_nCertIgnoreFlag, text, code, errText);
  errCode = code;
  return r;
}

bool CVantoRunServices::ReplaceLocalFile(const std::string& from, const std::string& to) {
  return MoveFileReplacing(from, to);
}

void CVantoRunServices::DeleteLocalFile(const std::string& path) {
  if (!::DeleteFileA(path.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND && g_pMyLog)
    g_pMyLog->Log(LOG_WARN, "CVantoExeDlg::DeleteLocalFile> DeleteFile(%s) Fail, ErrCode = %lu", path.c_str(),
                  ::GetLastError());
}

uint64_t CVantoRunServices::LoadAcceptedListTime(const std::string& key) { return ::LoadAcceptedListTime(key); }

bool CVantoRunServices::StoreAcceptedListTime(const std::string& key, uint64_t timestamp) {
  return ::StoreAcceptedListTime(key, timestamp);
}

std::string& CVantoRunServices::RunMessage() { return m_pEngine ? m_pEngine->m_strMsg : m_strScratchMsg; }

CComponentRegistration CVantoRunServices::Registration() {
  return CComponentRegistration(m_display, m_registrationPlatform, m_http.Cfg().OCX_FILE_REGISTRY_MODE,
                                m_strSystemDir, RunMessage());
}

int CVantoRunServices::HandleZipTypeFiles(int showFlag) {
  DropFolderListings();
  return ::HandleZipTypeFiles(m_lists.ZipFileItemList, showFlag, m_display);
}

int CVantoRunServices::HandleRegisterTypeFilesByRegSvr32(bool fromRegList, int showFlag) {
  DropFolderListings();
  const FileItemList& list = fromRegList ? m_lists.RegFileItemList : m_lists.DownFileItemList;
  return Registration().HandleRegisterTypeFilesByRegSvr32(list, showFlag);
}

int CVantoRunServices::HandleRegisterTypeFilesByRegAsm(int showFlag) {
  DropFolderListings();
  return Registration().HandleRegisterTypeFilesByRegAsm(m_lists.RegAsmFileItemList, showFlag);
}

int CVantoRunServices::HandleZipRegTypeFiles(int showFlag) {
  DropFolderListings();
  return Registration().HandleZipRegTypeFiles(m_lists.ZipRegFileItemList, showFlag);
}

const int32_t& CVantoRunServices::StopFlag() const { return m_pEngine ? m_pEngine->m_nRequestStopFlag : m_nNoStop; }

void CVantoRunServices::UpdateRegisterKeyValue() {
  DropFolderListings();
  // The run asks for it only while its first-start flag is set.
  ::UpdateRegisterKeyValue(1);
}

int CVantoRunServices::HandleExecuteTypeFiles() {
  DropFolderListings();
  return ::HandleExecuteTypeFiles(m_lists.CmdFileItemList, m_display, StopFlag());
}

int CVantoRunServices::HandleRegistryTypeFiles() {
  DropFolderListings();
  return ::HandleRegistryTypeFiles(m_lists.DownFileItemList, m_display, StopFlag(), m_strWindowsDir);
}

int CVantoRunServices::HandleDeleteTypeFiles() {
  DropFolderListings();
  return ::HandleDeleteTypeFiles(m_lists.DownFileItemList, m_display);
}

int CVantoRunServices::HandleFontTypeFiles() {
  DropFolderListings();
  return CFontInstaller(m_display, m_strWindowsDir).HandleFontTypeFiles(m_lists.FntFileItemList);
}
