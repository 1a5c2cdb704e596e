#pragma once
// ZIP entries: each archive is extracted into its own folder, overwriting
// what is there (read-only files included); an archive that fails is
// deleted, so the next run fetches it again. Members extracted before a
// failure stay. Windows only.
#include <string>
#include <vector>

#include "list/FileItem.h"

class IRunDisplay;

// 1 every member extracted; -1 the archive cannot be opened; -2 a member's
// directory entry cannot be read; -3 a member cannot be written (a name that
// leads out of the archive's folder included). extracted, when given, gets
// the full path of every file written, in archive order (folders not).
int ProcessZipFile(const FileItem& item, std::vector<std::string>* extracted);

// ZIP entries (kind 7, m_nDownFlag 1) of list; 0 all extracted or list
// empty, -1 at least one archive failed (and was deleted). The show flag is
// not consulted.
int HandleZipTypeFiles(const FileItemList& list, int showFlag, IRunDisplay& display);
