#include "list/ListLineParser.h"

#include <utility>
#include <vector>

#include "util/Cp949Case.h"
#include "util/Sha256.h"

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::string Trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string DigitsOnly(const std::string& text) {
  std::string digits;
  for (char c : text)
    if (c >= '0' && c <= '9') digits += c;
  return digits;
}

// Option pieces: "/" separates, double quotes protect (a backslash inside
// them makes the next character inert), empty pieces are dropped.
std::vector<std::string> SplitOptions(const std::string& text) {
  std::vector<std::string> pieces;
  std::string current;
  bool inQuotes = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inQuotes) {
      current += c;
      if (c == '\\' && i + 1 < text.size()) {
        current += text[++i];
      } else if (c == '"') {
        inQuotes = false;
      }
    } else if (c == '"') {
      inQuotes = true;
      current += c;
    } else if (c == '/') {
      if (!current.empty()) pieces.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) pieces.push_back(current);
  return pieces;
}

void ApplyOption(const std::string& piece, FileItem& item) {
  if (piece == "p=1" || piece == "PASS") {
    item.m_nPassFlag = 1;
  } else if (piece == "w=1") {
    item.m_nWaitFlag = 1;
  } else if (piece.compare(0, 2, "a=") == 0) {
    const std::string value = piece.substr(2);
    // Only a quoted argument counts; an unquoted one is ignored.
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      item.m_strArgument = value.substr(1, value.size() - 2);
  }
}

int KindFromCode(const std::string& code) {
  if (code.size() != 3) return FILE_KIND_NORMAL;
  static const struct {
    const char* code;
    int kind;
  } kCodes[] = {
      {"REG", FILE_KIND_REG}, {"DEL", FILE_KIND_DEL}, {"REF", FILE_KIND_REF}, {"ZIP", FILE_KIND_ZIP},
      {"ASM", FILE_KIND_ASM}, {"ZRG", FILE_KIND_ZRG}, {"CMD", FILE_KIND_EXE}, {"EXE", FILE_KIND_EXE},
      {"FNT", FILE_KIND_FNT}, {"FON", FILE_KIND_FNT},
  };
  for (const auto& entry : kCodes)
    if (code.compare(0, 3, entry.code) == 0) return entry.kind;
  return FILE_KIND_NORMAL;
}

void StoreField(int field, const std::string& value, FileItem& item) {
  switch (field) {
    case 1: item.m_strFilePath = value; break;
    case 2: item.m_strTargetPath = value; break;
    case 3: item.m_nSysFileFlag = value.compare(0, 3, "SYS") == 0 ? 1 : 2; break;
    case 4: ParseKindField(value, item); break;
    case 5: item.m_strModifyTime = DigitsOnly(value); break;
    case 6: item.m_strFileSize = value; break;
    case 7: item.m_strSha256 = ParseDigestField(value); break;
    default: break;  // further fields are ignored
  }
}
}  // namespace

void ParseKindField(const std::string& text, FileItem& item) {
  std::string code = Trim(text);
  const size_t bar = code.find('|');
  if (code.size() >= 4 && bar != std::string::npos && bar >= 3) {
    for (const std::string& piece : SplitOptions(code.substr(bar + 1))) ApplyOption(piece, item);
    code = Trim(code.substr(0, bar));
    if (code.empty()) return;
  }
  item.m_nFileType = KindFromCode(UpperCp949(code));
}

std::string ParseDigestField(const std::string& text) {
  static const char kTag[] = "sha256:";
  const size_t tagLength = sizeof(kTag) - 1;
  if (text.size() != tagLength + 64) return std::string();
  for (size_t i = 0; i < tagLength; ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kTag[i]) return std::string();
  }
  const std::string digest = text.substr(tagLength);
  return IsSha256Hex(digest) ? LowerHex(digest) : std::string();
}

std::vector<std::string> SplitListFields(const std::string& line) {
  std::vector<std::string> fields;
  auto store = [&fields](int field, std::string value) {
    if (fields.size() < static_cast<size_t>(field)) fields.resize(field);
    fields[field - 1] = std::move(value);
  };
  const size_t length = line.size();
  size_t start = 0;
  int field = 1;
  bool inQuotes = false;
  bool quotedValue = false;
  size_t i = 0;
  while (i < length) {
    const char c = line[i];
    if (inQuotes) {
      if (c == '\\') {
        ++i;  // the next character cannot close the quotes
      } else if (c == '"') {
        inQuotes = false;
        if (quotedValue) {
          quotedValue = false;
          store(field, line.substr(start, i - start));
          ++field;
          // The character behind the closing quote is taken as the separator.
          start = i + 2;
          i += 2;
          continue;
        }
      }
    } else if (c == '"') {
      inQuotes = true;
      if (field == 1 || field == 2) {
        quotedValue = true;
        start = i + 1;
      }
    } else if (c == ',') {
      if (i > start) store(field, line.substr(start, i - start));
      ++field;
      start = i + 1;
    }
    ++i;
  }
  if (start < length) store(field, line.substr(start));
  return fields;
}

void ParseListLine(const std::string& line, FileItem& item) {
  const std::vector<std::string> fields = SplitListFields(line);
  for (size_t i = 0; i < fields.size(); ++i) {
    // An empty field keeps the record's default.
    if (!fields[i].empty()) StoreField(static_cast<int>(i + 1), fields[i], item);
  }
}
