#pragma once
// The handlers of EXE/CMD, DEL and REF entries: programs started (and
// waited for where the entry asks), local files deleted, registry files
// imported with the registry editor. Windows only.
#include <cstdint>

#include "list/FileItem.h"

class IRunDisplay;

// Starts the program of every EXE/CMD entry with its arguments as written,
// waiting (with the window alive and Stop honoured) where the entry asks.
// 0 all started, -1 some could not be started.
int HandleExecuteTypeFiles(const FileItemList& cmdItems, IRunDisplay& display, const int32_t& stopFlag);

// Deletes the local file of every DEL entry; a failure is an error row only.
// Returns 0.
int HandleDeleteTypeFiles(const FileItemList& downItems, IRunDisplay& display);

// Starts the registry editor silently for one REF entry (not waited for);
// true when it was started.
bool ProcessRegistryFile(const FileItem& item);

// Imports every fetched REF entry; a file whose import could not be started
// is deleted, so that the next run fetches it again. 0 all started, -1 not.
using RegistryFileImport = bool (*)(const FileItem& item);
int HandleRegistryTypeFiles(const FileItemList& downItems, IRunDisplay& display,
                            RegistryFileImport import = ProcessRegistryFile);
