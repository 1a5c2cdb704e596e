#include "http/DurableFile.h"

#ifdef _WIN32
#include <windows.h>

#include <io.h>
#else
#include <cerrno>
#include <unistd.h>
#endif

bool FlushToDisk(std::FILE* file) {
  if (!file || std::fflush(file) != 0) return false;
#ifdef _WIN32
  return _commit(_fileno(file)) == 0;
#else
  return fsync(fileno(file)) == 0;
#endif
}

bool ReplaceFileDurably(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

bool IsHeldOpenError(unsigned long error) {
#ifdef _WIN32
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
#else
  return error == EBUSY || error == ETXTBSY;
#endif
}
