#include "handlers/ZipMemberPath.h"

#include <algorithm>
#include <cctype>

#include "util/PathText.h"

std::string ToBackslashPath(const std::string& path) {
  std::string out = path;
  std::replace(out.begin(), out.end(), '/', '\\');
  return out;
}

std::string ZipExtractDirOf(const std::string& zipPath) {
  return FolderOfPath(zipPath);
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

// A part that names a device ("NUL", "com1.txt", "CON .log"): Windows opens
// the device whatever the folder and extension, so the member would never
// reach a file and its content would go to a port or nowhere.
bool IsDevicePart(const std::string& part) {
  std::string base = part.substr(0, part.find('.'));
  base.erase(base.find_last_not_of(' ') + 1);
  std::string upper;
  for (const char c : base) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const char* const kNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* name : kNames) {
    if (upper == name) return true;
  }
  return upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
         upper[3] >= '1' && upper[3] <= '9';
}
}  // namespace

bool IsZipMemberOutsideFolder(const std::string& memberName) {
  const std::string name = ToBackslashPath(memberName);
  // The file system sees a name only up to a zero byte ("..\0x" is ".."):
  // a name that holds one is not the name checked here.
  if (name.find('\0') != std::string::npos) return true;
  if (!name.empty() && name[0] == '\\') return true;
  if (name.find(':') != std::string::npos) return true;
  size_t start = 0;
  while (start <= name.size()) {
    const size_t end = std::min(name.find('\\', start), name.size());
    const std::string part = name.substr(start, end - start);
    if (IsParentLikePart(part) || IsDevicePart(part)) return true;
    start = end + 1;
  }
  return false;
}
