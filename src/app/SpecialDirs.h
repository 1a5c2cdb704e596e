#pragma once
// Fills the special directory map from the shell's folders.
#include <functional>
#include <string>

#include "util/SpecialDirMap.h"

// Asks the shell for a folder (CSIDL); false leaves out empty.
using ShellFolderQuery = std::function<bool(int csidl, std::string& out)>;
using PathExistsQuery = std::function<bool(const std::string& path)>;

// The nine tokens. The 32-bit tokens name SysWOW64 and "Program Files (x86)"
// where those exist (64-bit Windows), else System32 and "Program Files".
void FillSpecialDirMap(SpecialDirMap& map, const ShellFolderQuery& folder, const PathExistsQuery& exists);
// The same with this machine's shell and file system.
void FillSpecialDirMap(SpecialDirMap& map);
