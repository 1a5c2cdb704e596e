#include "list/ListFileScanner.h"

#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#endif

#include "list/ListLineParser.h"
#include "util/Tokenizer.h"

CListFileScanner::~CListFileScanner() { Close(); }

bool CListFileScanner::Open(const std::string& path) {
  Close();
  m_bEnded = false;
  m_nLine = 1;
  m_nLastError = 0;
#ifdef _WIN32
  m_pFile = std::fopen(path.c_str(), "rb");
  if (!m_pFile) {
    m_nLastError = static_cast<int>(::GetLastError());
    return false;
  }
#else
  std::string native = path;
  for (char& c : native)
    if (c == '\\') c = '/';
  m_pFile = std::fopen(native.c_str(), "rb");
  if (!m_pFile) {
    m_nLastError = errno;
    return false;
  }
#endif
  return true;
}

// The same translation on every platform as the Windows runtime's text
// mode: CR before LF is dropped, Ctrl-Z is the end of the file. The file is
// read as it goes, never held whole: a list file of any size costs one piece.
int CListFileScanner::NextChar() {
  if (m_bEnded || !m_pFile) return EOF;
  const int c = std::getc(m_pFile);
  if (c == EOF || c == 0x1A) {
    m_bEnded = true;
    return EOF;
  }
  if (c == '\r') {
    const int next = std::getc(m_pFile);
    if (next == '\n') return '\n';
    if (next != EOF) std::ungetc(next, m_pFile);
  }
  return c;
}

bool CListFileScanner::ReadPiece(ListPiece& piece) {
  std::string raw;
  while (raw.size() < kMaxPieceLength) {
    const int c = NextChar();
    if (c == EOF) break;
    raw += static_cast<char>(c);
    if (c == '\n') break;
  }
  if (raw.empty()) return false;
  piece.line = m_nLine;
  const bool endsLine = raw.back() == '\n';
  if (endsLine) ++m_nLine;
  // The line is a C string: a NUL byte ends it.
  const size_t nul = raw.find('\0');
  if (nul != std::string::npos) {
    raw.resize(nul);
  } else if (endsLine) {
    raw.pop_back();
  }
  piece.text = raw;
  return true;
}

int CListFileScanner::Close() {
  if (!m_pFile) return 0;
  const int result = std::fclose(m_pFile);
  m_pFile = nullptr;
  return result;
}

std::vector<std::string> SplitExcludeDirs(const std::string& excludeDirs) {
  std::vector<std::string> tokens;
  TokenizeString(tokens, ",", excludeDirs);
  std::vector<std::string> prefixes;
  for (const std::string& token : tokens)
    if (!token.empty()) prefixes.push_back(token);
  return prefixes;
}

ListLineOutcome PrepareListEntry(const std::string& line, FileItem& item, const ListEntryRules& rules) {
  if (line.empty() || line[0] == '#' || line[0] == '!') return ListLineOutcome::Skipped;
  ParseListLine(line, item);
  if (item.m_strFilePath.empty()) return ListLineOutcome::NoServerPath;

  if (item.m_strTargetPath.empty()) item.m_strTargetPath = item.m_strFilePath;
  for (char& c : item.m_strTargetPath)
    if (c == '/') c = '\\';
  item.m_strLocalPath = item.m_strTargetPath;

  for (const std::string& prefix : rules.excludePrefixes) {
    if (item.m_strTargetPath.compare(0, prefix.size(), prefix) == 0) return ListLineOutcome::Excluded;
  }
  ResolveLocalPath(item, rules.paths);
  return ListLineOutcome::Entry;
}
