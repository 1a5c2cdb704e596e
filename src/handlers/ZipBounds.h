#pragma once
// How much one archive may put on the disk. The sizes its directory
// announces are checked before a member is written, so an archive that
// would fill the disk (a zip bomb) writes nothing at all; the reader never
// writes a member beyond its announced size.
//
// - One member: at most kZipMemberBound bytes.
// - All members together: at most kZipRatioBound times the archive's own
//   size or kZipFloorBound, whichever is more, and never more than
//   kZipTotalBound.
#include <cstdint>
#include <string>
#include <vector>

constexpr uint64_t kZipMemberBound = uint64_t{1} << 30;  // 1 GiB
constexpr uint64_t kZipTotalBound = uint64_t{4} << 30;   // 4 GiB
constexpr uint64_t kZipRatioBound = 200;
constexpr uint64_t kZipFloorBound = uint64_t{64} << 20;  // 64 MiB

// What all members of an archive of archiveSize bytes may hold together.
uint64_t ZipTotalBound(uint64_t archiveSize);

// Empty when the announced member sizes keep within the bounds; otherwise
// the bound they break, for the log ("member 3 announces N bytes, the bound
// for one member is M").
std::string CheckZipSizes(const std::vector<uint64_t>& memberSizes, uint64_t archiveSize);
