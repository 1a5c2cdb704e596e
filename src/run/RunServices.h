#pragma once
// The run's reach into the server, the list file and the kind handlers.
// The application wires it to the HTTP layer and the list reading; tests
// give it a scripted server. All texts are CP949.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

#include "list/FileItem.h"
#include "run/EntryServices.h"
#include "run/PendingWork.h"

// FetchSmallFile's codes beside those of the request frame.
enum SmallFetchResult : int {
  FETCH_OK = 0,
  FETCH_NO_CONNECTION = -1,
  FETCH_BAD_STATUS = -2,  // not on the server (status other than 200)
  FETCH_TOO_LARGE = -4,
  FETCH_TRANSPORT = -6,   // internet error, errCode/errText set
};

// The entries' server query, decision and download (IEntryServices) on the
// dialog's thread, and everything else of a run.
class IRunServices : public IEntryServices {
 public:

  // File information with its own certificate prompt (used for the list
  // file): fills time, size, chunked and gzip state of the item; 0 or negative.
  virtual int GetServerFileInfo(FileItem& item) = 0;
  virtual bool IsCertificateError(int errCode) = 0;
  // A lane for a parallel run: a session and connection of its own to the
  // run's server, with the shared one's agent, proxy and time-outs; its
  // downloads stop on stopFlag. null when none can be opened (the run then
  // asks one question at a time).
  virtual std::unique_ptr<IEntryLane> OpenEntryLane(const int32_t& /*stopFlag*/) { return nullptr; }

  // Reads the downloaded list file into the lists; entries on the download
  // list, or negative when the file cannot be read. An entry the pending
  // work names goes on the download list even when it is current.
  // requireDigest: entries without a SHA-256 (field 7) are refused (row and
  // log line, on no list) and counted in refusedEntries.
  virtual int GetFileListFromListFile(const CPendingWork& pending, bool requireDigest, int& refusedEntries) = 0;
  // 1 the server's list differs from the one last processed, 0 same.
  virtual int IsListFileDifferent(const FileItem& listItem) = 0;
  virtual int CopyServerListFileToLocalListFile(const FileItem& listItem) = 0;

  // Replaces the shared session and connection by new ones (agent as
  // given) to SVR_IP_ADDR:SVR_PORT_NO with the configured time-outs, logging
  // each step with the run's prefix; false when no connection resulted.
  virtual bool ReopenSharedConnection(const char* agentName) = 0;

  // The pending-work record beside the local list file of listItem: an
  // absent or unreadable record is empty; saving an empty one removes it.
  // false when the record could not be written (logged).
  virtual CPendingWork LoadPendingWork(const FileItem& listItem) = 0;
  virtual bool SavePendingWork(const FileItem& listItem, const CPendingWork& work) = 0;

  // Signed publishing (asked only with PUBLISHER_KEY set).
  // GET of a small published file into text through the request frame,
  // refused beyond maxBytes; a SmallFetchResult or the frame's code.
  virtual int FetchSmallFile(const std::string& serverPath, std::size_t maxBytes, std::string& text, int& errCode,
                             std::string& errText) = 0;
  // Moves a checked download over the file it replaces; false on failure.
  virtual bool ReplaceLocalFile(const std::string& from, const std::string& to) = 0;
  virtual void DeleteLocalFile(const std::string& path) = 0;
  // The newest list timestamp accepted for key (0: none), kept where only
  // administrators can write; false when it could not be stored.
  virtual uint64_t LoadAcceptedListTime(const std::string& key) = 0;
  virtual bool StoreAcceptedListTime(const std::string& key, uint64_t timestamp) = 0;
  virtual uint64_t CurrentUnixTime() { return static_cast<uint64_t>(std::time(nullptr)); }

  // First start only: the per-user browser setting the handlers rely on.
  virtual void UpdateRegisterKeyValue() = 0;

  // Kind handlers; a negative result is a failure.
  virtual int HandleExecuteTypeFiles() = 0;
  virtual int HandleZipTypeFiles(int showFlag) = 0;
  virtual int HandleRegistryTypeFiles() = 0;
  // fromRegList: RegFileItemList (ALL_REG_FLAG 1), else DownFileItemList.
  virtual int HandleRegisterTypeFilesByRegSvr32(bool fromRegList, int showFlag) = 0;
  virtual int HandleRegisterTypeFilesByRegAsm(int showFlag) = 0;
  virtual int HandleDeleteTypeFiles() = 0;
  virtual int HandleFontTypeFiles() = 0;
  virtual int HandleZipRegTypeFiles(int showFlag) = 0;
};
