#include "list/PublishedPaths.h"

#include "http/BackupPath.h"
#include "list/PublishChecks.h"

void CPublishedPaths::Add(const std::string& localPath) { m_keys.insert(WindowsPathKey(localPath)); }

bool CPublishedPaths::Contains(const std::string& localPath) const {
  return m_keys.count(WindowsPathKey(localPath)) != 0;
}

std::string CPublishedPaths::SeparatePartPathFor(const std::string& localPath, const std::string& backupPath) const {
  const std::wstring backupKey = WindowsPathKey(backupPath);
  const auto taken = [&](const std::string& path) { return Contains(path) || WindowsPathKey(path) == backupKey; };
  if (!taken(MakePartPath(localPath))) return std::string();
  for (int n = 1;; ++n) {
    const std::string candidate = localPath + ".part" + std::to_string(n) + "~";
    if (!taken(candidate)) return candidate;
  }
}

std::string CPublishedPaths::SeparateBackupPathFor(const std::string& localPath) const {
  if (!Contains(MakeBackupPath(localPath))) return std::string();
  for (int n = 0;; ++n) {
    const std::string candidate = localPath + ".backup" + (n ? std::to_string(n) : std::string()) + "~";
    if (!Contains(candidate)) return candidate;
  }
}
