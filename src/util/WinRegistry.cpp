#include "util/WinRegistry.h"

#include <vector>

LONG CRegistryKey::Open(HKEY root, const std::string& path, REGSAM access) {
  HKEY key = nullptr;
  const LONG status = ::RegOpenKeyExA(root, path.c_str(), 0, access, &key);
  m_key.reset(status == ERROR_SUCCESS ? key : nullptr);
  return status;
}

LONG CRegistryKey::Create(HKEY root, const std::string& path, REGSAM access) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  char emptyClass[] = "";
  const LONG status = ::RegCreateKeyExA(root, path.c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE, access, nullptr,
                                        &key, &disposition);
  m_key.reset(status == ERROR_SUCCESS ? key : nullptr);
  return status;
}

LONG CRegistryKey::EnumValueName(DWORD index, std::string& name) const {
  char buffer[260 + 1] = {};
  DWORD length = 260;
  const LONG status = ::RegEnumValueA(m_key.get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  name.assign(status == ERROR_SUCCESS ? buffer : "");
  return status;
}

LONG CRegistryKey::QueryText(const std::string& valueName, std::size_t bufferSize, std::string& text) const {
  std::vector<char> buffer(bufferSize, '\0');
  DWORD size = static_cast<DWORD>(bufferSize);
  const LONG status = ::RegQueryValueExA(m_key.get(), valueName.c_str(), nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(buffer.data()), &size);
  text.clear();
  if (status == ERROR_SUCCESS) {
    // Stored data need not end with a NUL.
    const std::size_t length = size < bufferSize ? size : bufferSize;
    std::size_t end = 0;
    while (end < length && buffer[end] != '\0') ++end;
    text.assign(buffer.data(), end);
  }
  return status;
}

LONG CRegistryKey::QueryDword(const std::string& valueName, DWORD& value) const {
  DWORD data = 0;
  DWORD size = sizeof(data);
  const LONG status =
      ::RegQueryValueExA(m_key.get(), valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size);
  if (status == ERROR_SUCCESS) value = data;
  return status;
}

LONG CRegistryKey::SetText(const std::string& valueName, const std::string& data) const {
  return ::RegSetValueExA(m_key.get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>(data.size() + 1));
}

LONG CRegistryKey::SetDword(const std::string& valueName, DWORD value) const {
  return ::RegSetValueExA(m_key.get(), valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value));
}
