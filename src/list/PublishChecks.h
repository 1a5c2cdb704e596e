#pragma once
// Faults of a list that no client notices by itself: entries that reach the
// same local file on Windows (every run fetches one of them again and the
// folder never becomes current, while each run reports success), server
// paths the request cannot carry as written, and list times and sizes that
// differ from the published files. Shared by the administrators' list check
// and publish verification.
#include <cstdint>
#include <string>
#include <vector>

#include "list/FileItem.h"

// One entry read from a list, with its physical line.
struct ListedEntry {
  int line = 0;
  FileItem item;
};

// A local path as Windows compares names: "/" is "\", and letters that
// differ only in case are the same (ASCII, Latin-1, Greek, Cyrillic and
// full-width letters, the ones code page 949 can write).
std::wstring WindowsPathKey(const std::string& cp949Path);

// For each entry that reaches the same local file as an earlier one, the
// indexes (later, earlier). The same server path listed twice for the same
// local path is no conflict: clients fetch it once.
struct LocalPathCollision {
  size_t later;
  size_t earlier;
};
std::vector<LocalPathCollision> FindLocalPathCollisions(const std::vector<ListedEntry>& entries);

// The character ("#" or "?") at which the request path ends, or 0. Clients
// send server paths unescaped, so the server never sees the rest.
char RequestCutCharacter(const std::string& serverPath);

// Absolute difference in seconds of two 14-digit time texts (YYYYMMDDhhmmss)
// taken in the same time base; false when either is not 14 digits.
bool TimeTextGap(const std::string& a, const std::string& b, int64_t& gap);

// Problem texts (CP949, like the list), one line each, "line N: PATH: what".
std::string DescribeCollision(const ListedEntry& later, const ListedEntry& earlier);
std::string DescribeCutPath(const ListedEntry& entry, char cut);
std::string DescribeEntryProblem(const ListedEntry& entry, const std::string& what);
