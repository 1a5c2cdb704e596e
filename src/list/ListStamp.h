#pragma once
// The stamp beside the downloaded list file that remembers which version of
// the list was fully processed (one byte, modified at the list's server time).
#include "list/FileItem.h"
#include "config/VantoCfg.h"

// listItem: the list file's own item (local path, server time).
// 0 done or nothing to do, -5 the stamp's time could not be set.
int CopyServerListFileToLocalListFile(const FileItem& listItem, const CVantoCfg& cfg);
