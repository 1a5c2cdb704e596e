#pragma once
// What the work on one entry of the download loop reaches: the server
// query, the update decision and the download. The run's services give it
// on the dialog's thread; a lane gives it on a worker thread of a parallel
// run, with a connection of its own. All texts are CP949.
#include <cstdint>
#include <string>

#include "list/FileItem.h"

class IRunDisplay;

class IEntryServices {
 public:
  virtual ~IEntryServices() = default;

  // The bare query for one URL; the caller shows the certificate prompt.
  virtual int QueryServerFileInfo(const std::string& url, std::string& modifyTime, std::string& fileSize,
                                  int32_t& chunkedFlag, int32_t& gzipFlag, int& errCode,
                                  std::string& errText) = 0;
  // Fetches one file (backup and restore included); 0 or a negative code.
  virtual int DownloadOneFileFromServer(FileItem& item, int dateFlag, int progressFlag, int& errCode,
                                        std::string& errText) = 0;
  // 1 fetch, 0 current; settles a leftover backup of the entry's file.
  virtual int CheckDownloadAndSettleBackup(const FileItem& item) = 0;
};

// A connection of its own for the entries of a parallel run, used by one
// worker thread at a time.
class IEntryLane : public IEntryServices {
 public:
  // Before each entry: the certificate rule the requests follow, where the
  // download's rows and file bar go, and the message text they set.
  virtual void BeginEntry(int certIgnoreFlag, IRunDisplay& display, std::string& message) = 0;
};
