#pragma once
// The working copy's look at the server's "VantoExe.exe" before the first
// run: when the server holds a different program file it is downloaded
// beside the installed one, checked to be a Windows program for this
// build's machine, moved over the installed one, a fresh copy of it is
// started and this copy ends without a result. Every failure is logged and
// the run goes on with the program as it is: a failed download or a refused
// file never touches the installed program.
#include <cstdint>
#include <functional>
#include <string>

#include "list/FileItem.h"

class CVantoCfg;
class IRunDisplay;
class IRunServices;

class CSelfUpdateCheck {
 public:
  // cfg null means there is no application object. certIgnoreFlag is the
  // run's m_nCertIgnoreFlag, restartFlag the application's m_nRestartFlag,
  // strMsg the run's message text.
  CSelfUpdateCheck(IRunDisplay& display, IRunServices& services, const CVantoCfg* cfg, int32_t& certIgnoreFlag,
                   int32_t& restartFlag, std::string& strMsg);

  // Starts the updated program ("VantoExeNew.exe" with "N"); -1 when there
  // was no program file to start, anything else when the hand-off was made
  // (or its failure shown to the user).
  std::function<int()> m_fnStartUpdatedCopy;
  // Moves the checked download over the installed program file; false on
  // failure. Unset: remove and rename.
  std::function<bool(const std::string& from, const std::string& to)> m_fnReplaceProgram;
  // Whether the downloaded file is a program for this build's machine.
  // Unset: the file's headers are read.
  std::function<bool(const std::string& path, std::string& why)> m_fnCheckProgram;

  // The whole check as the dialog's initialisation runs it in the "R" copy,
  // between its S and E lines; true when the program file was replaced and
  // the new copy started, so that the dialog ends at once.
  bool CheckAtDialogStart(const std::string& moduleDir, const std::string& exeName);

  // The program file's item from the program folder and file name; 1, or 0
  // when either is empty.
  int InitSelfFileInfo(const std::string& moduleDir, const std::string& exeName);
  // 1 updated (the new file is in place), 0 already current, -1 no
  // application object, -2 the server query or the download failed.
  int IsSelfFileUpdated();

 private:
  int DownloadSelfFile(FileItem& download);
  // Checks the downloaded file and moves it over the program; 0 or -2.
  int InstallDownloadedProgram(const std::string& downloaded);
  // Signed mode: checks the downloaded program's signature before it may
  // replace the installed one; false (logged, row, file deleted) otherwise.
  bool AcceptSignedProgram(const std::string& downloaded);

  IRunDisplay& m_display;
  IRunServices& m_services;
  const CVantoCfg* m_pCfg;
  int32_t& m_nCertIgnoreFlag;
  int32_t& m_nRestartFlag;
  std::string& m_strMsg;
  FileItem m_SelfFileItem;
};
