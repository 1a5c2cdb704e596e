#pragma once
// Reads a list file exactly as the client does, so that the administrators'
// check and the client never disagree about a line.
#include <cstdio>
#include <string>
#include <vector>

#include "list/FileItem.h"
#include "list/LocalPathResolver.h"

// One read of the list file: at most 1022 characters of a physical line.
struct ListPiece {
  std::string text;  // without its trailing LF
  int line = 0;      // 1-based physical line the piece belongs to
};

class CListFileScanner {
 public:
  CListFileScanner() = default;
  ~CListFileScanner();
  CListFileScanner(const CListFileScanner&) = delete;
  CListFileScanner& operator=(const CListFileScanner&) = delete;

  // Text-mode reading: CR LF arrives as LF, a Ctrl-Z ends the file.
  // False when the file cannot be opened (LastError() says why).
  bool Open(const std::string& path);
  // False after the last piece.
  bool ReadPiece(ListPiece& piece);
  // fclose's result, 0 when nothing was open.
  int Close();
  // The system's error code of a failed Open.
  int LastError() const { return m_nLastError; }

  static constexpr size_t kMaxPieceLength = 1022;

 private:
  // The next character after text-mode translation; EOF at the end.
  int NextChar();

  FILE* m_pFile = nullptr;
  bool m_bEnded = false;  // end of the file or Ctrl-Z reached
  int m_nLine = 1;
  int m_nLastError = 0;
};

// What became of one piece.
enum class ListLineOutcome {
  Skipped,       // empty line or comment ("#", "!")
  NoServerPath,  // field 1 empty: nothing to fetch or delete
  Excluded,      // target path begins with an EXCLUDE_DIRS prefix
  Entry,         // an entry with its local path resolved
};

struct ListEntryRules {
  LocalPathRules paths;
  std::vector<std::string> excludePrefixes;
};

// EXCLUDE_DIRS split at "," (quotes protect a comma); empty prefixes are
// dropped, since an empty one would exclude every entry.
std::vector<std::string> SplitExcludeDirs(const std::string& excludeDirs);

// Parses one piece into item, completes the target path, applies the
// exclusion and resolves the local path.
ListLineOutcome PrepareListEntry(const std::string& line, FileItem& item, const ListEntryRules& rules);
