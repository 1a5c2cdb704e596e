#pragma once
// Whether a program the handlers launch was started: one polarity for every
// launcher. The values are logged as "RetVal", so they stay as they are.
#include <cstdint>

enum LaunchResult : int16_t {
  LAUNCH_STARTED = 0,
  LAUNCH_NOT_STARTED = 1,
};
