#include "http/DownloadErrorRow.h"

#include <cstdio>

#include "util/LogIfOpen.h"

void AddDownloadErrorRow(DownloadCaller& caller, const char* format, const std::string& path, DWORD error) {
  ::SetLastError(error);
  const std::string text = LogLastErrorIfOpen();
  if (text.empty()) return;
  char row[4096];
  std::snprintf(row, sizeof(row), format, path.c_str(), text.c_str());
  caller.strMsg = row;
  caller.display.AddListMessage(LIST_ROW_ERROR, caller.strMsg);
}
