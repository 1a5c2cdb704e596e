#pragma once
// Starting programs through the shell: with the elevation verb "runas", so
// that Windows asks for elevation where the process is not elevated yet
// (shared by the execute handler and the component registration), and with
// "open" for the registry editor. Windows only.
#include <cstdint>
#include <string>

#include "handlers/LaunchResult.h"
#include "util/WinHandles.h"

class IRunDisplay;

// The started process, or an empty handle (logged). An empty parameter
// text passes no parameters at all.
UniqueHandle GetProcessHandleByShellExecute(const std::string& program, const std::string& parameters);

// Started (and, with wait not 0, ended) or not. The wait blocks without
// dispatching window messages.
LaunchResult StartExeFileByShellExecute(const std::string& program, const std::string& parameters, int wait);

// Started and ended, or the wait was given up because stopFlag became 1 (the
// program keeps running); or not started. While waiting, the window stays
// alive: one waiting message is dispatched per wake-up through the display.
LaunchResult StartExeFileByShellExecuteAndWaitClose(const std::string& program, const std::string& parameters,
                                                    IRunDisplay& display, const int32_t& stopFlag);

// ShellExecuteA with the verb "open" and no owner window; empty parameters
// or folder pass none. The shell's result: above 32 when the file was
// started. Nothing is waited for.
intptr_t ShellOpen(const std::string& file, const std::string& parameters, const std::string& folder, int show);
