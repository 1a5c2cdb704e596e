#include "handlers/RegistryFileCommand.h"

std::string RegistryFileParameters(const std::string& localPath) { return "-s \"" + localPath + "\""; }

std::string RegistryEditorPath(const std::string& windowsDir) { return windowsDir + "\\regedit.exe"; }

std::string RegistryFileFolder(const std::string& localPath) {
  const std::string::size_type slash = localPath.rfind('\\');
  return slash == std::string::npos ? std::string() : localPath.substr(0, slash + 1);
}
