#pragma once
// Logging for code that may run without the process log: the launcher before
// start-up created it, and tools and tests that never create one.
#include <cstdarg>
#include <string>

#include "util/MyLog.h"

inline void LogIfOpen(int level, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

inline void LogIfOpen(int level, const char* format, ...) {
  if (!g_pMyLog) return;
  va_list args;
  va_start(args, format);
  g_pMyLog->LogV(level, format, args);
  va_end(args);
}

// The system text of the last error, logged; empty without a log.
inline std::string LogLastErrorIfOpen() { return g_pMyLog ? g_pMyLog->LogLastErrorText() : std::string(); }

#ifdef _WIN32
#include <windows.h>
// The system text of an error code saved before other calls (the log's own
// writes among them) could change the thread's last error.
inline std::string LogErrorTextIfOpen(unsigned long errorCode) {
  ::SetLastError(static_cast<DWORD>(errorCode));
  return LogLastErrorIfOpen();
}
#endif
