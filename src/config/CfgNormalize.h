#pragma once
// Corrections start-up applies right after the start mode's source was read
// and before the log folder is created.
#include "config/VantoCfg.h"

// Drops trailing "\" and "/" from DOWNLOAD_BASE_URL; a lone separator stays.
void TrimDownloadBaseUrl(CVantoCfg& cfg);
// Trims TARGET_DIR, turns "/" into "\" and drops trailing "\".
// 1 done; 0 the result is empty (start-up stops with
// "The target directory is invalid. ").
int NormalizeTargetDir(CVantoCfg& cfg);
// LOOMBROWSER_PROG_FILE_PATH "loomBrowser" (any case, trimmed) becomes
// TARGET_DIR + "\bin\loomBrowser.exe"; any other value stays.
void ReplaceLoomBrowserPath(CVantoCfg& cfg);
