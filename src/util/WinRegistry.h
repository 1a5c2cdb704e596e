#pragma once
// A registry key that closes itself, with one thin member per registry call.
// Each member returns the call's status (ERROR_SUCCESS or the system's error
// code); the callers decide what to log. Texts are CP949. Windows only.
#ifdef _WIN32
#include <windows.h>

#include <cstddef>
#include <string>

#include "util/WinHandles.h"

class CRegistryKey {
 public:
  // RegOpenKeyExA. The access may carry a view flag (KEY_WOW64_64KEY).
  LONG Open(HKEY root, const std::string& path, REGSAM access);
  // RegCreateKeyExA: empty class, non-volatile; an existing key is opened.
  LONG Create(HKEY root, const std::string& path, REGSAM access);
  // RegEnumValueA: the name of the value at index (names up to 260 characters).
  LONG EnumValueName(DWORD index, std::string& name) const;
  // RegQueryValueExA into a buffer of bufferSize bytes; the text ends at
  // the first NUL or at the end of the data.
  LONG QueryText(const std::string& valueName, std::size_t bufferSize, std::string& text) const;
  // RegQueryValueExA of 4 bytes.
  LONG QueryDword(const std::string& valueName, DWORD& value) const;
  // RegSetValueExA as REG_SZ (with its terminating NUL) or REG_DWORD.
  LONG SetText(const std::string& valueName, const std::string& data) const;
  LONG SetDword(const std::string& valueName, DWORD value) const;

  void Close() { m_key.reset(); }
  explicit operator bool() const { return static_cast<bool>(m_key); }

 private:
  UniqueHKey m_key;
};
#endif
