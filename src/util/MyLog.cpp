#include "MyLog.h"

#include "CivilDate.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include "WinHandles.h"
#else
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>
#endif

CMyLog* g_pMyLog = nullptr;

namespace {
thread_local CMyLog::HeldLines* t_pHeldLines = nullptr;

struct LevelEntry {
  int number;
  const char* name;
};
// Searched in this order; the marker ends the table and names every unknown number.
const LevelEntry kLevels[] = {
    {LOG_DEBUG, "DEBUG"}, {LOG_INFO, "INFO"},   {LOG_WARN, "WARN"},
    {LOG_ERROR, "ERROR"}, {LOG_FATAL, "FATAL"}, {LOG_UNKNOWN, "UNKNOWN"},
};
constexpr size_t kMessageBufferSize = 4096;
constexpr size_t kFolderTextLimit = 260;

unsigned long CurrentThreadNumber() {
#ifdef _WIN32
  return ::GetCurrentThreadId();
#else
  return static_cast<unsigned long>(::syscall(SYS_gettid));
#endif
}

#ifndef _WIN32
// The writer's folder texts use backslashes; the native build maps them.
std::string NativePath(const std::string& path) {
  std::string native = path;
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}
#endif

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\';
#else
  return c == '\\' || c == '/';
#endif
}

// false only for a failure other than "already exists".
bool MakeDirectory(const std::string& path) {
#ifdef _WIN32
  return ::CreateDirectoryA(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
#else
  return ::mkdir(NativePath(path).c_str(), 0777) == 0 || errno == EEXIST;
#endif
}

// Names of the files in folder that match the wildcard pattern.
std::vector<std::string> ListMatching(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
#ifdef _WIN32
  WIN32_FIND_DATAA data;
  UniqueFindHandle find(::FindFirstFileA((folder + "\\" + pattern).c_str(), &data));
  if (!find) return names;
  do {
    names.emplace_back(data.cFileName);
  } while (::FindNextFileA(find.get(), &data));
#else
  DIR* dir = ::opendir(NativePath(folder).c_str());
  if (!dir) return names;
  while (dirent* entry = ::readdir(dir)) {
    if (::fnmatch(pattern.c_str(), entry->d_name, 0) == 0) names.emplace_back(entry->d_name);
  }
  ::closedir(dir);
#endif
  return names;
}

bool RemoveFile(const std::string& path) {
#ifdef _WIN32
  return ::DeleteFileA(path.c_str()) != 0;
#else
  return ::unlink(NativePath(path).c_str()) == 0;
#endif
}
}  // namespace

CMyLog::CMyLog() { Reset(); }

CMyLog::~CMyLog() {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (m_pFile) std::fclose(m_pFile);
  m_pFile = nullptr;
}

void CMyLog::Reset() {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (m_pFile) std::fclose(m_pFile);
  m_pFile = nullptr;
  m_strFolder.clear();
  m_strPrefix.clear();
  m_nRetentionDays = 0;
  m_nMinLevel = 0;
  m_nFileOk = 1;
  m_nInitialised = 0;
  m_nCurrentHour = -1;
  m_nEncodeFlag = 1;
}

CMyLog::LocalTime CMyLog::Now() const {
  if (m_clock) return m_clock();
  LocalTime t{};
#ifdef _WIN32
  // The system's local time, not the C library's: the CRT reads its own
  // zone from the TZ variable and would disagree with the system.
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  t = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
#else
  timeval tv;
  ::gettimeofday(&tv, nullptr);
  tm local;
  time_t seconds = tv.tv_sec;
  ::localtime_r(&seconds, &local);
  t = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
       local.tm_min,         local.tm_sec,     static_cast<int>(tv.tv_usec / 1000)};
#endif
  return t;
}

