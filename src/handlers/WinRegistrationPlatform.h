#pragma once
// The component registration's system calls on Windows. Each call that can
// fail keeps the system's error code right away, before any log line can
// change it. Windows only.
#include "handlers/RegistrationPlatform.h"

class CWinRegistrationPlatform : public IRegistrationPlatform {
 public:
  bool Exists(const std::string& path) override;
  bool ChangeCurrentDirectory(const std::string& dir) override;
  unsigned RunHidden(const std::string& commandLine) override;
  unsigned long LastErrorCode() override { return m_dwLastError; }
  std::string LastErrorText() override;
  bool OleInitialize() override;
  void OleUninitialize() override;
  int ProcessRegistryFileByLoadLibrary(const FileItem* item) override;
  LaunchResult StartExeFileByShellExecute(const std::string& program, const std::string& parameters, int wait,
                                          unsigned long& exitCode) override;
  bool WindowsDirectory(std::string& dir) override;
  std::vector<FoundFile> FindFiles(const std::string& pattern) override;
  bool RemoveFile(const std::string& path) override;
  int ProcessZipFile(const FileItem& item, std::vector<std::string>* extracted) override;

 private:
  void KeepLastError();

  unsigned long m_dwLastError = 0;
};

// The in-process route of the registration: loads the component, calls its
// DllRegisterServer and frees it again. 1 registered; 0 no item or empty
// path; -1 not loaded; -2 no DllRegisterServer; -3 it returned a failure.
int ProcessRegistryFileByLoadLibrary(const FileItem* item);
