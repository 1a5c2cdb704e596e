#pragma once
// How clients on this machine resolve list entries: the target directory,
// EXCLUDE_DIRS, and the machine's folders for the special tokens.
#include <string>

#include "list/ListFileScanner.h"

// On Windows the tokens and %SystemDir%/%SystemRoot% get this machine's
// folders; natively they stay as written.
ListEntryRules MachineListRules(const std::string& targetDir, const std::string& excludeDirs);
