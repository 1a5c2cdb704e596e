#pragma once
// Shared file-system helpers of the download, the list stamp, the zip
// extraction and the launcher. Paths are CP949 with backslashes.
#include <string>

// Sets the modification time from a 14-digit YYYYMMDDhhmmss text; gmtFlag
// non-zero means the text is GMT. 0 done, -1 bad text or unreadable status.
int SetFileModifyDate(const std::string& filePath, const std::string& timeText, int gmtFlag);
// 0 done or nothing to do, -1 status unreadable.
int ClearReadOnlyProperty(const std::string& filePath);
// Creates every directory of the chain that leads to filePath.
void CreateDirectoryPath(const std::string& filePath);