int16_t CMyLog::Init(const char* folder, const char* prefix, int16_t retentionDays,
                     const char* minLevelName, int16_t encodeFlag) {
  if (!folder) return -1;
  if (!prefix) return -2;
  if (retentionDays < 0) return -3;
  if (!minLevelName) return -4;
  const int level = GetLevelFromName(minLevelName);
  if (level == LOG_UNKNOWN) return -5;
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (m_nInitialised == 1) return -6;
  m_strFolder = folder;
  m_strPrefix = prefix;
  m_nRetentionDays = retentionDays;
  m_nMinLevel = level;
  m_nEncodeFlag = encodeFlag;
  m_nInitialised = 1;
  DeleteOldLogs();
  return 0;
}

const char* CMyLog::GetLevelName(int level, char* out10) {
  const char* name = kLevels[sizeof(kLevels) / sizeof(kLevels[0]) - 1].name;
  for (const LevelEntry& entry : kLevels) {
    if (entry.number == level) {
      name = entry.name;
      break;
    }
  }
  if (!out10) return name;
  std::strncpy(out10, name, 9);
  out10[9] = '\0';
  return out10;
}

int CMyLog::GetLevelFromName(const char* name) {
  if (!name) return LOG_UNKNOWN;
  const size_t length = std::strlen(name);
  for (const LevelEntry& entry : kLevels) {
    if (entry.number == LOG_UNKNOWN) break;
    // Over the length of the given text: "INF" names INFO, and so does
    // every leading part of a name (the empty text names DEBUG).
    if (std::strncmp(entry.name, name, length) == 0) return entry.number;
  }
  return LOG_UNKNOWN;
}

int16_t CMyLog::Log(int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int16_t result = LogV(level, format, args);
  va_end(args);
  return result;
}

int16_t CMyLog::LogV(int level, const char* format, va_list args) {
  if (level < m_nMinLevel) return -1;
  char message[kMessageBufferSize];
  message[0] = '\0';
  // A longer message is cut at 4095 bytes rather than overrunning the buffer.
  if (std::vsnprintf(message, sizeof(message), format, args) < 0) message[0] = '\0';
  char levelName[10];
  GetLevelName(level, levelName);
  WriteLine(level, levelName, message);
  return 0;
}

void CMyLog::HoldThreadLines(HeldLines* held) { t_pHeldLines = held; }

void CMyLog::WriteHeld(const HeldLines& lines) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  for (const HeldLine& line : lines) WriteLineAt(line.time, Now(), line.levelName, line.message.c_str());
}

int16_t CMyLog::WriteLine(int /*level*/, const char* levelName, const char* message) {
  if (t_pHeldLines) {
    HeldLine line{Now(), {}, message};
    std::snprintf(line.levelName, sizeof(line.levelName), "%s", levelName);
    t_pHeldLines->push_back(std::move(line));
    return 0;
  }
  const LocalTime t = Now();
  return WriteLineAt(t, t, levelName, message);
}

int16_t CMyLog::WriteLineAt(const LocalTime& t, const LocalTime& clock, const char* levelName,
                            const char* message) {
  if (m_nFileOk == 0 || m_nInitialised == 0) return 0;
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  // Again under the lock: another thread may have just failed.
  if (m_nFileOk == 0 || m_nInitialised == 0) return 0;
  if (m_nCurrentHour != clock.hour) {
    DeleteOldLogs();
    if (OpenNewFileAt(clock) != 0) return -1;
    m_nCurrentHour = clock.hour;
  }
  char head[96];
  std::snprintf(head, sizeof(head), "%04d/%02d/%02d=%02d:%02d:%02d.%03d [%-5s] ", t.year, t.month, t.day,
                t.hour, t.minute, t.second, t.millisecond, levelName);
  std::string line = head;
  line += message;
  line += '\n';
  if (m_nEncodeFlag == 1) {
    for (char& c : line) c = static_cast<char>(255 - static_cast<unsigned char>(c));
  }
#ifdef _WIN32
  // The stream is in text mode: it stores every 0x0A as 0x0D 0x0A, plain or
  // inverted alike.
  std::fwrite(line.data(), 1, line.size(), m_pFile);
#else
  // Same bytes on disk as the Windows build writes.
  std::string stored;
  stored.reserve(line.size() + 8);
  for (char c : line) {
    if (c == '\n') stored += '\r';
    stored += c;
  }
  std::fwrite(stored.data(), 1, stored.size(), m_pFile);
#endif
  std::fflush(m_pFile);
  return 0;
}

