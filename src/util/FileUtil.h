#pragma once
// Shared file-system helpers of the download, the list stamp, the zip
// extraction and the launcher. Paths are CP949 with backslashes.
#include <string>

// Sets the modification time from a 14-digit YYYYMMDDhhmmss text, read as
// local calendar time; gmtFlag non-zero means the text is GMT and the
// zone's bias (and the daylight bias, when daylight saving is in effect
// now) is added. Other times and the attributes stay as they were.
// 0 done; -1 text not 14 characters long or file status unreadable;
// -2 text is no calendar time (file untouched); -3 time could not be written.
int SetFileModifyDate(const std::string& filePath, const std::string& timeText, int gmtFlag);
// 0 done or nothing to do, -1 status unreadable.
int ClearReadOnlyProperty(const std::string& filePath);
// Creates every directory of the chain that leads to filePath (the part
// before its last backslash). Failures are silent: they show when the file
// is opened.
void CreateDirectoryPath(const std::string& filePath);
