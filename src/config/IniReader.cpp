#include "config/IniReader.h"

#include "config/CfgText.h"
#include "config/IniCrypt.h"
#include "config/IniFileAccess.h"
#include "util/MyLog.h"

std::string GetIniFileContent(const std::string& path, int* decrypted) {
  int decryptedFlag = 0;
  if (decrypted) *decrypted = 0;
  if (path.empty()) {
    if (g_pMyLog) g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::GetIniFileContent> unknown ini file path.");
    return std::string();
  }
  if (!IniFileExists(path)) return std::string();

  std::string text = DecryptIniFile(path, 1, &decryptedFlag);
  if (g_pMyLog) {
    if (!text.empty() && decryptedFlag == 1)
      g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::GetIniFileContent> File decrypt success.");
    else if (text.empty())
      g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::GetIniFileContent> content is empty.");
    else
      g_pMyLog->Log(LOG_DEBUG, "CVantoExeApp::GetIniFileContent> is not encrypted file.");
  }
  if (decrypted) *decrypted = decryptedFlag;
  return text;
}

void SplitContentLines(std::vector<std::string>& lines, char delimiter, const std::string& text,
                       char quote) {
  lines.clear();
  bool inQuote = false;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == quote) {
      inQuote = !inQuote;
    } else if (!inQuote && c == delimiter) {
      lines.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
}

std::string GetIniValue(const std::vector<std::string>& lines, const std::string& sectionName,
                        const std::string& key, const std::string& defaultValue) {
  if (lines.empty() || sectionName.empty() || key.empty()) return defaultValue;
  bool inSection = false;
  for (const std::string& raw : lines) {
    const std::string entry = TrimWhite(raw);
    if (entry.size() > 1 && entry.front() == '[' && entry.back() == ']') {
      // Only the first section of that name counts.
      if (inSection) return defaultValue;
      if (EqualsNoCaseMbcs(entry.substr(1, entry.size() - 2), sectionName)) inSection = true;
      continue;
    }
    if (!inSection) continue;
    const size_t equals = entry.find('=');
    if (equals == std::string::npos) continue;
    if (EqualsNoCaseMbcs(TrimWhite(entry.substr(0, equals)), key))
      return TrimWhite(entry.substr(equals + 1));
  }
  return defaultValue;
}

std::vector<std::string> ReadIniLines(const std::string& path) {
  std::vector<std::string> lines;
  std::string text = GetIniFileContent(path);
  if (text.empty()) return lines;
  std::string withoutCr;
  withoutCr.reserve(text.size());
  for (char c : text) {
    if (c != '\r') withoutCr.push_back(c);
  }
  SplitContentLines(lines, '\n', withoutCr, '"');
  return lines;
}
