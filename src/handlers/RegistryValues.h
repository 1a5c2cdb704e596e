#pragma once
// The registry reads and writes of the font and start-up handlers, logged
// as the run logs them. The view flag (KEY_WOW64_64KEY or 0) is added to the
// access of every open. Texts are CP949. Windows only.
#include <windows.h>

#include <string>
#include <vector>

// The data texts of all values under root\key (empty when the key cannot
// be opened), at most kMaxListedValues of them.
constexpr DWORD kMaxListedValues = 100000;
void GetReistryValueList(HKEY root, const std::string& key, std::vector<std::string>& list, REGSAM view = 0);
// 1 a value was read (up to 1024 bytes), 0 otherwise.
int GetRegistryString(HKEY root, const std::string& key, const std::string& valueName, std::string& text,
                      REGSAM view = 0);
// Writes a REG_SZ value, creating the key; 1 written, 0 not.
int SetRegistryValue(HKEY root, const std::string& key, const std::string& valueName, const std::string& data,
                     REGSAM view = 0);

// 0 read; -1 the key could not be opened or created (result untouched);
// -2 no readable value (result = defaultValue).
int ReadRegisterDWORD(HKEY root, const std::string& key, const std::string& valueName, long defaultValue, long& result);
// 0 written; -1 key, -2 value.
int WritreRegisterDWORD(HKEY root, const std::string& key, const std::string& valueName, long value);
