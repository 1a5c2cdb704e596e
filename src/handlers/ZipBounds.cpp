#include "handlers/ZipBounds.h"

#include <algorithm>

uint64_t ZipTotalBound(uint64_t archiveSize) {
  const uint64_t byRatio =
      archiveSize > kZipTotalBound / kZipRatioBound ? kZipTotalBound : archiveSize * kZipRatioBound;
  return std::min(kZipTotalBound, std::max(kZipFloorBound, byRatio));
}

std::string CheckZipSizes(const std::vector<uint64_t>& memberSizes, uint64_t archiveSize) {
  const uint64_t totalBound = ZipTotalBound(archiveSize);
  uint64_t total = 0;
  for (size_t i = 0; i < memberSizes.size(); ++i) {
    const uint64_t size = memberSizes[i];
    if (size > kZipMemberBound)
      return "member " + std::to_string(i) + " announces " + std::to_string(size) +
             " bytes, the bound for one member is " + std::to_string(kZipMemberBound);
    total += size;  // no overflow: each is at most 2^30 and a count is at most 2^32
    if (total > totalBound)
      return "the members announce more than " + std::to_string(totalBound) + " bytes together (archive of " +
             std::to_string(archiveSize) + " bytes), the bound for all members";
  }
  return std::string();
}
