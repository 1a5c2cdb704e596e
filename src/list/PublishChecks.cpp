#include "list/PublishChecks.h"

#include "util/CivilDate.h"

#include <map>

#include "util/TextConv.h"

namespace {
// Lower-case letters of the scripts code page 949 can write, as ranges that
// move to upper case by a fixed offset.
struct CaseRange {
  wchar_t first;
  wchar_t last;
  wchar_t offset;
};
const CaseRange kLowerRanges[] = {
    {L'a', L'z', 0x20},
    {0x00E0, 0x00FE, 0x20},  // Latin-1 (0x00F7, the division sign, skipped below)
    {0x03B1, 0x03C9, 0x20},  // Greek (final sigma 0x03C2 skipped below)
    {0x0430, 0x044F, 0x20},  // Cyrillic
    {0x0450, 0x045F, 0x50},  // Cyrillic with marks
    {0xFF41, 0xFF5A, 0x20},  // full-width Latin
};

wchar_t UpperOf(wchar_t c) {
  if (c == 0x00F7) return c;
  if (c == 0x03C2) return 0x03A3;
  for (const CaseRange& range : kLowerRanges)
    if (c >= range.first && c <= range.last) return static_cast<wchar_t>(c - range.offset);
  return c;
}

int Number(const std::string& text, size_t from, size_t count) {
  int value = 0;
  for (size_t i = from; i < from + count; ++i) value = value * 10 + (text[i] - '0');
  return value;
}

bool SecondsOf(const std::string& text, int64_t& seconds) {
  if (text.size() != 14) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  const int64_t days = DaysFromCivil(Number(text, 0, 4), Number(text, 4, 2), Number(text, 6, 2));
  seconds = days * 86400 + Number(text, 8, 2) * 3600 + Number(text, 10, 2) * 60 + Number(text, 12, 2);
  return true;
}

std::string Head(const ListedEntry& entry) {
  return "line " + std::to_string(entry.line) + ": " + entry.item.m_strFilePath + ": ";
}
}  // namespace

std::wstring WindowsPathKey(const std::string& cp949Path) {
  std::wstring key = Cp949ToWide(cp949Path);
  for (wchar_t& c : key) c = c == L'/' ? L'\\' : UpperOf(c);
  return key;
}

std::vector<LocalPathCollision> FindLocalPathCollisions(const std::vector<ListedEntry>& entries) {
  std::vector<LocalPathCollision> found;
  std::map<std::wstring, std::vector<size_t>> seen;
  for (size_t i = 0; i < entries.size(); ++i) {
    const FileItem& item = entries[i].item;
    std::vector<size_t>& earlier = seen[WindowsPathKey(item.m_strLocalPath)];
    for (size_t j : earlier) {
      const FileItem& other = entries[j].item;
      if (other.m_strFilePath == item.m_strFilePath && other.m_strLocalPath == item.m_strLocalPath) continue;
      found.push_back({i, j});
      break;  // one line per entry, naming the first it meets
    }
    earlier.push_back(i);
  }
  return found;
}

char RequestCutCharacter(const std::string& serverPath) {
  const size_t cut = serverPath.find_first_of("#?");
  return cut == std::string::npos ? 0 : serverPath[cut];
}

bool TimeTextGap(const std::string& a, const std::string& b, int64_t& gap) {
  int64_t sa = 0;
  int64_t sb = 0;
  if (!SecondsOf(a, sa) || !SecondsOf(b, sb)) return false;
  gap = sa > sb ? sa - sb : sb - sa;
  return true;
}

std::string DescribeCollision(const ListedEntry& later, const ListedEntry& earlier) {
  return Head(later) + "same local file on Windows as line " + std::to_string(earlier.line) + " (" +
         earlier.item.m_strFilePath + "): " + later.item.m_strLocalPath;
}

std::string DescribeCutPath(const ListedEntry& entry, char cut) {
  return Head(entry) + "the request path ends at \"" + std::string(1, cut) +
         "\" (clients send server paths unescaped)";
}

std::string DescribeEntryProblem(const ListedEntry& entry, const std::string& what) { return Head(entry) + what; }
