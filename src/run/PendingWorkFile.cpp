#include "run/PendingWorkFile.h"

#include <windows.h>

#include "util/WinHandles.h"

CPendingWork ReadPendingWorkFile(const std::string& path) {
  UniqueFileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return CPendingWork();
  std::string text;
  char block[64 * 1024];
  DWORD read = 0;
  while (text.size() < CPendingWork::kMaxRecordBytes && ::ReadFile(file.get(), block, sizeof(block), &read, nullptr) &&
         read > 0)
    text.append(block, read);
  return CPendingWork::Parse(text);
}

bool WritePendingWorkFile(const std::string& path, const CPendingWork& work, unsigned long& errorCode) {
  errorCode = 0;
  if (work.Empty()) {
    if (::DeleteFileA(path.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND) return true;
    errorCode = ::GetLastError();
    return false;
  }
  const std::string temporary = path + "~";
  const std::string text = work.Serialize();
  {
    UniqueFileHandle file(
        ::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      errorCode = ::GetLastError();
      return false;
    }
    DWORD written = 0;
    // On disk before the rename: a power loss must not leave a renamed empty file.
    if (!::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !::FlushFileBuffers(file.get())) {
      errorCode = ::GetLastError();
      file.reset();
      ::DeleteFileA(temporary.c_str());
      return false;
    }
  }
  if (!::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    errorCode = ::GetLastError();
    ::DeleteFileA(temporary.c_str());
    return false;
  }
  return true;
}
