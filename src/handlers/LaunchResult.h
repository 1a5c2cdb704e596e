#pragma once
// Whether a program the shell launchers start was started. Callers compare
// with the names, never with a bare 0 or 1: the values are logged as
// "RetVal" and so stay as they are (0 started). Launchers that return
// nothing to log say started with true.
#include <cstdint>

enum LaunchResult : int16_t {
  LAUNCH_STARTED = 0,
  LAUNCH_NOT_STARTED = 1,
};
