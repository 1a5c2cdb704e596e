#include "run/AcceptedListTime.h"

#include <cstdlib>

#include "util/LogIfOpen.h"
#include "util/WinRegistry.h"

namespace {
const char kKeyPath[] = "SOFTWARE\\VantoExe\\AcceptedLists";
const char kPrefix[] = "CVantoExeDlg::AcceptedListTime> ";
}  // namespace

uint64_t LoadAcceptedListTime(const std::string& key) {
  CRegistryKey reg;
  LONG status = reg.Open(HKEY_LOCAL_MACHINE, kKeyPath, KEY_QUERY_VALUE | KEY_WOW64_32KEY);
  if (status == ERROR_FILE_NOT_FOUND) return 0;
  std::string text;
  if (status == ERROR_SUCCESS) status = reg.QueryText(key, 32, text);
  if (status == ERROR_FILE_NOT_FOUND) return 0;
  if (status != ERROR_SUCCESS) {
    LogIfOpen(LOG_WARN, "%sHKLM\\%s [%s] could not be read, ErrCode = %ld", kPrefix, kKeyPath, key.c_str(), status);
    return 0;
  }
  return std::strtoull(text.c_str(), nullptr, 10);
}

bool StoreAcceptedListTime(const std::string& key, uint64_t timestamp) {
  CRegistryKey reg;
  LONG status = reg.Create(HKEY_LOCAL_MACHINE, kKeyPath, KEY_SET_VALUE | KEY_WOW64_32KEY);
  if (status == ERROR_SUCCESS) status = reg.SetText(key, std::to_string(timestamp));
  if (status != ERROR_SUCCESS) {
    LogIfOpen(LOG_WARN, "%sHKLM\\%s [%s] could not be written, ErrCode = %ld", kPrefix, kKeyPath, key.c_str(), status);
    return false;
  }
  return true;
}
