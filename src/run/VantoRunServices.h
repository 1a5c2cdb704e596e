#pragma once
// The run's services on this machine: the HTTP layer for the server, the
// list reading, the update decision, the list stamp and the kind handlers.
#include <memory>
#include <string>

#include "handlers/ComponentRegistration.h"
#include "list/FileItemLists.h"
#include "list/FolderListings.h"
#include "run/RunServices.h"
#include "handlers/WinRegistrationPlatform.h"
#include "util/SpecialDirMap.h"

class CHttpContext;
class CVantoCfg;
class CVantoEngine;
class IRunDisplay;

class CVantoRunServices : public IRunServices {
 public:
  CVantoRunServices(CHttpContext& http, IRunDisplay& display, CFileItemLists& lists, const SpecialDirMap& specialDirs,
                    const std::string& systemDir, const std::string& windowsDir);
  // The engine whose stop flag and message text the downloads use.
  void SetEngine(CVantoEngine* engine) { m_pEngine = engine; }

  int GetServerFileInfo(FileItem& item) override;
  int QueryServerFileInfo(const std::string& url, std::string& modifyTime, std::string& fileSize,
                          int32_t& chunkedFlag, int32_t& gzipFlag, int& errCode, std::string& errText) override;
  int DownloadOneFileFromServer(FileItem& item, int dateFlag, int progressFlag, int& errCode,
                                std::string& errText) override;
  bool IsCertificateError(int errCode) override;
  std::unique_ptr<IEntryLane> OpenEntryLane(const int32_t& stopFlag) override;
  int GetFileListFromListFile(const CPendingWork& pending, bool requireDigest, int& refusedEntries) override;
  int CheckDownloadAndSettleBackup(const FileItem& item) override;
  int IsListFileDifferent(const FileItem& listItem) override;
  int CopyServerListFileToLocalListFile(const FileItem& listItem) override;
  bool ReopenSharedConnection(const char* agentName) override;
  CPendingWork LoadPendingWork(const FileItem& listItem) override;
  bool SavePendingWork(const FileItem& listItem, const CPendingWork& work) override;
  int FetchSmallFile(const std::string& serverPath, std::size_t maxBytes, std::string& text, int& errCode,
                     std::string& errText) override;
  bool ReplaceLocalFile(const std::string& from, const std::string& to) override;
  void DeleteLocalFile(const std::string& path) override;
  uint64_t LoadAcceptedListTime(const std::string& key) override;
  bool StoreAcceptedListTime(const std::string& key, uint64_t timestamp) override;

  // Registration and archives.
  int HandleZipTypeFiles(int showFlag) override;
  int HandleRegisterTypeFilesByRegSvr32(bool fromRegList, int showFlag) override;
  int HandleRegisterTypeFilesByRegAsm(int showFlag) override;
  int HandleZipRegTypeFiles(int showFlag) override;
  // Fonts, programs, deletions, registry files and the start-up setting.
  void UpdateRegisterKeyValue() override;
  int HandleExecuteTypeFiles() override;
  int HandleRegistryTypeFiles() override;
  int HandleDeleteTypeFiles() override;
  int HandleFontTypeFiles() override;

 private:
  // The run's message text: the engine's, or a scratch one without engine.
  std::string& RunMessage();
  CComponentRegistration Registration();
  // The run's handlers change files the listings know nothing of.
  void DropFolderListings() { m_pFolderListings.reset(); }

  CWinRegistrationPlatform m_registrationPlatform;
  CHttpContext& m_http;
  IRunDisplay& m_display;
  CFileItemLists& m_lists;
  const SpecialDirMap& m_specialDirs;
  std::string m_strSystemDir;
  std::string m_strWindowsDir;
  CVantoEngine* m_pEngine = nullptr;
  int32_t m_nNoStop = 0;
  const int32_t& StopFlag() const;
  std::string m_strScratchMsg;
  // The folders of the entries, read once while the list is decided and
  // fetched (from reading the list until the first handler).
  std::unique_ptr<CFolderListings> m_pFolderListings;
};
