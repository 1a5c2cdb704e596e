// vantoctl list check: shows, before a list file is published, how clients
// will read every line of it, and warns about lines that cannot work as
// meant. Uses the client's own reading code and makes no server request.
// vantoctl list make (ListMake.cpp) writes one.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "SigningKeys.h"
#include "ListMake.h"
#include "ListRules.h"
#include "list/ListFileScanner.h"
#include "list/ListLineHazards.h"
#include "list/ListLineParser.h"
#include "list/PublishChecks.h"
#include "util/TextConv.h"

namespace {
const char kUsage[] = "list check PATH --target-dir DIR [--exclude-dirs TEXT] [--all-reg 0|1]";

std::string JsonText(const std::string& cp949) {
  const std::string utf8 = Cp949ToUtf8(cp949);
  std::string out = "\"";
  for (char ch : utf8) {
    const unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7f) {
          char escaped[8];
          std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
          out += escaped;
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

// Warnings are UTF-8, like the entries.
void Warn(const std::string& cp949) {
  std::fprintf(stderr, "vantoctl: warning: %s\n", Cp949ToUtf8(cp949).c_str());
}

// Errors: lines clients read otherwise than they are written.
void Error(const std::string& cp949) {
  std::fprintf(stderr, "vantoctl: error: %s\n", Cp949ToUtf8(ShowControlCharacters(cp949)).c_str());
}

// A Ctrl-Z ends the list for clients (text-mode reading): the physical line
// it stands on when anything but blanks follows it, else 0.
int LineOfEarlyEnd(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t ctrlZ = bytes.find('\x1a');
  if (ctrlZ == std::string::npos) return 0;
  if (bytes.find_first_not_of(" \t\r\n\x1a", ctrlZ) == std::string::npos) return 0;
  int line = 1;
  for (size_t i = 0; i < ctrlZ; ++i)
    if (bytes[i] == '\n') ++line;
  return line;
}

// A double quote still open at the end of the line: the quoted value went
// on in the next line (a line end inside a name) or lost its closing quote.
bool EndsInsideQuotes(const std::string& text) {
  bool inQuotes = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (inQuotes && text[i] == '\\') {
      ++i;
    } else if (text[i] == '"') {
      inQuotes = !inQuotes;
    }
  }
  return inQuotes;
}

// What of one piece clients misread; empty when nothing.
std::string PieceError(const ListPiece& piece, bool continuesLine, const std::vector<std::string>& fields) {
  const std::string head = "line " + std::to_string(piece.line) + ": ";
  if (continuesLine)
    return head + "longer than " + std::to_string(kClientLineLimit) +
           " characters: clients read it in pieces, each as a line of its own";
  if (piece.text.empty() || piece.text[0] == '#' || piece.text[0] == '!') return std::string();
  const std::string control = DescribeControlCharacterIn(piece.text);
  if (!control.empty()) return head + "holds " + control + ": " + piece.text;
  if (EndsInsideQuotes(piece.text))
    return head + "a double quote does not close on this line (a line end inside a quoted name?): " + piece.text;
  // A comma in a name written without quotes moves the later fields.
  const char* const kQuoteIt = " (a comma in a name needs the name in double quotes)";
  if (fields.size() > 7) return head + std::to_string(fields.size()) + " fields, a line has at most 7" + kQuoteIt;
  if (fields.size() >= 6 && !fields[5].empty() && fields[5].find_first_not_of("0123456789") != std::string::npos)
    return head + "field 6 (the size) is no number: \"" + fields[5] + "\"" + kQuoteIt;
  if (fields.size() >= 5 && !fields[4].empty()) {
    size_t digits = 0;
    for (char c : fields[4]) digits += c >= '0' && c <= '9';
    if (digits != 14) return head + "field 5 (the time) is no time: \"" + fields[4] + "\"" + kQuoteIt;
  }
  return std::string();
}

// A field 7 meant as a digest that clients will not read as one.
bool IsMistypedDigest(const std::string& field7) {
  if (field7.size() < 7 || !ParseDigestField(field7).empty()) return false;
  std::string tag = field7.substr(0, 7);
  for (char& c : tag)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return tag == "sha256:";
}

int Check(const std::vector<std::string>& args) {
  std::string path;
  std::string targetDir;
  std::string excludeDirs;
  int allReg = 0;
  bool haveTarget = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--target-dir" && hasValue) {
      targetDir = args[++i];
      haveTarget = true;
    } else if (arg == "--exclude-dirs" && hasValue) {
      excludeDirs = args[++i];
    } else if (arg == "--all-reg" && hasValue) {
      const std::string value = args[++i];
      if (value != "0" && value != "1") return VantoctlUsageError("--all-reg takes 0 or 1");
      allReg = value == "1";
    } else if (arg.compare(0, 2, "--") == 0) {
      return VantoctlUsageError("unknown or incomplete option '" + arg + "'; usage: " + kUsage);
    } else if (path.empty()) {
      path = arg;
    } else {
      return VantoctlUsageError(std::string("too many arguments; usage: ") + kUsage);
    }
  }
  if (path.empty() || !haveTarget || targetDir.empty())
    return VantoctlUsageError(std::string("usage: ") + kUsage);

