// A list file line: the line grammar, field 4, the exclusion and the local
// path resolution, as the client and `vantoctl list check` read it.
#include <cstdint>
#include <string>

#include "list/FileItem.h"
#include "list/ListFileScanner.h"
#include "list/ListLineHazards.h"
#include "list/ListLineParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const ListEntryRules rules = [] {
    ListEntryRules r;
    r.paths.targetDir = "C:\\App\\";
    r.paths.specialDirs = {{"_FONTS", "C:\\Windows\\Fonts"}, {"_SYSTEM_32BIT", "C:\\Windows\\SysWOW64"},
                           {"_", "C:\\Odd"}};
    r.paths.systemDir = "C:\\Windows\\system32";
    r.paths.windowsDir = "C:\\Windows";
    r.excludePrefixes = SplitExcludeDirs("bin\\old,\"a,b\",,x");
    return r;
  }();
  const std::string line(reinterpret_cast<const char*>(data), size);
  // The piece the scanner hands on has no line end and stops at a NUL.
  const std::string piece = line.substr(0, line.find_first_of(std::string("\n\0", 2)));
  FileItem item;
  PrepareListEntry(piece.substr(0, CListFileScanner::kMaxPieceLength), item, rules);
  FileItem kind;
  ParseKindField(line, kind);
  SplitExcludeDirs(line);
  // A message never carries a control character, and every line that holds
  // one is found.
  const std::string shown = ShowControlCharacters(line);
  for (char c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) __builtin_trap();
  if (DescribeControlCharacterIn(line).empty() != (shown == line)) __builtin_trap();
  return 0;
}
