#pragma once
// The clock the transfer paces its reads and its message dispatching by.
#include <cstdint>

// Milliseconds of a clock that never goes back; tests give their own.
using ProgressClock = int64_t (*)();
int64_t SteadyMilliseconds();
