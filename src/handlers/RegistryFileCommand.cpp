#include "handlers/RegistryFileCommand.h"

#include "util/PathText.h"

std::string RegistryFileParameters(const std::string& localPath) { return "-s \"" + localPath + "\""; }

std::string RegistryEditorPath(const std::string& windowsDir) { return windowsDir + "\\regedit.exe"; }

std::string RegistryFileFolder(const std::string& localPath) {
  return HasBackslash(localPath) ? FolderOfPath(localPath) + "\\" : std::string();
}
