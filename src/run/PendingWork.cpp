#include "run/PendingWork.h"

#include <algorithm>
#include <cstdlib>

namespace {
const char kHeader[] = "VantoExe pending work 1";

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SamePath(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool Matches(const PendingEntry& entry, int32_t kind, const std::string& path) {
  return entry.kind == kind && SamePath(entry.localPath, path);
}
}  // namespace

bool CPendingWork::IsRecordedKind(int32_t kind) {
  return kind == FILE_KIND_REG || kind == FILE_KIND_REF || kind == FILE_KIND_ZIP || kind == FILE_KIND_ASM ||
         kind == FILE_KIND_ZRG;
}

bool CPendingWork::Contains(int32_t kind, const std::string& localPath) const {
  for (const PendingEntry& entry : m_entries)
    if (Matches(entry, kind, localPath)) return true;
  return false;
}

bool CPendingWork::Add(int32_t kind, const std::string& localPath) {
  if (!IsRecordedKind(kind) || localPath.empty() || localPath.size() > kMaxPathLength) return false;
  if (localPath.find_first_of("\r\n") != std::string::npos) return false;
  if (Contains(kind, localPath) || Count() >= kMaxEntries) return false;
  m_entries.push_back({kind, localPath});
  return true;
}

bool CPendingWork::ClearKind(int32_t kind) {
  const size_t before = m_entries.size();
  m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                 [kind](const PendingEntry& entry) { return entry.kind == kind; }),
                  m_entries.end());
  return m_entries.size() != before;
}

bool CPendingWork::KeepListed(const FileItemList& items) {
  const size_t before = m_entries.size();
  m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                 [&items](const PendingEntry& entry) {
                                   for (const std::unique_ptr<FileItem>& item : items)
                                     if (Matches(entry, item->m_nFileType, item->m_strLocalPath)) return false;
                                   return true;
                                 }),
                  m_entries.end());
  return m_entries.size() != before;
}

std::string CPendingWork::Serialize() const {
  std::string text = std::string(kHeader) + "\r\n";
  for (const PendingEntry& entry : m_entries) text += std::to_string(entry.kind) + "\t" + entry.localPath + "\r\n";
  return text;
}

CPendingWork CPendingWork::Parse(const std::string& text) {
  CPendingWork work;
  size_t pos = 0;
  bool headerSeen = false;
  while (pos < text.size() && pos < kMaxRecordBytes) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!headerSeen) {
      // Anything else (a stamp, a damaged file) is no record at all.
      if (line != kHeader) return work;
      headerSeen = true;
      continue;
    }
    const size_t tab = line.find('\t');
    if (tab == 0 || tab == std::string::npos || tab > 2) continue;
    const std::string kindText = line.substr(0, tab);
    if (kindText.find_first_not_of("0123456789") != std::string::npos) continue;
    work.Add(static_cast<int32_t>(std::atoi(kindText.c_str())), line.substr(tab + 1));
  }
  return work;
}

std::string PendingWorkPathOf(const std::string& listLocalPath) { return listLocalPath + ".pending"; }
