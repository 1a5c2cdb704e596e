#pragma once
// The rule "never lose the last good file" of a download, in one place.
//
// A download writes its new content beside the file (x.dll.part~) and the
// finished file takes the old one's place in one replacing move, so the
// path holds the old file until the new one is complete, flushed and
// dated, and the new one from then on. Only a file held open (a running
// program, a loaded DLL: Windows renames it but neither replaces nor
// deletes it) takes two steps: the old file moves to the backup path
// (x.dll -> x.dll.dll, README -> README.backup), then the new one to the
// path; a failure in between moves the old one back.
// - An old file that cannot be kept is never touched: the download ends
//   with -3 (a path whose status cannot be read, a held-open file that
//   cannot be renamed, a backup that could not be put back).
// - A path whose status cannot be read is not taken for a missing file.
// - Without an old file a failure says that nothing could be restored.
// - A backup found at any other time was left by a download that did not
//   end (the process was killed, the power failed, or a run of an earlier
//   version of this program wrote at the path). It is the last good file and is never
//   overwritten with what lies at the local path. The next run settles it
//   when it decides about the file: when the file is current (time and
//   size as on the server) the download had finished and only its clean-up
//   was cut short, so the backup is deleted; otherwise it is put back. A
//   download puts back a backup it still finds before anything else.
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
  // An old file is at the path (false: there was none), known after
  // SecureOldFile.
  bool HasOldFile() const { return m_old == OldFile::AtItsPath || m_old == OldFile::AtBackupPath; }

  // First thing of a download: a backup left by an interrupted download is
  // put back over whatever that download left at the local path. When it
  // cannot be put back it stays, and SecureOldFile refuses to replace it.
  void PutBackLeftover();

  // Before the new content is written, in every attempt: learns whether an
  // old file is there; nothing is moved. false when an old file may exist
  // and could not be kept safe: logged, shown as the row
  // "백업 파일 복사 실패(local path). : ...", nothing touched.
  bool SecureOldFile();

  // The complete new file at partPath takes the local path's place. One
  // replacing move; for an old file held open the two steps through the
  // backup path (logged). keepOldFile: the old file stays as the backup (a
  // new file whose time could not be set is not current, and the next
  // run's decision puts the old one back before it fetches again). false
  // when the new file could not take the place (logged, shown): the old
  // file is at its path again (or, when it could not be moved back, at the
  // backup path, reported).
  bool PutInPlace(const std::string& partPath, bool keepOldFile = false);

  // After a failure once the transfer began (a write, stop, no data, close,
  // gzip, size): row "백업 파일 복원 실패(backup path). : ...". Nothing to
  // do while the old file is at its path.
  void Restore();
  // After the new file could not be opened for writing: row
  // "백업 파일 복구 실패(backup path). : ...".
  void RestoreAfterOpenFailure();
  // After a failure before this attempt's transfer: only when an earlier
  // attempt had found no old file (the row says nothing was restored).
  void RestoreBeforeTransfer();
  // After a transport error ended the download; nothing to do when nothing
  // was found or written yet.
  void RestoreAfterError();

  // The download succeeded: a backup the two steps made goes (while its
  // program still runs it cannot, and the next run's decision settles it).
  void DeleteBackup();

 private:
  enum class OldFile {
    Unknown,       // not looked at yet
    None,          // nothing at the path: the download is the first copy
    AtItsPath,     // the old file stays at its path until the new one replaces it
    AtBackupPath,  // a held-open old file was moved aside for the new one
  };

  // Moves the backup over the local path; false with the system's error.
  bool MoveBack();
  // Moves back when the old file is not at its path; a failure is logged
  // with both paths and shown as a row of rowFormat with the backup path.
  void RestoreWithRow(const char* rowFormat);
  // The two steps for an old file held open; error is the refusal of the
  // one replacing move.
  bool PutInPlaceAroundHeldFile(const std::string& partPath, unsigned long error);
  // Logs and shows why the old file stays where it is.
  void ReportNotSecured(unsigned long error);

  std::string m_strLocalPath;
  std::string m_strBackupPath;
  DownloadCaller& m_caller;
  OldFile m_old = OldFile::Unknown;
};

// After the update decision about the file at localPath: a backup beside it
// is deleted when the file is current, else put back (both logged with
// logPrefix; a failed put-back is left to the download). Not for system
// files, whose decision only asks whether they exist.
void SettleLeftoverBackup(const std::string& localPath, bool fileIsCurrent, const char* logPrefix);
// The same for the backup at backupPath (empty: the usual name).
void SettleLeftoverBackup(const std::string& localPath, const std::string& backupPath, bool fileIsCurrent,
                          const char* logPrefix);
