// A zip archive from the server: its directory read, every member name put
// through the checks that keep members inside the archive's folder, and
// the small members written out (always to a scratch file of this process,
// never where the name points).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "handlers/ZipArchive.h"
#include "handlers/ZipBounds.h"
#include "handlers/ZipMemberPath.h"

namespace {
// How Windows walks the target path below the archive's folder: parts end
// without their trailing dots and blanks, "." stays, a part of dots and
// blanks with ".." in it goes up. false when the walk leaves the folder.
bool StaysInside(const std::string& member) {
  const std::string name = member.substr(0, member.find('\0'));  // the API stops there
  int depth = 0;
  size_t start = 0;
  while (start <= name.size()) {
    const size_t end = std::min(name.find('\\', start), name.size());
    const std::string part = name.substr(start, end - start);
    const bool dotsOnly = !part.empty() && part.find_first_not_of(". ") == std::string::npos;
    if (dotsOnly && part.find("..") != std::string::npos) {
      if (--depth < 0) return false;
    } else if (!dotsOnly && !part.empty()) {
      ++depth;
    }
    start = end + 1;
  }
  return true;
}

void CheckName(const std::string& name) {
  const std::string member = ToBackslashPath(name);
  const bool refused = IsZipMemberOutsideFolder(member);
  const bool rooted = !member.empty() && (member[0] == '\\' || member.find(':') != std::string::npos);
  if (!refused && (rooted || !StaysInside(member))) __builtin_trap();  // a member would land outside
  JoinZipTarget("C:\\App\\pkg", member);
  ZipExtractDirOf(member);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string zipPath = FuzzScratchPath("archive.zip");
  static const std::string outPath = FuzzScratchPath("member.out");
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckName(bytes);

  std::FILE* file = std::fopen(zipPath.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  {
    CZipArchive zip;
    if (zip.OpenZip(zipPath)) {
      std::vector<uint64_t> sizes;
      for (int i = 0; i < zip.GetItemCount() && i < 64; ++i) {
        ZipItem item;
        if (zip.GetZipItem(i, item) != 0) continue;
        sizes.push_back(item.size);
        CheckName(item.name);
        if (!item.isDirectory && item.size <= (1u << 20)) zip.UnzipItem(i, outPath);
      }
      uint64_t total = 0;
      for (uint64_t s : sizes) total += s;
      if (CheckZipSizes(sizes, size).empty() && total > ZipTotalBound(size)) __builtin_trap();
      zip.CloseZip();
    }
  }
  std::remove(outPath.c_str());
  std::remove(zipPath.c_str());
  return 0;
}
