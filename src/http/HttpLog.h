#pragma once
// Log through the process log when it exists (tests and tools may run
// without one).
#include <cstdarg>

#include "util/MyLog.h"

inline void HttpLog(int level, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

inline void HttpLog(int level, const char* format, ...) {
  if (!g_pMyLog) return;
  va_list args;
  va_start(args, format);
  g_pMyLog->LogV(level, format, args);
  va_end(args);
}

// The system text of the last error, logged; empty without a log.
inline std::string HttpLogLastErrorText() { return g_pMyLog ? g_pMyLog->LogLastErrorText() : std::string(); }
