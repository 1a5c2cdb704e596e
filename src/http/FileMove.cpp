#include "http/FileMove.h"

#include <windows.h>

#include <io.h>

#include "util/FileUtil.h"

PathState QueryPathState(const std::string& path, unsigned long* error) {
  *error = 0;
  if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return PathState::Present;
  const DWORD code = ::GetLastError();
  // A name that cannot exist is as absent as one that does not.
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME)
    return PathState::Absent;
  *error = code;
  return PathState::Unreadable;
}

bool MoveFileReplacing(const std::string& source, const std::string& destination) {
  if (source.empty() || destination.empty()) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  unsigned long error = 0;
  switch (QueryPathState(source, &error)) {
    case PathState::Absent:
      ::SetLastError(ERROR_FILE_NOT_FOUND);
      return false;
    case PathState::Unreadable:
      ::SetLastError(error);
      return false;
    case PathState::Present:
      break;
  }
  ClearReadOnlyProperty(source);
  if (QueryPathState(destination, &error) == PathState::Present) {
    ClearReadOnlyProperty(destination);
    if (_unlink(destination.c_str()) != 0) ::DeleteFileA(destination.c_str());
  }
  if (::MoveFileA(source.c_str(), destination.c_str())) return true;
  if (!::CopyFileA(source.c_str(), destination.c_str(), FALSE)) return false;
  ::DeleteFileA(source.c_str());
  return true;
}
