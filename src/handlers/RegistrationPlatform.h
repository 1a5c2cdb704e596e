#pragma once
// What the component registration asks of the system, one thin call each:
// the machine implements it over Win32 (WinRegistrationPlatform), tests with
// a script. Paths are CP949.
#include <cstdint>
#include <string>
#include <vector>

#include "handlers/LaunchResult.h"
#include "list/FileItem.h"

// Attribute bits of a folder entry (the Windows file attribute values).
enum FoundFileAttribute : uint32_t {
  FOUND_ATTRIBUTE_HIDDEN = 0x2,
  FOUND_ATTRIBUTE_SYSTEM = 0x4,
  FOUND_ATTRIBUTE_DIRECTORY = 0x10,
  FOUND_ATTRIBUTE_TEMPORARY = 0x100,
};

struct FoundFile {
  std::string name;
  uint32_t attributes = 0;
};

// WinExec returns a value above 31 when the program was started, an error
// code (0..31) otherwise.
constexpr unsigned kWinExecLastErrorResult = 31;
inline bool WinExecStarted(unsigned result) { return result > kWinExecLastErrorResult; }

class IRegistrationPlatform {
 public:
  virtual ~IRegistrationPlatform() = default;

  virtual bool Exists(const std::string& path) = 0;
  // The process's current directory; false when it could not be changed.
  virtual bool ChangeCurrentDirectory(const std::string& dir) = 0;
  // WinExec with SW_HIDE; WinExecStarted tells whether the result means started.
  virtual unsigned RunHidden(const std::string& commandLine) = 0;
  // The system's error code of the last failed call made here, and its
  // text (logged; empty when the system has none).
  virtual unsigned long LastErrorCode() = 0;
  virtual std::string LastErrorText() = 0;
  // true when OleInitialize succeeded (then OleUninitialize is owed).
  virtual bool OleInitialize() = 0;
  virtual void OleUninitialize() = 0;
  // The in-process route: 1 registered; 0 no item or path; -1 not loaded;
  // -2 no DllRegisterServer; -3 DllRegisterServer failed.
  virtual int ProcessRegistryFileByLoadLibrary(const FileItem* item) = 0;
  // Starts a program through the shell ("runas"). With wait not 0 it is
  // waited for and exitCode receives its exit code.
  virtual LaunchResult StartExeFileByShellExecute(const std::string& program, const std::string& parameters, int wait,
                                                  unsigned long& exitCode) = 0;
  // false when the system call failed.
  virtual bool WindowsDirectory(std::string& dir) = 0;
  // The entries matching a pattern such as "C:\x\*.*", in the order the
  // file system returns them.
  virtual std::vector<FoundFile> FindFiles(const std::string& pattern) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;
  // Extracts an archive beside itself; 1 or a negative result.
  virtual int ProcessZipFile(const FileItem& item, std::vector<std::string>* extracted) = 0;
};
