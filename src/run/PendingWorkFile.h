#pragma once
// The pending-work record on disk. Written to a temporary file beside it and
// moved over the old record in one step, so that a kill at any moment leaves
// either the old record or the new one, never half of one. Windows only.
#include <string>

#include "run/PendingWork.h"

// An absent or unreadable record reads as no pending work.
CPendingWork ReadPendingWorkFile(const std::string& path);
// Writes the record (an empty one removes the file); false on failure, with
// the system's error code in errorCode.
bool WritePendingWorkFile(const std::string& path, const CPendingWork& work, unsigned long& errorCode);
