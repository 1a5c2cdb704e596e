#include "http/DownloadBackup.h"

#include <windows.h>

#include "http/BackupPath.h"
#include "http/DownloadErrorRow.h"
#include "http/DownloadLog.h"
#include "http/DurableFile.h"
#include "http/FileMove.h"
#include "util/FileUtil.h"
#include "util/LogIfOpen.h"

namespace {
const char* const kPrefix = kDownloadLogPrefix;
const char kRestoreRow[] = "백업 파일 복원 실패(%s). : %s";
}  // namespace

CDownloadBackup::CDownloadBackup(const std::string& localPath, DownloadCaller& caller)
    : CDownloadBackup(localPath, std::string(), caller) {}

CDownloadBackup::CDownloadBackup(const std::string& localPath, const std::string& backupPath, DownloadCaller& caller)
    : m_strLocalPath(localPath),
      m_strBackupPath(backupPath.empty() ? MakeBackupPath(localPath) : backupPath),
      m_caller(caller) {}

void CDownloadBackup::PutBackLeftover() {
  unsigned long error = 0;
  if (QueryPathState(m_strBackupPath, &error) != PathState::Present) return;
  LogIfOpen(LOG_INFO, "%sPut Back Backup File Of An Interrupted Download(%s -> %s)", kPrefix,
            m_strBackupPath.c_str(), m_strLocalPath.c_str());
  if (MoveFileReplacing(m_strBackupPath, m_strLocalPath)) return;
  error = ::GetLastError();
  LogIfOpen(LOG_DEBUG, "%sRestore Backup File Fail(%s -> %s), ErrCode = %d", kPrefix, m_strBackupPath.c_str(),
            m_strLocalPath.c_str(), static_cast<int>(error));
  AddDownloadErrorRow(m_caller, kRestoreRow, m_strBackupPath, error);
}

bool CDownloadBackup::SecureOldFile() {
  if (m_old != OldFile::Unknown) return true;  // a later attempt writes its partial file anew
  // The backup path may hold the last good file (see PutBackLeftover):
  // never replace it.
  unsigned long error = 0;
  const PathState backup = QueryPathState(m_strBackupPath, &error);
  if (backup != PathState::Absent) {
    ReportNotSecured(backup == PathState::Present ? static_cast<unsigned long>(ERROR_ALREADY_EXISTS) : error);
    return false;
  }
  switch (QueryPathState(m_strLocalPath, &error)) {
    case PathState::Absent:
      m_old = OldFile::None;
      return true;
    case PathState::Unreadable:
      ReportNotSecured(error);
      return false;
    case PathState::Present:
      m_old = OldFile::AtItsPath;
      return true;
  }
  return false;
}

bool CDownloadBackup::PutInPlace(const std::string& partPath, bool keepOldFile) {
  bool copyKept = false;
  if (m_old == OldFile::AtItsPath) {
    // A read-only old file is replaced like any other.
    ClearReadOnlyProperty(m_strLocalPath);
    // A copy, so that the old file stays at its path until the one move.
    if (keepOldFile) copyKept = ::CopyFileA(m_strLocalPath.c_str(), m_strBackupPath.c_str(), TRUE) != FALSE;
  }
  if (ReplaceFileDurably(partPath, m_strLocalPath)) return true;
  const DWORD error = ::GetLastError();
  if (copyKept) ::DeleteFileA(m_strBackupPath.c_str());
  if (m_old == OldFile::AtItsPath && IsHeldOpenError(error)) return PutInPlaceAroundHeldFile(partPath, error);
  LogIfOpen(LOG_ERROR, "%sMove Down File Fail(%s -> %s), ErrCode = %d", kPrefix, partPath.c_str(),
            m_strLocalPath.c_str(), static_cast<int>(error));
  AddDownloadErrorRow(m_caller, "로컬 파일 열기 실패(%s). : %s", m_strLocalPath, error);
  return false;
}

bool CDownloadBackup::PutInPlaceAroundHeldFile(const std::string& partPath, unsigned long refusal) {
  LogIfOpen(LOG_INFO, "%sFile In Use, Moved To The Backup Before It Is Replaced(%s -> %s), ErrCode = %d", kPrefix,
            m_strLocalPath.c_str(), m_strBackupPath.c_str(), static_cast<int>(refusal));
  // Never over a backup: SecureOldFile found the backup path free.
  if (!::MoveFileExA(m_strLocalPath.c_str(), m_strBackupPath.c_str(), MOVEFILE_WRITE_THROUGH)) {
    ReportNotSecured(::GetLastError());
    return false;
  }
  m_old = OldFile::AtBackupPath;
  if (ReplaceFileDurably(partPath, m_strLocalPath)) return true;
  const DWORD error = ::GetLastError();
  LogIfOpen(LOG_ERROR, "%sMove Down File Fail(%s -> %s), ErrCode = %d", kPrefix, partPath.c_str(),
            m_strLocalPath.c_str(), static_cast<int>(error));
  AddDownloadErrorRow(m_caller, "로컬 파일 열기 실패(%s). : %s", m_strLocalPath, error);
  Restore();
  return false;
}