  const ListEntryRules rules = MachineListRules(targetDir, excludeDirs);

  CListFileScanner scanner;
  if (!scanner.Open(path)) return VantoctlUsageError("cannot open list file '" + path + "'");

  int entries = 0;
  int excluded = 0;
  int noServerPath = 0;
  int regCopies = 0;
  int warnings = 0;
  int errors = 0;
  if (const int line = LineOfEarlyEnd(path)) {
    Error("line " + std::to_string(line) + ": a Ctrl-Z (0x1A) ends the list for clients; no line after it is read");
    ++errors;
  }
  std::vector<ListedEntry> fetched;  // entries clients act on, for the collision check
  ListPiece piece;
  int lastLine = 0;
  while (scanner.ReadPiece(piece)) {
    const bool continuesLine = piece.line == lastLine;
    lastLine = piece.line;
    const std::string pieceError = PieceError(piece, continuesLine, SplitListFields(piece.text));
    if (!pieceError.empty()) {
      Error(pieceError);
      ++errors;
    }
    FileItem item;
    const ListLineOutcome outcome = PrepareListEntry(piece.text, item, rules);
    if (outcome == ListLineOutcome::Skipped) continue;
    if (outcome == ListLineOutcome::NoServerPath) {
      ++noServerPath;
      std::fprintf(stderr, "vantoctl: line %d has no server path (field 1); clients skip it\n", piece.line);
      continue;
    }
    const bool isExcluded = outcome == ListLineOutcome::Excluded;
    if (isExcluded) ++excluded;
    else ++entries;
    if (!isExcluded && allReg && item.m_nFileType == FILE_KIND_REG) ++regCopies;
    const ListedEntry listed{piece.line, item};
    if (!isExcluded) fetched.push_back(listed);
    if (const char cut = RequestCutCharacter(item.m_strFilePath)) {
      Warn(DescribeCutPath(listed, cut));
      ++warnings;
    }
    const std::vector<std::string> fields = SplitListFields(piece.text);
    if (fields.size() >= 7 && IsMistypedDigest(fields[6])) {
      Warn(DescribeEntryProblem(listed, "field 7 is not \"sha256:\" and 64 hex digits; clients ignore it"));
      ++warnings;
    }
    std::printf(
        "{\"line\": %d, \"m_strFilePath\": %s, \"m_strTargetPath\": %s, \"m_strLocalPath\": %s, \"m_nFileType\": %d, "
        "\"m_nSysFileFlag\": %d, \"m_nPassFlag\": %d, \"m_nWaitFlag\": %d, \"m_strArgument\": %s, "
        "\"m_strModifyTime\": %s, \"m_strFileSize\": %s, \"m_strSha256\": %s, \"excluded\": %s}\n",
        piece.line, JsonText(item.m_strFilePath).c_str(), JsonText(item.m_strTargetPath).c_str(),
        JsonText(item.m_strLocalPath).c_str(), item.m_nFileType, item.m_nSysFileFlag, item.m_nPassFlag,
        item.m_nWaitFlag, JsonText(item.m_strArgument).c_str(), JsonText(item.m_strModifyTime).c_str(),
        JsonText(item.m_strFileSize).c_str(), JsonText(item.m_strSha256).c_str(), isExcluded ? "true" : "false");
  }
  std::fflush(stdout);
  for (const LocalPathCollision& c : FindLocalPathCollisions(fetched)) {
    Warn(DescribeCollision(fetched[c.later], fetched[c.earlier]));
    ++warnings;
  }
  std::fprintf(stderr,
               "vantoctl: %d entries, %d excluded, %d without server path; with ALL_REG_FLAG %d, %d REG entries "
               "are registered on every run; %d warnings, %d errors\n",
               entries, excluded, noServerPath, allReg, regCopies, warnings, errors);
  return errors ? 1 : 0;
}

const char kListSignUsage[] = "list sign LIST --secret FILE [--legacy] [--trusted-comment TEXT]";

int ListCommand(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "check") return Check(args);
  if (!args.empty() && args[0] == "sign")
    return SignFileCommand(std::vector<std::string>(args.begin() + 1, args.end()), kListSignUsage);
  if (!args.empty() && args[0] == "make") return ListMake(args);
  return VantoctlUsageError(std::string("usage: vantoctl ") + kUsage + "\n       vantoctl " + kListMakeUsage +
                            "\n       vantoctl " + kListSignUsage);
}

const std::string kListUsage = std::string(kUsage) + "\n  " + kListMakeUsage + "\n  " + kListSignUsage;
const VantoctlCommand kListCommand("list", kListUsage.c_str(), ListCommand);
}  // namespace
