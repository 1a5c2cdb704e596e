#pragma once
// The per-user browser setting the run turns off once per program run: the
// local-machine lockdown of Internet Explorer for "iexplore.exe". Windows only.
#include <windows.h>

extern const char* const kLockdownKey;
extern const char* const kLockdownValueName;

// With firstStartFlag 1, sets the value to 0 unless it is 0 already;
// problems are logged only. Returns 0. The root is HKEY_CURRENT_USER except
// in tests.
int UpdateRegisterKeyValue(int firstStartFlag, HKEY root = HKEY_CURRENT_USER);
