#pragma once
// Moves a file over another, clearing read-only attributes on the way;
// renames where it can, copies and deletes where it cannot. false on failure
// with the system's last error telling why (2 when the source is missing).
#include <string>

bool MoveFileReplacing(const std::string& source, const std::string& destination);
