#include "list/LocalPathResolver.h"

namespace {
// Replaces every occurrence; true when there was one.
bool ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  bool replaced = false;
  size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
    replaced = true;
  }
  return replaced;
}
}  // namespace

std::string WithTrailingBackslash(const std::string& dir) {
  if (!dir.empty() && dir.back() == '\\') return dir;
  return dir + "\\";
}

void ResolveLocalPath(FileItem& item, const LocalPathRules& rules) {
  std::string path = item.m_strLocalPath;

  if (!path.empty() && path[0] == '_') {
    const size_t slash = path.find('\\');
    if (slash != std::string::npos) {
      const auto found = rules.specialDirs.find(path.substr(0, slash));
      if (found != rules.specialDirs.end()) path = found->second + path.substr(slash);
    }
  }

  if (!ReplaceAll(path, "%SystemDir%", rules.systemDir)) ReplaceAll(path, "%SystemRoot%", rules.windowsDir);

  if (path.size() >= 2 && path[1] == ':') {
    // absolute: used as it is
  } else if (!path.empty() && path[0] == '\\') {
    const size_t colon = rules.targetDir.find(':');
    path = (colon != std::string::npos ? rules.targetDir.substr(0, colon + 1) : rules.targetDir) + path;
  } else {
    path = rules.targetDir + path;
  }
  item.m_strLocalPath = path;
}
