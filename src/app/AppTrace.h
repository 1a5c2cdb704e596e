#pragma once
// Logging for code that may run before the log exists (the launcher).
#include <cstdarg>

#include "util/MyLog.h"

inline void AppTrace(int level, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
inline void AppTrace(int level, const char* format, ...) {
  if (!g_pMyLog) return;
  va_list args;
  va_start(args, format);
  g_pMyLog->LogV(level, format, args);
  va_end(args);
}

inline void AppTraceLastError() {
  if (g_pMyLog) g_pMyLog->LogLastErrorText();
}
