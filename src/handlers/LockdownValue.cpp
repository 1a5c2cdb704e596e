#include "handlers/LockdownValue.h"

#include "handlers/RegistryValues.h"
#include "util/LogIfOpen.h"

const char* const kLockdownKey =
    "Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_LOCALMACHINE_LOCKDOWN";
const char* const kLockdownValueName = "iexplore.exe";

int UpdateRegisterKeyValue(int firstStartFlag, HKEY root) {
  if (firstStartFlag == 0) return 0;
  long value = 0;
  // A missing value reads as -1; a key that cannot be opened leaves 0.
  ReadRegisterDWORD(root, kLockdownKey, kLockdownValueName, -1, value);
  if (value == 0) return 0;
  LogIfOpen(LOG_DEBUG, "CVantoExeDlg::UpdateRegisterKeyValue> iexplore.exe System Registry Value : %ld", value);
  const int r = WritreRegisterDWORD(root, kLockdownKey, kLockdownValueName, 0);
  if (r != 0)
    LogIfOpen(LOG_ERROR, "CVantoExeDlg::UpdateRegisterKeyValue> WritreRegisterDWORD() Fail, RetVal = %d", r);
  else
    LogIfOpen(LOG_ERROR, "CVantoExeDlg::UpdateRegisterKeyValue> Success To Set System Registry Value, Value = %d",
              static_cast<int>(value));
  return 0;
}
