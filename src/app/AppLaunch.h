#pragma once
// Copy-and-start of the program's own copies and of the companion programs,
// the two ways of starting a process, and stopping a running copy before it
// is replaced. Everything logs only when the log exists: the launcher runs
// these before there is one.
#include <cstdint>
#include <string>

// mode "R" -> VantoExeRun.exe, otherwise VantoExeNew.exe, both beside the
// program. 0 done (started, or the copy or start failed and was reported),
// -1 "VantoExe.exe" was not found for copying.
int CopyAndStartSelf(const char* mode);
// 1 kill attempted, 0 empty path, -1 no ".", -2 file not found, -4 no killer.
int KillVantoExe(const std::string& path);
// 0 started, -1 failed.
int16_t StartExeByShellExecute(const std::string& path, const std::string& argument);
int16_t StartExeByCreateProcess(const std::string& path, const std::string& argument, const std::string& title);
// Major Windows version, 0 when unknown.
int GetOsMajorVersion();
// Starts the Run twin of path (refreshed from path first) in path's folder.
// 0 started or empty path, -1 bad path, -4 not started.
int CopyAndRun(const std::string& path, const std::string& argument, const std::string& title);
// As CopyAndRun; an Internet Explorer path starts the installed IE instead,
// and the call waits until the new process is ready for input.
int CopyAndRunLoomBrowser(const std::string& path, const std::string& argument, const std::string& title);
// Stop the browser's Run twin / the browser 5 itself. 0 done or empty path,
// -1 bad path, file not found or no killer.
int KillLoomBrowserRun(const std::string& path);
int KillLoomBrowser5Run(const std::string& path);
// Internet Explorer: "<Program Files> (x86)\Internet Explorer\IEXPLORE.EXE"
// when that file exists, else "<Program Files>\Internet Explorer\IEXPLORE.EXE".
std::string GetInternetExplorerPath(bool* x86Exists = nullptr, std::string* x86Path = nullptr,
                                    std::string* plainPath = nullptr);
