#pragma once
// An error row of the download: the system text of an error, logged, then
// shown as the run's message text, e.g. "로컬 파일 열기 실패(%s). : %s".
#include <windows.h>

#include <string>

#include "http/DownloadCaller.h"

// format takes the path and the error text. error is the system error the
// row explains (logging may change the thread's last error in between).
// Without a log (empty text) no row is added.
void AddDownloadErrorRow(DownloadCaller& caller, const char* format, const std::string& path, DWORD error);
