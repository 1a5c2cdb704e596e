#pragma once
// The file-system calls of the INI reader. Paths are CP949; on Windows they go
// to the ANSI API, natively "\" is read as "/".
#include <string>

// True when a file search on path finds something.
bool IniFileExists(const std::string& path);
// Whole file, opened for reading with sharing allowed. False when unreadable.
bool ReadIniFileBytes(const std::string& path, std::string* bytes);
