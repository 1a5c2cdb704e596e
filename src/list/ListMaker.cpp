#include "list/ListMaker.h"

#include "util/CivilDate.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <map>

#include "list/ListLineHazards.h"
#include "list/ListLineParser.h"

namespace {
constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kKoreaOffsetSeconds = 9 * 3600;
constexpr size_t kMadeFieldsFrom = 4;  // index of field 5

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char text[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  return text;
}

// Fields 1 and 2 go in double quotes when the client would otherwise cut
// them (a comma), open quotes in them, or take the line for a comment.
std::string PathField(const std::string& value) {
  const bool plain = value.find(',') == std::string::npos && value.find('"') == std::string::npos &&
                     (value.empty() || (value[0] != '#' && value[0] != '!'));
  return plain ? value : "\"" + value + "\"";
}

std::string JoinFields(std::vector<std::string> fields) {
  for (size_t i = 0; i < 2 && i < fields.size(); ++i) fields[i] = PathField(fields[i]);
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += ',';
    line += fields[i];
  }
  return line;
}

// True when the client reads line as the entry wanted: the same fields 1
// to 4 as the old line, and the made fields.
bool ReadsAsMade(const std::string& line, const FileItem& old, const std::vector<std::string>& made) {
  FileItem item;
  ParseListLine(line, item);
  const std::vector<std::string> fields = SplitListFields(line);
  if (fields.size() != kMadeFieldsFrom + made.size()) return false;
  for (size_t i = 0; i < made.size(); ++i)
    if (fields[kMadeFieldsFrom + i] != made[i]) return false;
  return item.m_strFilePath == old.m_strFilePath && item.m_strTargetPath == old.m_strTargetPath &&
         item.m_nSysFileFlag == old.m_nSysFileFlag && item.m_nFileType == old.m_nFileType &&
         item.m_nPassFlag == old.m_nPassFlag && item.m_nWaitFlag == old.m_nWaitFlag &&
         item.m_strArgument == old.m_strArgument;
}

// Why a line naming the published file cannot go into the list; empty
// when clients read it as made.
std::string Refusal(const std::string& serverPath, const std::string& line, bool readsAsMade) {
  const std::string name = "'" + ShowControlCharacters(serverPath) + "': ";
  const std::string control = DescribeControlCharacterIn(serverPath);
  if (!control.empty()) return name + "the name holds " + control + "; clients would misread the list";
  if (line.size() > kClientLineLimit)
    return name + "its line is longer than " + std::to_string(kClientLineLimit) +
           " characters; clients would read it in pieces";
  if (!readsAsMade) return name + "the name cannot be written in a list line (quotes)";
  return std::string();
}

std::string ServerKey(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}
}  // namespace

std::string MakeListTimeText(int64_t utcSeconds, int fileCompareGmtTime) {
  const int64_t seconds = utcSeconds + (fileCompareGmtTime == 0 ? kKoreaOffsetSeconds : 0);
  int64_t days = seconds / kSecondsPerDay;
  int64_t rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  int64_t year = 0;
  int month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  return Format("%04" PRId64 "%02d%02d%02d%02d%02d", year, month, day, static_cast<int>(rest / 3600),
                static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
}

std::vector<std::string> MadeListFields(const PublishedFile& file, const ListMakeOptions& options) {
  std::vector<std::string> fields = {MakeListTimeText(file.lastWriteUtc, options.fileCompareGmtTime),
                                     Format("%" PRId64, file.size)};
  const auto digest = options.digests.find(file.serverPath);
  if (digest != options.digests.end()) fields.push_back("sha256:" + digest->second);
  return fields;
}

ListMakeResult MakeListFile(const std::vector<PublishedFile>& files, const std::vector<ListPiece>& oldPieces,
                            const ListMakeOptions& options) {
  ListMakeResult result;
  std::map<std::string, const PublishedFile*> published;
  for (const PublishedFile& file : files) published[file.serverPath] = &file;
  std::map<std::string, bool> named;

  auto keep = [&result](const ListPiece& piece, const std::string& why) {
    result.lines.push_back(piece.text);
    ++result.keptAsWritten;
    result.notes.push_back(Format("line %d: %s; kept as written", piece.line, why.c_str()));
  };

  int lastLine = 0;
  for (const ListPiece& piece : oldPieces) {
    if (piece.line == lastLine)
      result.notes.push_back(Format("line %d is longer than %d characters: clients read it in pieces, written "
                                    "here one line per piece", piece.line,
                                    static_cast<int>(CListFileScanner::kMaxPieceLength)));
    lastLine = piece.line;
    const std::string& text = piece.text;
    if (text.empty() || text[0] == '#' || text[0] == '!') {
      result.lines.push_back(text);
      continue;
    }
    FileItem old;
    ParseListLine(text, old);
    if (old.m_strFilePath.empty()) {
      keep(piece, "no server path (clients skip the line)");
      continue;
    }
    const std::string key = ServerKey(old.m_strFilePath);
    if (old.m_nFileType == FILE_KIND_DEL) {
      result.lines.push_back(text);  // never asked about: nothing to add
      named[key] = true;
      continue;
    }
    const auto found = published.find(key);
    if (found == published.end()) {
      keep(piece, "'" + old.m_strFilePath + "' is not in the publish folder (clients will ask the server)");
      continue;
    }
    named[key] = true;
    std::vector<std::string> fields = SplitListFields(text);
    const std::vector<std::string> made = MadeListFields(*found->second, options);
    if (fields.size() > kMadeFieldsFrom + made.size())
      result.notes.push_back(Format("line %d: fields behind field %d dropped", piece.line,
                                    static_cast<int>(kMadeFieldsFrom + made.size())));
    fields.resize(kMadeFieldsFrom);
    fields.insert(fields.end(), made.begin(), made.end());
    const std::string line = JoinFields(fields);
    if (!ReadsAsMade(line, old, made)) {
      keep(piece, "its quotes do not allow adding the time and size (clients will ask the server)");
      continue;
    }
    const std::string refusal = Refusal(key, line, true);
    if (!refusal.empty()) {
      result.refusals.push_back(refusal);
      continue;
    }
    result.lines.push_back(line);
    ++result.updated;
  }

  for (const auto& entry : published) {
    if (named.count(entry.first)) continue;
    std::vector<std::string> fields(kMadeFieldsFrom);
    fields[0] = entry.first;
    const std::vector<std::string> made = MadeListFields(*entry.second, options);
    fields.insert(fields.end(), made.begin(), made.end());
    const std::string line = JoinFields(fields);
    FileItem wanted;
    wanted.m_strFilePath = entry.first;
    const std::string refusal = Refusal(entry.first, line, ReadsAsMade(line, wanted, made));
    if (!refusal.empty()) {
      result.refusals.push_back(refusal);
      continue;
    }
    result.lines.push_back(line);
    ++result.added;
  }
  return result;
}
