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
// dispatching window messages. After a wait, exitCode (when given) receives
// the program's exit code (STILL_ACTIVE when the wait failed).
LaunchResult StartExeFileByShellExecute(const std::string& program, const std::string& parameters, int wait,
                                        unsigned long* exitCode = nullptr);

// Started and ended, or the wait was given up because stopFlag became 1 (the
// program keeps running); or not started. While waiting, the window stays
// alive: one waiting message is dispatched per wake-up through the display.
LaunchResult StartExeFileByShellExecuteAndWaitClose(const std::string& program, const std::string& parameters,
                                                    IRunDisplay& display, const int32_t& stopFlag);

// ShellExecuteA with the verb "open" and no owner window; empty parameters
// or folder pass none. The shell's result: above 32 when the file was
// started. Nothing is waited for.
intptr_t ShellOpen(const std::string& file, const std::string& parameters, const std::string& folder, int show);
// The same through ShellExecuteExA, keeping the started process (empty
// when the shell handed the file on without one).
intptr_t ShellOpenProcess(const std::string& file, const std::string& parameters, const std::string& folder, int show,
                          UniqueHandle& process);

enum class ProcessWaitEnd { Ended, Stopped, TimedOut, Failed };
// Waits for a process to end, at most timeoutMs, dispatching one waiting
// window message per wake-up and giving up as soon as stopFlag is 1. Ended:
// exitCode holds the process's exit code.
ProcessWaitEnd WaitForProcessEnd(HANDLE process, IRunDisplay& display, const int32_t& stopFlag,
                                 unsigned long timeoutMs, unsigned long& exitCode);
