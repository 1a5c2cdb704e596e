#pragma once
// The installing a run still owes: archives to extract, registry files to
// import and components to register whose files are current on disk but
// whose handler has not finished with them (a stop, a Close, a crash or a
// failed registration came first). The record lives beside the local list
// file; the next run puts these entries back on its work and clears each
// kind when its handler has finished. It can only point back at entries of
// the list the server publishes: an entry the list does not name is never
// acted on, whatever the record says. Portable.
#include <cstdint>
#include <string>
#include <vector>

#include "list/FileItem.h"

struct PendingEntry {
  int32_t kind = 0;       // FILE_KIND_REG, _REF, _ZIP, _ASM or _ZRG
  std::string localPath;  // m_strLocalPath of the list entry
};

class CPendingWork {
 public:
  // The kinds whose work a stop or a crash can leave undone and no later
  // run would otherwise do again.
  static bool IsRecordedKind(int32_t kind);

  bool Empty() const { return m_entries.empty(); }
  int Count() const { return static_cast<int>(m_entries.size()); }
  const std::vector<PendingEntry>& Entries() const { return m_entries; }

  // Paths compare without regard to ASCII case, as Windows does.
  bool Contains(int32_t kind, const std::string& localPath) const;
  // false when it was there already or the kind is not recorded.
  bool Add(int32_t kind, const std::string& localPath);
  // true when something was removed.
  bool ClearKind(int32_t kind);
  // Keeps only entries that an item of the list names (same kind and
  // path); true when something was removed.
  bool KeepListed(const FileItemList& items);

  // The record's text: a header line, then "kind<TAB>path" per entry (CRLF).
  std::string Serialize() const;
  // Reads a record; lines it does not understand are skipped, and a text
  // without the header yields nothing. At most kMaxEntries entries.
  static CPendingWork Parse(const std::string& text);

  static constexpr int kMaxEntries = 65536;
  static constexpr size_t kMaxPathLength = 1024;
  static constexpr size_t kMaxRecordBytes = 8u * 1024 * 1024;

 private:
  std::vector<PendingEntry> m_entries;
};

// The record's path beside the local list file.
std::string PendingWorkPathOf(const std::string& listLocalPath);
