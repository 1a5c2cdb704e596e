#pragma once
// Message boxes of the application: CP949 text, the application's title.
#include <windows.h>

#include <string>

// Returns the button pressed (IDOK, IDYES, ...).
int ShowAppMessage(const std::string& text, UINT type = MB_OK);
// The system's text for an error code (user default language), without the
// trailing line break; empty when the system has none.
std::string GetSystemErrorText(DWORD code);
