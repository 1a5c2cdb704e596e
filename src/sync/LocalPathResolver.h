#pragma once
// Where a list entry lives on this machine.
#include <map>
#include <string>

#include "sync/FileItem.h"

// Token ("_FONTS", ...) to folder without trailing backslash; filled by the
// application at start-up, empty where there are no Windows folders.
using SpecialDirMap = std::map<std::string, std::string>;

struct LocalPathRules {
  std::string targetDir;   // TARGET_DIR with a trailing backslash
  SpecialDirMap specialDirs;
  std::string systemDir;   // replaces "%SystemDir%"
  std::string windowsDir;  // replaces "%SystemRoot%"
};

// Turns m_strLocalPath (the target path with backslashes) into the full
// local path: special-directory token, system folder names, then absolute,
// drive-relative or relative to the target directory.
void ResolveLocalPath(FileItem& item, const LocalPathRules& rules);

// TARGET_DIR as the list reading uses it: with one trailing backslash.
std::string WithTrailingBackslash(const std::string& dir);
