#pragma once
// The rule "never lose the last good file" of a download, in one place.
// Before the local path is written the old file is moved beside itself (the
// backup path); after a failure it is moved back. Without an old file a
// failed download removes its partial file, and a second attempt never takes
// the first attempt's partial file for the old one. Failures to move are
// logged and shown as error rows; they never change the download's result.
#include <string>

#include "http/DownloadCaller.h"

class CDownloadBackup {
 public:
  CDownloadBackup(const std::string& localPath, DownloadCaller& caller);

  const std::string& BackupPath() const { return m_strBackupPath; }

  // Before the local path is opened for writing, in every attempt: moves the
  // old file to the backup once per download; later attempts delete their
  // predecessor's partial file instead. A failed move is reported and the
  // download goes on.
  void SecureOldFile();

  // After a failure once the transfer began (a write, stop, no data, close,
  // size): row "백업 파일 복원 실패(backup path). : ...".
  void Restore();
  // After the local path could not be opened for writing: row
  // "백업 파일 복구 실패(backup path). : ...".
  void RestoreAfterOpenFailure();
  // After a failure before this attempt's transfer: only when an earlier
  // attempt had moved the old file away.
  void RestoreBeforeTransfer();
  // After a transport error ended the download; nothing to do when nothing
  // was moved or written yet.
  void RestoreAfterError();

  // The download succeeded: the backup goes.
  void DeleteBackup();

 private:
  // Moves the backup over the local path; false with the system's error.
  bool MoveBack();
  // Moves back; a failure is logged with both paths and shown as a row of
  // rowFormat with the backup path, and drops a partial file.
  void RestoreWithRow(const char* rowFormat);
  void DropPartialFile();

  std::string m_strLocalPath;
  std::string m_strBackupPath;
  DownloadCaller& m_caller;
  bool m_bSecured = false;     // the old file was moved away, or there was none
  bool m_bBackupMade = false;  // the old file sits at the backup path
};
