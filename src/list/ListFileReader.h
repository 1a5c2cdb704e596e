#pragma once
// Reads the downloaded list file into the run's lists, with an update
// decision per entry.
#include <functional>
#include <string>
#include <vector>

#include "list/FileItemLists.h"
#include "list/LocalPathResolver.h"
#include "config/VantoCfg.h"

class IRunDisplay;

// Asks the server for an entry's time, size, chunked and gzip flags and
// writes them into the item; 0 when the answer arrived. The run passes the
// HTTP layer's GetServerFileInfo; tests pass a fake.
using ServerFileInfoQuery = std::function<int(FileItem& item)>;

// What the application holds beside the configuration.
class CFolderListings;

struct ListReadContext {
  SpecialDirMap specialDirs;
  std::string systemDir;   // m_strSystemDir
  std::string windowsDir;  // m_strWindowsDir
  IRunDisplay* display = nullptr;
  ServerFileInfoQuery queryServerFileInfo;
  // Answers the decision's questions about names that do not exist; null:
  // every question goes to the file system.
  CFolderListings* folderListings = nullptr;
  // Told before the first entry, when set: the server paths of the entries
  // queryServerFileInfo will be asked about, in list order (a parallel run
  // fetches their answers ahead).
  std::function<void(std::vector<std::string>)> announceQueries;
  // Work an earlier run left undone: such an entry is taken on even when
  // its file is current, so that its handler gets it.
  std::function<bool(const FileItem& item)> isPendingWork;
  // Signed lists: an entry without a SHA-256 (field 7) is refused, since
  // only the signed digest makes its file trusted; DEL entries need none.
  bool requireDigest = false;
  int* refusedEntries = nullptr;  // counts the refused entries
};

// Reads "%s\%s" of TARGET_DIR and LIST_FILE_NAME; EXCLUDE_DIRS and
// ALL_REG_FLAG shape the lists, the decision uses the time settings.
// Returns the number of entries put on DownFileItemList (DEL entries
// included), -1 when the file cannot be opened.
int GetFileListFromListFile(CFileItemLists& lists, const CVantoCfg& cfg, const ListReadContext& context);
