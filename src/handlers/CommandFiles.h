#pragma once
// The handlers of EXE/CMD, DEL and REF entries: programs started (and
// waited for where the entry asks), local files deleted, registry files
// imported with the registry editor. Windows only.
#include <cstdint>
#include <functional>
#include <string>

#include "list/FileItem.h"

class IRunDisplay;

// Starts the program of every EXE/CMD entry with its arguments as written,
// waiting (with the window alive and Stop honoured) where the entry asks.
// 0 all started, -1 some could not be started.
int HandleExecuteTypeFiles(const FileItemList& cmdItems, IRunDisplay& display, const int32_t& stopFlag);

// Deletes the local file of every DEL entry; a failure is an error row only.
// Returns 0.
int HandleDeleteTypeFiles(const FileItemList& downItems, IRunDisplay& display);

// Imports the registry file of one REF entry with the registry editor of
// the Windows folder (by its full path, never by bare name), silently, and
// waits for it (the window alive, at most kRegistryImportWaitMs, Stop
// honoured). 1 imported (exit code 0); -1 not started, failed or did not end
// in time; 0 the wait was given up for Stop (the editor goes on).
int ProcessRegistryFile(const FileItem& item, IRunDisplay& display, const int32_t& stopFlag,
                        const std::string& windowsDir);
constexpr unsigned long kRegistryImportWaitMs = 5 * 60 * 1000;

// Imports every fetched REF entry; a file whose import failed is deleted,
// so that the next run fetches it again. After Stop the remaining entries
// wait for the next run. 0 all imported, -1 not.
using RegistryFileImport = std::function<int(const FileItem& item)>;
int HandleRegistryTypeFiles(const FileItemList& downItems, IRunDisplay& display, const int32_t& stopFlag,
                            const std::string& windowsDir, const RegistryFileImport& import = nullptr);
