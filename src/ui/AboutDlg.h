#pragma once
// The about box (template 100): icon, version line, a note and OK.
#include <windows.h>

void ShowAboutBox(HWND owner);
