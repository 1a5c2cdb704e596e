#pragma once
// Where a list entry lives on this machine.
#include <string>

#include "list/FileItem.h"
#include "util/SpecialDirMap.h"

struct LocalPathRules {
  std::string targetDir;   // TARGET_DIR with a trailing backslash
  SpecialDirMap specialDirs;  // empty where there are no Windows folders
  std::string systemDir;   // replaces "%SystemDir%"
  std::string windowsDir;  // replaces "%SystemRoot%"
};

// Turns m_strLocalPath (the target path with backslashes) into the full
// local path: special-directory token, system folder names, then absolute,
// drive-relative or relative to the target directory.
void ResolveLocalPath(FileItem& item, const LocalPathRules& rules);

// TARGET_DIR as the list reading uses it: with one trailing backslash.
std::string WithTrailingBackslash(const std::string& dir);
