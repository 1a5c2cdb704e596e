#pragma once
// Folder tokens ("_FONTS", "_SYSTEM_32BIT", ...) that list entries may put in
// front of a target path, mapped to the folders of this machine. Filled once
// at start-up by the application; readers get it by const reference.
// Keys compare exactly (case-sensitive); values carry no trailing backslash.
#include <map>
#include <string>

using SpecialDirMap = std::map<std::string, std::string>;

// Copies the folder of token into out and returns true; leaves out unchanged
// and returns false for an unknown token.
inline bool FindSpecialDir(const SpecialDirMap& map, const std::string& token, std::string& out) {
  const auto it = map.find(token);
  if (it == map.end()) return false;
  out = it->second;
  return true;
}
