#include "app/AppGlobals.h"

int32_t g_nStartFailFlag = 0;
char g_szCurrentDir[512] = "";
char g_szModuleDir[512] = "";
char g_szLocalIp[16] = "";
const char* const g_szExeNames[3] = {"VantoExe.exe", "VantoExeRun.exe", "VantoExeNew.exe"};
