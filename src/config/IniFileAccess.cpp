#include "config/IniFileAccess.h"

#ifdef _WIN32
#include <windows.h>

#include "util/WinHandles.h"

bool IniFileExists(const std::string& path) {
  WIN32_FIND_DATAA data;
  UniqueFindHandle find(::FindFirstFileA(path.c_str(), &data));
  return static_cast<bool>(find);
}

bool ReadIniFileBytes(const std::string& path, std::string* bytes) {
  UniqueFileHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || size.QuadPart > 0x7FFFFFFF)
    return false;
  bytes->assign(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < bytes->size()) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), &(*bytes)[done], static_cast<DWORD>(bytes->size() - done), &got,
                    nullptr))
      return false;
    if (got == 0) break;  // shorter than its size said: keep what is there
    done += got;
  }
  bytes->resize(done);
  return true;
}

#else
#include <sys/stat.h>

#include <cstdio>

#include "util/FileOwner.h"

namespace {
std::string NativePath(const std::string& path) {
  std::string native = path;
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}
}  // namespace

bool IniFileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(NativePath(path).c_str(), &st) == 0;
}

bool ReadIniFileBytes(const std::string& path, std::string* bytes) {
  UniqueFile file(std::fopen(NativePath(path).c_str(), "rb"));
  if (!file) return false;
  bytes->clear();
  char block[4096];
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) bytes->append(block, got);
  return !std::ferror(file.get());
}
#endif
