#include "sync/ZipMemberPath.h"

#include <algorithm>

std::string ToBackslashPath(const std::string& path) {
  std::string out = path;
  std::replace(out.begin(), out.end(), '/', '\\');
  return out;
}

std::string ZipExtractDirOf(const std::string& zipPath) {
  const size_t slash = zipPath.rfind('\\');
  return slash == std::string::npos ? std::string() : zipPath.substr(0, slash);
}

std::string JoinZipTarget(const std::string& folder, const std::string& memberName) {
  return folder.empty() ? memberName : folder + "\\" + memberName;
}

namespace {
// Windows trims trailing dots and blanks from a path, so a part such as
// ".. " can still name the parent folder: any part of dots and blanks only
// that holds ".." is refused.
bool IsParentLikePart(const std::string& part) {
  if (part.find("..") == std::string::npos) return false;
  return part.find_first_not_of(". ") == std::string::npos;
}
}  // namespace

bool IsZipMemberOutsideFolder(const std::string& memberName) {
  const std::string name = ToBackslashPath(memberName);
  if (!name.empty() && name[0] == '\\') return true;
  if (name.find(':') != std::string::npos) return true;
  size_t start = 0;
  while (start <= name.size()) {
    const size_t end = std::min(name.find('\\', start), name.size());
    if (IsParentLikePart(name.substr(start, end - start))) return true;
    start = end + 1;
  }
  return false;
}
