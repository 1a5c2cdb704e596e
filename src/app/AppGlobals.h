#pragma once
// Process-wide values of the application, shared by start-up, the launchers
// and the exit sequence.
#include <cstdint>

// 1: start refused before the log existed; 2: the work was handed to a copy
// of this program, or the launch name was refused. Either skips every exit
// action.
extern int32_t g_nStartFailFlag;
extern char g_szCurrentDir[512];  // current directory at start, restored at exit
extern char g_szModuleDir[512];   // folder of the running program, no trailing backslash
extern char g_szLocalIp[16];      // local IPv4 address text
// 0 the installed program, 1 the working copy, 2 the copy after a self-update.
extern const char* const g_szExeNames[3];
