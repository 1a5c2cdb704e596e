#pragma once
// Where this process looks for DLLs. VantoExe runs as administrator, and its
// own folder and its working folder (which moves into target folders) may be
// writable by other users: no DLL is ever taken from them. Windows only.
#include <windows.h>

// Called first thing in main: from now on a DLL named without a path comes
// from the system folder only (SetDefaultDllDirectories, looked up at run
// time: Windows 7 has it only with update KB2533623), and the current folder
// is never searched (SetDllDirectory). The program ships no DLL of its own,
// so its folder is not searched either. false when SetDefaultDllDirectories
// is missing; the delay-imported system DLLs still come from the system
// folder by full path (LoadSystemLibrary, util/DelayImport.h).
bool RestrictDllSearch();

// true when this Windows knows the LOAD_LIBRARY_SEARCH_* flags.
bool HasDllSearchFlags();

// A system DLL by its full path in the system folder, its own dependencies
// from there too; nullptr for a name with a path in it or when it cannot be
// loaded. The loader of the delay-imported DLLs (util/DelayImport.h).
HMODULE LoadSystemLibrary(const char* name);

// LoadLibraryEx flags for a component loaded by its full path: its
// dependencies from its own folder and the system folder, not from the
// program's folder or the current folder.
DWORD ComponentLoadFlags();
