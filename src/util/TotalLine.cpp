#include "util/TotalLine.h"

#include <cstdio>

std::string FormatTotalLine(int index, int total) {
  char text[128];
  const double percent = total != 0 ? index * 100.0 / total : 0.0;
  std::snprintf(text, sizeof(text), "%d / %d  (%3.1lf%%)", index, total, percent);
  return text;
}
