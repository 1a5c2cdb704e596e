#include "http/FileMove.h"

#include <windows.h>

#include <io.h>
#include <sys/stat.h>

#include "util/FileUtil.h"

bool MoveFileReplacing(const std::string& source, const std::string& destination) {
  struct _stat64 status;
  if (source.empty() || destination.empty()) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (_stat64(source.c_str(), &status) != 0) {
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  ClearReadOnlyProperty(source);
  if (_stat64(destination.c_str(), &status) == 0) {
    ClearReadOnlyProperty(destination);
    if (_unlink(destination.c_str()) != 0) ::DeleteFileA(destination.c_str());
  }
  if (::MoveFileA(source.c_str(), destination.c_str())) return true;
  if (!::CopyFileA(source.c_str(), destination.c_str(), FALSE)) return false;
  ::DeleteFileA(source.c_str());
  return true;
}
