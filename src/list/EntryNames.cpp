#include "list/EntryNames.h"

#include "http/BackupPath.h"

std::string EntryBackupPath(const FileItem& item) {
  return item.m_strBackupPath.empty() ? MakeBackupPath(item.m_strLocalPath) : item.m_strBackupPath;
}

std::string EntryPartPath(const FileItem& item) {
  return item.m_strPartPath.empty() ? MakePartPath(item.m_strLocalPath) : item.m_strPartPath;
}
