#pragma once
// How a registry file is handed to the registry editor. Portable.
#include <string>

// "-s" and the file's path in double quotes, so that a folder with a blank
// in its name stays one argument.
std::string RegistryFileParameters(const std::string& localPath);
// The registry editor by its full path in the Windows folder: started by
// its bare name, the shell would look in the working folder first.
std::string RegistryEditorPath(const std::string& windowsDir);
// The file's folder with a trailing backslash; empty when the path has no
// backslash.
std::string RegistryFileFolder(const std::string& localPath);
