#pragma once
// A registry key of the test's own below HKEY_CURRENT_USER, removed with
// everything under it afterwards; handlers use it as their root.
#include <windows.h>

#include <string>

class TestRegistryKey {
 public:
  TestRegistryKey() {
    m_path =
        "Software\\VantoUnitTest\\" + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(::GetTickCount());
    ::RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr);
  }
  ~TestRegistryKey() {
    ::RegCloseKey(m_key);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
  }
  TestRegistryKey(const TestRegistryKey&) = delete;
  TestRegistryKey& operator=(const TestRegistryKey&) = delete;

  HKEY root() const { return m_key; }
  const std::string& path() const { return m_path; }  // below HKEY_CURRENT_USER

  // Raw reads that bypass the code under test; nullptr/false when absent.
  bool ReadText(const std::string& key, const std::string& name, std::string* text) const {
    char buffer[1024] = {};
    DWORD size = sizeof(buffer) - 1;
    if (::RegGetValueA(m_key, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
      return false;
    *text = buffer;
    return true;
  }
  bool ReadDword(const std::string& key, const std::string& name, DWORD* value) const {
    DWORD size = sizeof(*value);
    return ::RegGetValueA(m_key, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, value, &size) == ERROR_SUCCESS;
  }

 private:
  std::string m_path;
  HKEY m_key = nullptr;
};
