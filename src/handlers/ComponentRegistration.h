#pragma once
// Registration of the components a run downloaded: COM servers (REG) by
// DllRegisterServer or regsvr32.exe, .NET assemblies (ASM) by RegAsm.exe,
// and zip archives of COM servers (ZRG), extracted beside themselves and
// registered file by file. Where regsvr32.exe is waited for (mode 2) its
// exit code decides; the WinExec routes cannot know and count launching as
// registering.
#include <string>

#include "list/FileItem.h"

class IRegistrationPlatform;
class IRunDisplay;

// The file name on a command line, in double quotes, so that a blank in it
// does not split it.
std::string QuoteCommandArgument(const std::string& text);

class CComponentRegistration {
 public:
  // registryMode: OCX_FILE_REGISTRY_MODE; message: the run's message text
  // (rows built here land there too).
  CComponentRegistration(IRunDisplay& display, IRegistrationPlatform& platform, int registryMode,
                         const std::string& systemDir, std::string& message);

  // REG entries (kind 2, m_nDownFlag 1) of list; 0 all done or list empty,
  // -1 an entry failed, -2 regsvr32.exe missing (nothing done).
  int HandleRegisterTypeFilesByRegSvr32(const FileItemList& list, int showFlag);
  // regsvr32.exe /s by WinExec in the file's folder; 1 started, -2 not.
  int ProcessRegisterFileByRegSvr32(const FileItem& item);
  // The same for an extracted file; 1 started, -1 empty path, -2 not started.
  int ProcessRegisterFile2ByRegSvr32(const std::string& path);

  // ASM entries (kind 8, m_nDownFlag 1); 0, -1 an entry failed, -2 RegAsm.exe missing.
  int HandleRegisterTypeFilesByRegAsm(const FileItemList& list, int showFlag);
  // RegAsm.exe of the first "v2.0." Framework folder that holds it, or empty.
  std::string GetRegAsmFilePath();
  // RegAsm.exe /silent by WinExec in the file's folder; 1 started, -2 not.
  int ProcessRegisterFileByRegAsm(const FileItem& item, const std::string& regAsmPath);

  // ZRG entries (kind 9, m_nDownFlag 1): extracted, then every file
  // registered; a failed archive or file is deleted. 0, or -1 on any failure.
  int HandleZipRegTypeFiles(const FileItemList& list, int showFlag);

  // "%s\regsvr32.exe" of the system directory.
  std::string RegSvr32Path() const { return m_strSystemDir + "\\regsvr32.exe"; }

 private:
  // Starts "tool switch "name"" hidden in the file's folder; the WinExec result.
  unsigned RunInFileFolder(const std::string& tool, const char* toolSwitch, const std::string& filePath);
  // Deletes a file whose processing failed; a failure is logged with the prefix.
  void DeleteFailedFile(const char* logPrefix, const std::string& path);

  IRunDisplay& m_display;
  IRegistrationPlatform& m_platform;
  int m_nRegistryMode;
  std::string m_strSystemDir;
  std::string& m_strMsg;
};
