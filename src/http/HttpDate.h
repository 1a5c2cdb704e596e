#pragma once
// Server times: the Last-Modified header to the run's 14-digit time text.
#include <ctime>
#include <string>

// The header's calendar fields as a local time value; fileCompareGmtTime 0
// moves it 9 hours on. Texts that are not HTTP dates go to the platform's
// date parser; when that fails too, the current time.
std::time_t ParseHttpDate(const std::string& text, int fileCompareGmtTime);
// "%04d%02d%02d%02d%02d%02d" of the local calendar fields of t.
std::string FormatLocalTimeText(std::time_t t);
