#include "PublishFolder.h"

#include <algorithm>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#endif

#include "util/TextConv.h"

namespace {
#ifdef _WIN32
constexpr int64_t kFileTimeTicksPerSecond = 10000000;
constexpr int64_t kFileTimeEpochTicks = 116444736000000000;  // 1970-01-01 in FILETIME ticks

int64_t UtcSecondsOf(const FILETIME& time) {
  const int64_t ticks = (static_cast<int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  const int64_t since = ticks - kFileTimeEpochTicks;
  // Whole seconds, as Last-Modified carries them.
  return since >= 0 ? since / kFileTimeTicksPerSecond : -((-since + kFileTimeTicksPerSecond - 1) / kFileTimeTicksPerSecond);
}

bool Walk(const std::wstring& folder, const std::string& relative, std::vector<PublishedFile>& files,
          std::vector<std::string>& notes) {
  WIN32_FIND_DATAW data;
  const bool endsWithSeparator = !folder.empty() && (folder.back() == L'\\' || folder.back() == L'/');
  HANDLE find = ::FindFirstFileW((folder + (endsWithSeparator ? L"*" : L"\\*")).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::string narrow = WideToCp949(name);
    if (Cp949ToWide(narrow) != name) {
      notes.push_back("a name in '" + (relative.empty() ? std::string(".") : relative) +
                      "' cannot be written in CP949; left out");
      continue;
    }
    const std::string path = relative.empty() ? narrow : relative + "/" + narrow;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      const std::wstring child = folder + (endsWithSeparator ? L"" : L"\\") + name;
      if (!Walk(child, path, files, notes)) notes.push_back("folder '" + path + "' unreadable; left out");
      continue;
    }
    PublishedFile file;
    file.serverPath = path;
    file.lastWriteUtc = UtcSecondsOf(data.ftLastWriteTime);
    file.size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    files.push_back(file);
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return true;
}

std::wstring FullPath(const std::string& path) {
  const std::wstring wide = Cp949ToWide(path);
  wchar_t buffer[4096];
  const DWORD n = ::GetFullPathNameW(wide.c_str(), 4096, buffer, nullptr);
  return n > 0 && n < 4096 ? std::wstring(buffer, n) : wide;
}
#else
bool Walk(const std::string& folder, const std::string& relative, std::vector<PublishedFile>& files,
          std::vector<std::string>& notes) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return false;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string full = folder + "/" + name;
    const std::string narrow = Utf8ToCp949(name);
    if (Cp949ToUtf8(narrow) != name) {
      notes.push_back("'" + Utf8ToCp949(full) + "' cannot be named in CP949; left out");
      continue;
    }
    const std::string path = relative.empty() ? narrow : relative + "/" + narrow;
    struct stat status;
    if (::stat(full.c_str(), &status) != 0) {
      notes.push_back("'" + Utf8ToCp949(full) + "' unreadable; left out");
      continue;
    }
    if (S_ISDIR(status.st_mode)) {
      if (!Walk(full, path, files, notes)) notes.push_back("folder '" + Utf8ToCp949(full) + "' unreadable; left out");
    } else if (S_ISREG(status.st_mode)) {
      PublishedFile file;
      file.serverPath = path;
      file.lastWriteUtc = static_cast<int64_t>(status.st_mtime);
      file.size = static_cast<int64_t>(status.st_size);
      files.push_back(file);
    }
  }
  ::closedir(dir);
  return true;
}

std::string FullPath(const std::string& path) {
  char buffer[PATH_MAX];
  if (::realpath(path.c_str(), buffer)) return buffer;
  // A file not yet written: its folder's full path and its name.
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  if (!::realpath(folder.c_str(), buffer)) return path;
  return std::string(buffer) + "/" + (slash == std::string::npos ? path : path.substr(slash + 1));
}
#endif
}  // namespace

bool ReadPublishFolder(const std::string& folder, std::vector<PublishedFile>& files, std::vector<std::string>& notes,
                       std::string& error) {
  files.clear();
#ifdef _WIN32
  const bool ok = Walk(Cp949ToWide(folder), "", files, notes);
#else
  const bool ok = Walk(folder, "", files, notes);
#endif
  if (!ok) {
    error = "cannot read the publish folder '" + folder + "'";
    return false;
  }
  std::sort(files.begin(), files.end(),
            [](const PublishedFile& a, const PublishedFile& b) { return a.serverPath < b.serverPath; });
  return true;
}

std::string PathBelowFolder(const std::string& folder, const std::string& file) {
#ifdef _WIN32
  std::wstring base = FullPath(folder);
  const std::wstring full = FullPath(file);
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  if (full.size() <= base.size() || ::CompareStringOrdinal(full.c_str(), static_cast<int>(base.size()), base.c_str(),
                                                            static_cast<int>(base.size()), TRUE) != CSTR_EQUAL)
    return std::string();
  std::string relative = WideToCp949(full.substr(base.size()));
  std::replace(relative.begin(), relative.end(), '\\', '/');
  return relative;
#else
  std::string base = FullPath(folder);
  const std::string full = FullPath(file);
  if (!base.empty() && base.back() != '/') base += '/';
  if (full.size() <= base.size() || full.compare(0, base.size(), base) != 0) return std::string();
  return Utf8ToCp949(full.substr(base.size()));
#endif
}

std::string LocalFileOf(const std::string& folder, const std::string& serverPath) {
#ifdef _WIN32
  // Names are CP949, the ANSI code page the C library opens with.
  std::string path = folder + "\\" + serverPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
#else
  return folder + "/" + Cp949ToUtf8(serverPath);
#endif
}

bool ReplaceFileWith(const std::string& path, const std::string& text, std::string& error) {
  const std::string temporary = path + ".new";
#ifdef _WIN32
  const std::wstring widePath = Cp949ToWide(path);
  const std::wstring wideTemporary = Cp949ToWide(temporary);
  FILE* file = ::_wfopen(wideTemporary.c_str(), L"wb");
#else
  FILE* file = std::fopen(temporary.c_str(), "wb");
#endif
  if (!file) {
    error = "cannot write '" + temporary + "'";
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const bool closed = std::fclose(file) == 0;
#ifdef _WIN32
  const bool moved = written && closed &&
                     ::MoveFileExW(wideTemporary.c_str(), widePath.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  if (!moved) ::DeleteFileW(wideTemporary.c_str());
#else
  const bool moved = written && closed && std::rename(temporary.c_str(), path.c_str()) == 0;
  if (!moved) std::remove(temporary.c_str());
#endif
  if (!moved) error = "cannot write '" + path + "'";
  return moved;
}
