#pragma once
// The local files a list publishes, and where the old version of each may
// wait during its download. The usual place is beside the file with its
// extension once more (a.dll -> a.dll.dll); when the list publishes a file
// of that very name, that file is no backup and must never be deleted or
// moved over a.dll, so the backup of a.dll goes to a name the list does
// not publish (a.dll.backup~, or a.dll.backup1~ and so on). Every other
// entry keeps the usual name, so that backups left by earlier versions are
// still found.
#include <set>
#include <string>

class CPublishedPaths {
 public:
  // A local path the list publishes (compared as Windows compares names).
  void Add(const std::string& localPath);
  bool Contains(const std::string& localPath) const;
  // Empty when the usual backup name is free; else a name the list does not publish.
  std::string SeparateBackupPathFor(const std::string& localPath) const;
  // The same for the file the new content is written to (a.dll.part~): it
  // must be neither a published file nor the entry's backup (a file named
  // x.part~ has the backup x.part~.part~).
  std::string SeparatePartPathFor(const std::string& localPath, const std::string& backupPath) const;

 private:
  std::set<std::wstring> m_keys;
};
