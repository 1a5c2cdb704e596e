#pragma once
// The run's services on this machine: the HTTP layer for the server, the
// list reading, the update decision, the list stamp and the kind handlers.
#include <string>

#include "handlers/ComponentRegistration.h"
#include "list/FileItemLists.h"
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
  int GetFileListFromListFile() override;
  int CheckDownloadAndSettleBackup(const FileItem& item) override;
  int IsListFileDifferent(const FileItem& listItem) override;
  int CopyServerListFileToLocalListFile(const FileItem& listItem) override;
  bool ReopenSharedConnection(const char* agentName) override;

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
};
