#pragma once
// The overall progress line shown beside the total bar, by the run and by
// the handlers that step through their own entries.
#include <string>

// "%d / %d  (%3.1lf%%)".
std::string FormatTotalLine(int index, int total);
