// The sizes an archive may announce: one member, all together against the
// archive's own size, and the absolute cap.
#include "handlers/ZipBounds.h"

#include <gtest/gtest.h>

TEST(ZipBoundsTest, TotalBoundGrowsWithTheArchiveBetweenFloorAndCap) {
  EXPECT_EQ(ZipTotalBound(0), kZipFloorBound);
  EXPECT_EQ(ZipTotalBound(100 * 1024), kZipFloorBound);  // 20 MB by ratio: the floor is more
  EXPECT_EQ(ZipTotalBound(1 << 20), 200u << 20);
  EXPECT_EQ(ZipTotalBound(uint64_t{1} << 40), kZipTotalBound);
  EXPECT_EQ(ZipTotalBound(UINT64_MAX), kZipTotalBound);
}

TEST(ZipBoundsTest, AnnouncedSizesWithinOrBeyondTheBounds) {
  struct Case {
    std::vector<uint64_t> sizes;
    uint64_t archive;
    const char* beyond;  // start of the reason, "" within the bounds
  } cases[] = {
      {{}, 22, ""},
      {{10, 20, 30}, 1000, ""},
      {{kZipFloorBound}, 100, ""},
      {{kZipFloorBound, 1}, 100, "the members announce more than 67108864 bytes together (archive of 100 bytes)"},
      {{kZipMemberBound + 1}, uint64_t{1} << 30, "member 0 announces 1073741825 bytes, the bound for one member"},
      {{5, kZipMemberBound, kZipMemberBound, kZipMemberBound, kZipMemberBound}, uint64_t{1} << 30,
       "the members announce more than 4294967296 bytes"},
      // A 100 KB archive of 100 MB of zeros: the deflate bomb.
      {{100u << 20}, 100 * 1024, "the members announce more than 67108864 bytes"},
  };
  for (const Case& c : cases) {
    const std::string why = CheckZipSizes(c.sizes, c.archive);
    EXPECT_EQ(why.substr(0, std::string(c.beyond).size()), c.beyond) << why;
    EXPECT_EQ(why.empty(), std::string(c.beyond).empty()) << why;
  }
}
