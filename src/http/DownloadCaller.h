#pragma once
// What a download needs from the run that calls it.
#include <cstdint>
#include <string>

#include "util/RunDisplay.h"

struct DownloadCaller {
  IRunDisplay& display;              // file bar and error rows
  const int32_t& nRequestStopFlag;   // 1: the user asked to stop
  std::string& strMsg;               // the run's message text, set with each error row
};
