#pragma once
// The rule "never lose the last good file" of a download, in one place.
//
// While a file downloads, its old version waits beside it at the backup
// path (x.dll -> x.dll.dll, README -> README.backup); after a failure it is
// moved back, after success deleted. So at every moment the disk holds the
// old file (at its path or as the backup) or the complete new one:
// - An old file that cannot be moved to the backup path is never touched:
//   the download ends with -3 before the local path is opened.
// - A path whose status cannot be read is not taken for a missing file.
// - Without an old file a failed download removes its partial file, and a
//   second attempt never takes the first attempt's partial file for the old
//   one.
// - A backup found at any other time was left by a download that did not
//   end (the process was killed, the power failed). It is the last good
//   file and is never overwritten with what lies at the local path. The
//   next run settles it when it decides about the file: when the file is
//   current (time and size as on the server) the download had finished and
//   only its clean-up was cut short, so the backup is deleted; otherwise it
//   is put back. A download puts back a backup it still finds before
//   anything else.
// Failures to move back are logged and shown as error rows; they never
// change the download's result.
#include <string>

#include "http/DownloadCaller.h"

class CDownloadBackup {
 public:
  CDownloadBackup(const std::string& localPath, DownloadCaller& caller);
  // backupPath empty: the usual name beside the file (MakeBackupPath).
  CDownloadBackup(const std::string& localPath, const std::string& backupPath, DownloadCaller& caller);

  const std::string& BackupPath() const { return m_strBackupPath; }
  // The old file waits at the backup path (false: there was none).
  bool HasOldFile() const { return m_bBackupMade; }

  // First thing of a download: a backup left by an interrupted download is
  // put back over whatever that download left at the local path. When it
  // cannot be put back it stays, and SecureOldFile refuses to replace it.
  void PutBackLeftover();

  // Before the local path is opened for writing, in every attempt: moves the
  // old file to the backup once per download; later attempts delete their
  // predecessor's partial file instead. false when an old file exists (or
  // may exist) and could not be secured: logged, shown as the row
  // "백업 파일 복사 실패(local path). : ...", nothing touched.
  bool SecureOldFile();

  // After a failure once the transfer began (a write, stop, no data, close,
  // gzip, size): row "백업 파일 복원 실패(backup path). : ...".
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
  // Logs and shows why the old file stays where it is.
  void ReportNotSecured(unsigned long error);

  std::string m_strLocalPath;
  std::string m_strBackupPath;
  DownloadCaller& m_caller;
  bool m_bSecured = false;     // the old file was moved away, or there was none
  bool m_bBackupMade = false;  // the old file sits at the backup path
};

// After the update decision about the file at localPath: a backup beside it
// is deleted when the file is current, else put back (both logged with
// logPrefix; a failed put-back is left to the download). Not for system
// files, whose decision only asks whether they exist.
void SettleLeftoverBackup(const std::string& localPath, bool fileIsCurrent, const char* logPrefix);
// The same for the backup at backupPath (empty: the usual name).
void SettleLeftoverBackup(const std::string& localPath, const std::string& backupPath, bool fileIsCurrent,
                          const char* logPrefix);
