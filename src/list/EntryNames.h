#pragma once
// The names beside an entry's file that its download writes, moves or removes.
#include <string>

#include "list/FileItem.h"

// Where the old file waits during the download: the name the list reading
// chose, or the usual one.
std::string EntryBackupPath(const FileItem& item);
// Where a download writes the new file until it is complete and takes its place.
std::string EntryPartPath(const FileItem& item);
