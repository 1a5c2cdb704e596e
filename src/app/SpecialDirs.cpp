#include "app/SpecialDirs.h"

#include <windows.h>
#include <shlobj.h>

namespace {
struct ShellToken {
  const char* token;
  int csidl;
};
const ShellToken kShellTokens[] = {
    {"_FONTS", CSIDL_FONTS},     {"_WINDOWS", CSIDL_WINDOWS}, {"_DESKTOPDIRECTORY", CSIDL_DESKTOPDIRECTORY},
    {"_PROGRAMS", CSIDL_PROGRAMS}, {"_STARTUP", CSIDL_STARTUP}, {"_SYSTEM", CSIDL_SYSTEM},
    {"_PROGRAM_FILES", CSIDL_PROGRAM_FILES},
};
}  // namespace

void FillSpecialDirMap(SpecialDirMap& map, const ShellFolderQuery& folder, const PathExistsQuery& exists) {
  for (const ShellToken& entry : kShellTokens) {
    std::string path;
    if (!folder(entry.csidl, path)) path.clear();
    map[entry.token] = path;
  }
  std::string windows;
  FindSpecialDir(map, "_WINDOWS", windows);
  if (windows.empty()) {
    // Without the Windows folder there is no drive to build the 32-bit
    // folders on; an empty value never resolves into the drive root.
    map["_SYSTEM_32BIT"] = std::string();
    map["_PROGRAM_FILES_32BIT"] = std::string();
    return;
  }
  const std::string wow = windows + "\\SysWOW64";
  map["_SYSTEM_32BIT"] = exists(wow) ? wow : windows + "\\System32";
  const std::string drive(1, windows[0]);
  const std::string x86 = drive + ":\\Program Files (x86)";
  map["_PROGRAM_FILES_32BIT"] = exists(x86) ? x86 : drive + ":\\Program Files";
}

void FillSpecialDirMap(SpecialDirMap& map) {
  FillSpecialDirMap(
      map,
      [](int csidl, std::string& out) {
        char path[512] = "";
        if (!::SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE)) return false;
        out = path;
        return true;
      },
      [](const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; });
}
