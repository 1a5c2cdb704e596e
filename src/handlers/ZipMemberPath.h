#pragma once
// Where a zip member lands: the archive's folder joined with the member's
// name. Portable text rules; paths are CP949 with backslashes (no CP949 trail
// byte is a "\" or "/", so byte-wise splitting is safe).
#include <string>

// Every "/" turned into "\".
std::string ToBackslashPath(const std::string& path);
// The archive's path up to, not including, its last "\"; empty without one.
std::string ZipExtractDirOf(const std::string& zipPath);
// folder + "\" + member name; the bare name when the folder is empty.
std::string JoinZipTarget(const std::string& folder, const std::string& memberName);
// true when a member name (backslash form) would write outside the archive's
// folder: a leading "\" (root or network path), a ":" (drive, or a stream of
// another file), a part made of dots and blanks only that holds "..", a part
// that names a device ("NUL", "COM1.txt"), or a zero byte (the file system
// would see a shorter name).
// Such a part is refused even where later parts would come back inside.
bool IsZipMemberOutsideFolder(const std::string& memberName);