int CMyLog::CreateLogDirectory() {
  const std::string folder = m_strFolder.substr(0, kFolderTextLimit);
#ifdef _WIN32
  bool rootSkipped = false;
#endif
  for (size_t i = 0; i < folder.size(); ++i) {
    if (!IsSeparator(folder[i])) continue;
#ifdef _WIN32
    // The first backslash follows the drive: "C:" itself is never created.
    if (!rootSkipped) {
      rootSkipped = true;
      continue;
    }
#else
    if (i == 0) continue;  // the root
#endif
    if (!MakeDirectory(folder.substr(0, i))) return -1;
  }
  return MakeDirectory(folder) ? 0 : -1;
}

int CMyLog::OpenNewFileAt(const LocalTime& now) {
  if (CreateLogDirectory() != 0) {
    m_nInitialised = 0;
    return -1;
  }
  char name[96];
  std::snprintf(name, sizeof(name), "_%04d%02d%02d_%02d%02d%02d_%06lu.log", now.year, now.month, now.day,
                now.hour, now.minute, now.second, CurrentThreadNumber());
  const std::string path = m_strFolder + "\\" + m_strPrefix + name;
  if (m_pFile) std::fclose(m_pFile);
#ifdef _WIN32
  m_pFile = std::fopen(path.c_str(), "at");
#else
  m_pFile = std::fopen(NativePath(path).c_str(), "ab");
#endif
  if (!m_pFile) {
    m_nFileOk = 0;
    return -2;
  }
  return 0;
}

int CMyLog::DeleteOldLogs() {
  if (m_nRetentionDays < 1) return 0;
  const LocalTime now = Now();
  // Calendar days on the local date, so that a daylight-saving change
  // cannot move the limit by a day.
  int64_t year = 0;
  int month = 0, day = 0;
  CivilFromDays(DaysFromCivil(now.year, now.month, now.day) - m_nRetentionDays, year, month, day);
  const long limit = static_cast<long>(year) * 10000 + month * 100 + day;

  int deleted = 0;
  const size_t dateStart = m_strPrefix.size() + 1;
  for (const std::string& name : ListMatching(m_strFolder, m_strPrefix + "_????????_*.log*")) {
    if (name.size() < dateStart) continue;
    // Leading digits count: a date part "2020abcd" is 2020.
    const std::string datePart = name.substr(dateStart, 8);
    if (std::atoi(datePart.c_str()) <= limit && RemoveFile(m_strFolder + "\\" + name)) ++deleted;
  }
  return deleted;
}

std::string CMyLog::LogLastErrorText() {
#ifdef _WIN32
  const DWORD code = ::GetLastError();
  char buffer[512];
  const DWORD length =
      ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof(buffer), nullptr);
  if (length > 0) {
    buffer[length < sizeof(buffer) ? length : sizeof(buffer) - 1] = '\0';
    const std::string text = buffer;
    Log(LOG_INFO, "CMyLog::LogLastErrorText> %s", text.c_str());
    return text;
  }
  char fallback[64];
  std::snprintf(fallback, sizeof(fallback), "ErrCode = %d", static_cast<int>(::GetLastError()));
  Log(LOG_INFO, "CMyLog::LogLastErrorText> FormatMessage() Fail, %s", fallback);
  return fallback;
#else
  // errno plays the last error's part in the native build.
  const int code = errno;
  const std::string text = std::strerror(code);
  Log(LOG_INFO, "CMyLog::LogLastErrorText> %s", text.c_str());
  return text;
#endif
}
