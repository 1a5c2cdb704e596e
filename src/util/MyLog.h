#pragma once
// The program's trace: one line per event, hourly files, optional byte
// inversion, old files removed by the date in their name.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "util/LogTags.h"  // the frozen tags that open log lines: read before logging

enum VantoLogLevel : int {
  LOG_DEBUG = 1,
  LOG_INFO = 2,
  LOG_WARN = 3,
  LOG_ERROR = 4,
  LOG_FATAL = 5,
  LOG_UNKNOWN = 100,
};

class CMyLog {
 public:
  CMyLog();
  ~CMyLog();
  CMyLog(const CMyLog&) = delete;
  CMyLog& operator=(const CMyLog&) = delete;

  int16_t Init(const char* folder, const char* prefix, int16_t retentionDays,
               const char* minLevelName, int16_t encodeFlag);
  int16_t Log(int level, const char* format, ...)
#if defined(__MINGW_PRINTF_FORMAT)
      // mingw's plain "printf" means the old msvcrt dialect (no %zu, %lld).
      __attribute__((format(__MINGW_PRINTF_FORMAT, 3, 4)))
#elif defined(__GNUC__)
      __attribute__((format(printf, 3, 4)))
#endif
      ;
  int16_t LogV(int level, const char* format, va_list args);
  int16_t WriteLine(int level, const char* levelName, const char* message);
  // System text of the calling thread's last error; also logged.
  std::string LogLastErrorText();

  static const char* GetLevelName(int level, char* out10);
  static int GetLevelFromName(const char* name);

  int DeleteOldLogs();
  int CreateLogDirectory();
  void Reset();

  // Test seam: the clock the writer reads (local time, milliseconds).
  // Null restores the system clock.
  struct LocalTime { int year, month, day, hour, minute, second, millisecond; };

  // Lines a thread holds back while it works on one entry of a parallel
  // run, so that each entry's lines are written together and in list order.
  struct HeldLine {
    LocalTime time;  // when it was logged
    char levelName[10];
    std::string message;
  };
  using HeldLines = std::vector<HeldLine>;
  // While held is set, the calling thread's lines (of any log) go there
  // instead of the file; null writes them again.
  static void HoldThreadLines(HeldLines* held);
  // Writes held lines, each with the time it was logged at.
  void WriteHeld(const HeldLines& lines);
  using ClockFn = LocalTime (*)();
  void SetClockForTest(ClockFn clock) { m_clock = clock; }

 private:
  LocalTime Now() const;
  // The line's time goes into the line; the clock decides the file.
  int16_t WriteLineAt(const LocalTime& t, const LocalTime& clock, const char* levelName, const char* message);
  int OpenNewFileAt(const LocalTime& now);

  std::string m_strFolder;
  std::string m_strPrefix;
  int32_t m_nRetentionDays = 0;
  int32_t m_nMinLevel = 0;
  FILE* m_pFile = nullptr;
  int32_t m_nFileOk = 1;
  int32_t m_nInitialised = 0;
  int32_t m_nCurrentHour = -1;
  int32_t m_nEncodeFlag = 1;
  std::recursive_mutex m_lock;
  ClockFn m_clock = nullptr;
};

// Holds the calling thread's log lines for as long as it lives.
class CHeldLogLines {
 public:
  CHeldLogLines() { CMyLog::HoldThreadLines(&m_lines); }
  ~CHeldLogLines() { CMyLog::HoldThreadLines(nullptr); }
  CHeldLogLines(const CHeldLogLines&) = delete;
  CHeldLogLines& operator=(const CHeldLogLines&) = delete;
  size_t Count() const { return m_lines.size(); }
  // Ends holding and hands the lines over.
  CMyLog::HeldLines Take() {
    CMyLog::HoldThreadLines(nullptr);
    return std::move(m_lines);
  }

 private:
  CMyLog::HeldLines m_lines;
};

// The process's log, owned by the application object; null before start-up
// created it and after exit destroyed it. Code that can run before the log
// exists tests it first.
extern CMyLog* g_pMyLog;
