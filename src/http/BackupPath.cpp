#include "http/BackupPath.h"

std::string FindPathExtension(const std::string& path) {
  // The last dot of the last component, unless a blank follows it.
  size_t dot = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (c == '\\' || c == ' ')
      dot = std::string::npos;
    else if (c == '.')
      dot = i;
  }
  return dot == std::string::npos ? std::string() : path.substr(dot);
}

std::string MakeBackupPath(const std::string& localPath) {
  const std::string extension = FindPathExtension(localPath);
  return localPath + (extension.empty() ? std::string(".backup") : extension);
}

std::string MakePartPath(const std::string& localPath) { return localPath + ".part~"; }
