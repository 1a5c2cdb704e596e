#pragma once
// Where a file is kept while its new version is downloaded: beside itself,
// with its own extension once more (x.dll -> x.dll.dll), or ".backup" when it
// has none (README -> README.backup).
#include <string>

std::string MakeBackupPath(const std::string& localPath);
// Where a download writes the new file until it is complete and takes its place.
std::string MakePartPath(const std::string& localPath);
// The extension with its dot, as the shell finds it; empty when there is none.
std::string FindPathExtension(const std::string& path);
