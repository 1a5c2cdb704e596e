#include "ListRules.h"

#ifdef _WIN32
#include <windows.h>

#include "app/SpecialDirs.h"
#endif

namespace {
#ifdef _WIN32
// This machine's folders for the special-directory tokens, as the client
// finds them at start-up.
void FillMachineFolders(LocalPathRules& rules) {
  FillSpecialDirMap(rules.specialDirs);
  char buffer[MAX_PATH] = "";
  if (::GetSystemDirectoryA(buffer, sizeof(buffer))) rules.systemDir = buffer;
  if (::GetWindowsDirectoryA(buffer, sizeof(buffer))) rules.windowsDir = buffer;
}
#else
// No Windows folders here: tokens and folder names stay as written.
void FillMachineFolders(LocalPathRules& rules) {
  rules.systemDir = "%SystemDir%";
  rules.windowsDir = "%SystemRoot%";
}
#endif
}  // namespace

ListEntryRules MachineListRules(const std::string& targetDir, const std::string& excludeDirs) {
  ListEntryRules rules;
  rules.paths.targetDir = WithTrailingBackslash(targetDir);
  FillMachineFolders(rules.paths);
  rules.excludePrefixes = SplitExcludeDirs(excludeDirs);
  return rules;
}
