#pragma once
// The files of a publish folder as a web server publishes them: every
// regular file below it, with its path relative to the folder.
#include <string>
#include <vector>

#include "list/ListMaker.h"

// Paths in CP949 with "/" between folders, sorted. A name that CP949 cannot
// hold is left out with a note. False (with error) when the folder cannot
// be read.
bool ReadPublishFolder(const std::string& folder, std::vector<PublishedFile>& files, std::vector<std::string>& notes,
                       std::string& error);

// The path of file relative to folder ("/" between folders, CP949), or
// empty when file does not lie below folder.
std::string PathBelowFolder(const std::string& folder, const std::string& file);

// The path to open a published file by (folder as given, serverPath as
// ReadPublishFolder named it).
std::string LocalFileOf(const std::string& folder, const std::string& serverPath);

// Writes text to path through a temporary file beside it, so that a
// failure leaves the old file as it was. False with error on failure.
bool ReplaceFileWith(const std::string& path, const std::string& text, std::string& error);
