#pragma once
// Texts the run shows in the dialog, built from an entry and a result.
#include <string>

#include "util/TotalLine.h"

// The row for a failed download: the code's own text, or (for a code
// without one) the bare failure line.
std::string BuildDownloadFailureText(const std::string& filePath, int code);
// "1234567" -> "1,234,567"; anything not a plain digit string is left as is.
std::string FormatSizeWithCommas(const std::string& digits);
// The part of a server path behind its last "/".
std::string DisplayNameOf(const std::string& filePath);
// DOWNLOAD_BASE_URL "/" path, backslashes turned into "/".
std::string BuildFileUrl(const std::string& baseUrl, const std::string& filePath);
