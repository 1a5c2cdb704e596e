#pragma once
// Moves a file over another, clearing read-only attributes on the way;
// renames where it can, copies and deletes where it cannot. false on failure
// with the system's last error telling why (2 when the source is missing).
#include <string>

// What the file system says about a path. A path whose status cannot be
// read is not taken for a missing file: something may lie there.
enum class PathState { Absent, Present, Unreadable };
// error receives the system's error of a failed status query, else 0.
PathState QueryPathState(const std::string& path, unsigned long* error);

bool MoveFileReplacing(const std::string& source, const std::string& destination);