void CDownloadBackup::ReportNotSecured(unsigned long error) {
  LogIfOpen(LOG_DEBUG, "%sFailed to copy backup files.(%s -> %s), ErrCode = %d", kPrefix, m_strLocalPath.c_str(),
            m_strBackupPath.c_str(), static_cast<int>(error));
  AddDownloadErrorRow(m_caller, "백업 파일 복사 실패(%s). : %s", m_strLocalPath, error);
  LogIfOpen(LOG_ERROR, "%sThe old file could not be backed up, so it is left untouched.(%s)", kPrefix,
            m_strLocalPath.c_str());
}

void CDownloadBackup::Restore() { RestoreWithRow(kRestoreRow); }

void CDownloadBackup::RestoreAfterOpenFailure() { RestoreWithRow("백업 파일 복구 실패(%s). : %s"); }

void CDownloadBackup::RestoreBeforeTransfer() {
  if (m_old == OldFile::None) Restore();
}

void CDownloadBackup::RestoreAfterError() {
  if (m_old == OldFile::Unknown || m_old == OldFile::AtItsPath) return;
  if (MoveBack()) return;
  const DWORD error = ::GetLastError();
  LogIfOpen(LOG_DEBUG, "%sRestore Backup File Fail, ErrCode = %d", kPrefix, static_cast<int>(error));
  AddDownloadErrorRow(m_caller, kRestoreRow, m_strBackupPath, error);
}

void CDownloadBackup::DeleteBackup() {
  LogIfOpen(LOG_DEBUG, "%sDelete Backup File(%s)", kPrefix, m_strBackupPath.c_str());
  if (m_old != OldFile::AtBackupPath) return;  // the one replacing move made none
  ClearReadOnlyProperty(m_strBackupPath);
  ::DeleteFileA(m_strBackupPath.c_str());
}

void CDownloadBackup::RestoreWithRow(const char* rowFormat) {
  if (m_old == OldFile::AtItsPath) return;
  if (MoveBack()) return;
  const DWORD error = ::GetLastError();
  LogIfOpen(LOG_DEBUG, "%sRestore Backup File Fail(%s -> %s), ErrCode = %d", kPrefix, m_strBackupPath.c_str(),
            m_strLocalPath.c_str(), static_cast<int>(error));
  AddDownloadErrorRow(m_caller, rowFormat, m_strBackupPath, error);
}

bool CDownloadBackup::MoveBack() {
  if (!MoveFileReplacing(m_strBackupPath, m_strLocalPath)) return false;
  m_old = OldFile::AtItsPath;
  return true;
}

void SettleLeftoverBackup(const std::string& localPath, bool fileIsCurrent, const char* logPrefix) {
  SettleLeftoverBackup(localPath, std::string(), fileIsCurrent, logPrefix);
}

void SettleLeftoverBackup(const std::string& localPath, const std::string& separateBackupPath, bool fileIsCurrent,
                          const char* logPrefix) {
  const std::string backupPath = separateBackupPath.empty() ? MakeBackupPath(localPath) : separateBackupPath;
  unsigned long error = 0;
  if (QueryPathState(backupPath, &error) != PathState::Present) return;
  if (fileIsCurrent) {
    LogIfOpen(LOG_INFO, "%sDelete Backup File Of A Finished Download(%s)", logPrefix, backupPath.c_str());
    ClearReadOnlyProperty(backupPath);
    ::DeleteFileA(backupPath.c_str());
    return;
  }
  LogIfOpen(LOG_INFO, "%sPut Back Backup File Of An Interrupted Download(%s -> %s)", logPrefix, backupPath.c_str(),
            localPath.c_str());
  if (!MoveFileReplacing(backupPath, localPath)) {
    LogIfOpen(LOG_DEBUG, "%sRestore Backup File Fail(%s -> %s), ErrCode = %d", logPrefix, backupPath.c_str(),
              localPath.c_str(), static_cast<int>(::GetLastError()));
  }
}
