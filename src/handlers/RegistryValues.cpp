#include "handlers/RegistryValues.h"

#include "util/LogIfOpen.h"
#include "util/WinRegistry.h"

void GetReistryValueList(HKEY root, const std::string& key, std::vector<std::string>& list, REGSAM view) {
  list.clear();
  LogIfOpen(LOG_INFO, "CVantoExeDlg::GetReistryValueList> strSubKey = %s.", key.c_str());
  CRegistryKey registryKey;
  if (registryKey.Open(root, key, KEY_ALL_ACCESS | view) != ERROR_SUCCESS) return;
  // A value whose name is too long is skipped; any other failure ends the
  // listing (it would repeat at every index), as does the bound on values.
  for (DWORD index = 0; index < kMaxListedValues; ++index) {
    std::string name;
    const LONG status = registryKey.EnumValueName(index, name);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) {
      LogIfOpen(LOG_WARN, "CVantoExeDlg::GetReistryValueList> RegEnumValue() Fail, Index = %d, RetVal = %d",
                static_cast<int>(index), static_cast<int>(status));
      break;
    }
    std::string text;
    if (GetRegistryString(root, key, name, text, view) == 1 && !text.empty()) list.push_back(text);
  }
  registryKey.Close();
  LogIfOpen(LOG_INFO, "CVantoExeDlg::GetReistryValueList> Font count = %d.", static_cast<int>(list.size()));
}

int GetRegistryString(HKEY root, const std::string& key, const std::string& valueName, std::string& text, REGSAM view) {
  text.clear();
  CRegistryKey registryKey;
  if (registryKey.Open(root, key, KEY_ALL_ACCESS | view) != ERROR_SUCCESS) return 0;
  return registryKey.QueryText(valueName, 1024, text) == ERROR_SUCCESS ? 1 : 0;
}

int SetRegistryValue(HKEY root, const std::string& key, const std::string& valueName, const std::string& data,
                     REGSAM view) {
  CRegistryKey registryKey;
  if (registryKey.Create(root, key, KEY_ALL_ACCESS | view) != ERROR_SUCCESS) return 0;
  return registryKey.SetText(valueName, data) == ERROR_SUCCESS ? 1 : 0;
}

int ReadRegisterDWORD(HKEY root, const std::string& key, const std::string& valueName, long defaultValue,
                      long& result) {
  CRegistryKey registryKey;
  const LONG opened = registryKey.Create(root, key, KEY_READ);
  if (opened != ERROR_SUCCESS) {
    LogIfOpen(LOG_DEBUG, "CVantoExeDlg::ReadRegisterDWORD> RegCreateKeyEx() Fail, RetVal = %d",
              static_cast<int>(opened));
    LogErrorTextIfOpen(opened);
    return -1;
  }
  DWORD value = 0;
  const LONG read = registryKey.QueryDword(valueName, value);
  if (read != ERROR_SUCCESS) {
    result = defaultValue;
    registryKey.Close();
    LogIfOpen(LOG_DEBUG, "CVantoExeDlg::ReadRegisterDWORD> RegQueryValueEx() Fail, RetVal = %d",
              static_cast<int>(read));
    LogErrorTextIfOpen(read);
    return -2;
  }
  registryKey.Close();
  result = static_cast<long>(value);
  return 0;
}

int WritreRegisterDWORD(HKEY root, const std::string& key, const std::string& valueName, long value) {
  CRegistryKey registryKey;
  const LONG opened = registryKey.Create(root, key, KEY_WRITE);
  if (opened != ERROR_SUCCESS) {
    LogIfOpen(LOG_DEBUG, "CVantoExeDlg::WritreRegisterDWORD> RegCreateKeyEx() Fail, RetVal = %d",
              static_cast<int>(opened));
    LogErrorTextIfOpen(opened);
    return -1;
  }
  const LONG written = registryKey.SetDword(valueName, static_cast<DWORD>(value));
  if (written != ERROR_SUCCESS) {
    registryKey.Close();
    LogIfOpen(LOG_DEBUG, "CVantoExeDlg::WritreRegisterDWORD> RegSetValueEx() Fail, RetVal = %d",
              static_cast<int>(written));
    LogErrorTextIfOpen(written);
    return -2;
  }
  registryKey.Close();
  return 0;
}
