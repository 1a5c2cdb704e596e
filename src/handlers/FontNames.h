#pragma once
// The names a font entry is installed under, and where the machine records
// its fonts. Portable; texts are CP949.
#include <string>
#include <vector>

// Font registry keys below HKEY_LOCAL_MACHINE: the first where the Windows
// folder holds "SysWOW64" (64-bit Windows), the second elsewhere.
extern const char* const kFontKeyWow64;
extern const char* const kFontKey;
const char* FontRegistryKeyFor(bool hasSysWow64Folder);

// Text behind the last backslash of the local path (all of it without one).
std::string FontFileNameOf(const std::string& localPath);
// The file name up to its last "."; unchanged when there is no "." or the
// only one is the first character.
std::string FontValueNameOf(const std::string& fontFileName);
// True when data equals one of the recorded strings, ignoring the case of
// Latin letters (Korean double-byte characters compare exactly).
bool IsFontRecorded(const std::vector<std::string>& recorded, const std::string& data);
bool EqualsIgnoringCaseCp949(const std::string& a, const std::string& b);
