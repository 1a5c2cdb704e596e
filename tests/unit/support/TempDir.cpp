#include "TempDir.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <dirent.h>
#include <ftw.h>
#endif

namespace {
std::atomic<int> g_counter{0};

#ifdef _WIN32
void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA((dir + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      const std::string child = dir + "\\" + name;
      ::SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(child);
      else ::DeleteFileA(child.c_str());
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
  }
  ::RemoveDirectoryA(dir.c_str());
}
#else
int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }
#endif
}  // namespace

ScopedTempDir::ScopedTempDir() {
#ifdef _WIN32
  char base[MAX_PATH];
  ::GetTempPathA(sizeof(base), base);
  std::ostringstream name;
  name << base << "vanto_test_" << ::GetCurrentProcessId() << "_" << g_counter++;
  m_path = name.str();
  ::CreateDirectoryA(m_path.c_str(), nullptr);
#else
  char pattern[] = "/tmp/vanto_test_XXXXXX";
  m_path = ::mkdtemp(pattern);
#endif
}

ScopedTempDir::~ScopedTempDir() {
#ifdef _WIN32
  RemoveTree(m_path);
#else
  ::nftw(m_path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
#endif
}

std::string ScopedTempDir::Child(const std::string& name) const {
#ifdef _WIN32
  return m_path + "\\" + name;
#else
  return m_path + "/" + name;
#endif
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  *bytes = all.str();
  return true;
}

bool FileExists(const std::string& path) {
#ifdef _WIN32
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
#endif
}

std::vector<std::string> ListDirectory(const std::string& dir) {
  std::vector<std::string> names;
#ifdef _WIN32
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA((dir + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    names.emplace_back(data.cFileName);
  } while (::FindNextFileA(find, &data));
  ::FindClose(find);
#else
  DIR* d = ::opendir(dir.c_str());
  if (!d) return names;
  while (dirent* entry = ::readdir(d)) names.emplace_back(entry->d_name);
  ::closedir(d);
#endif
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string& n) { return n == "." || n == ".."; }),
              names.end());
  std::sort(names.begin(), names.end());
  return names;
}
