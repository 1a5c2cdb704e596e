#pragma once
// The run's reach into the server, the list file and the kind handlers.
// The application wires it to the HTTP layer and the list reading; tests
// give it a scripted server. All texts are CP949.
#include <string>

#include "list/FileItem.h"

class IRunServices {
 public:
  virtual ~IRunServices() = default;

  // File information with its own certificate prompt (used for the list
  // file): fills time, size, chunked and gzip state of the item; 0 or negative.
  virtual int GetServerFileInfo(FileItem& item) = 0;
  // The bare query for one URL; the caller shows the certificate prompt.
  virtual int QueryServerFileInfo(const std::string& url, std::string& modifyTime, std::string& fileSize,
                                  int32_t& chunkedFlag, int32_t& gzipFlag, int& errCode,
                                  std::string& errText) = 0;
  // Fetches one file (backup and restore included); 0 or a negative code.
  virtual int DownloadOneFileFromServer(FileItem& item, int dateFlag, int progressFlag, int& errCode,
                                        std::string& errText) = 0;
  virtual bool IsCertificateError(int errCode) = 0;

  // Reads the downloaded list file into the lists; entries on the download
  // list, or negative when the file cannot be read.
  virtual int GetFileListFromListFile() = 0;
  // 1 fetch, 0 current; settles a leftover backup of the entry's file.
  virtual int CheckDownloadAndSettleBackup(const FileItem& item) = 0;
  // 1 the server's list differs from the one last processed, 0 same.
  virtual int IsListFileDifferent(const FileItem& listItem) = 0;
  virtual int CopyServerListFileToLocalListFile(const FileItem& listItem) = 0;

  // Replaces the shared session and connection by new ones (agent as
  // given) to SVR_IP_ADDR:SVR_PORT_NO with the configured time-outs, logging
  // each step with the run's prefix; false when no connection resulted.
  virtual bool ReopenSharedConnection(const char* agentName) = 0;

  // First start only: the per-user browser setting the handlers rely on.
  virtual void UpdateRegisterKeyValue() {}

  // Kind handlers; a negative result is a failure. Until a handler exists
  // it has nothing to do and reports success.
  virtual int HandleExecuteTypeFiles() { return 0; }
  virtual int HandleZipTypeFiles(int /*showFlag*/) { return 0; }
  virtual int HandleRegistryTypeFiles() { return 0; }
  // fromRegList: RegFileItemList (ALL_REG_FLAG 1), else DownFileItemList.
  virtual int HandleRegisterTypeFilesByRegSvr32(bool /*fromRegList*/, int /*showFlag*/) { return 0; }
  virtual int HandleRegisterTypeFilesByRegAsm(int /*showFlag*/) { return 0; }
  virtual int HandleDeleteTypeFiles() { return 0; }
  virtual int HandleFontTypeFiles() { return 0; }
  virtual int HandleZipRegTypeFiles(int /*showFlag*/) { return 0; }
};
