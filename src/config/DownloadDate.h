#pragma once
// The date of the last completed download ("_UpdateD.ini" in TARGET_DIR) and
// the rule that uses LAST_LIST_FILE_NAME while that download is recent.
#include <ctime>
#include <string>

#include "config/VantoCfg.h"

constexpr const char kDefaultDownloadDate[] = "20190101";

// Up to 8 digits from "_UpdateD.ini" below targetDir, or "20190101" when the
// directory is empty, the file or key is missing, or a character is no digit.
std::string ReadDownloadDate(const std::string& targetDir);

// Whole days from the recorded date's 23:59:59 local time to now, truncated
// toward zero (negative for a future date). The date's parts are clamped.
long DaysSinceDownloadDate(const std::string& date, std::time_t now);

// Sets m_strLastDownDate from TARGET_DIR (the INI path also replaces a date
// that is not 8 characters long) and switches LIST_FILE_NAME to
// LAST_LIST_FILE_NAME when the download is younger than
// LAST_CHECK_DAY_INTERVAL days.
void ApplyLastListFileRule(CVantoCfg& cfg, bool requireEightDigits, std::time_t now);
