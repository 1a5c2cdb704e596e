#include "support/LogCapture.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#endif

LogCapture::LogCapture() : m_log(std::make_unique<CMyLog>()), m_previous(g_pMyLog) {
  m_log->Init(m_dir.path().c_str(), "test", 0, "DEBUG", 0);
  g_pMyLog = m_log.get();
}

LogCapture::~LogCapture() { g_pMyLog = m_previous; }

std::string LogCapture::Text() const {
  std::string all;
#ifdef _WIN32
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA((m_dir.path() + "\\*.log").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return all;
  do {
    std::string bytes;
    if (ReadWholeFile(m_dir.Child(data.cFileName), &bytes)) all += bytes;
  } while (::FindNextFileA(find, &data));
  ::FindClose(find);
#else
  DIR* dir = ::opendir(m_dir.path().c_str());
  if (!dir) return all;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".log") != 0) continue;
    std::string bytes;
    if (ReadWholeFile(m_dir.Child(name), &bytes)) all += bytes;
  }
  ::closedir(dir);
#endif
  return all;
}

int LogCapture::Count(const std::string& text) const {
  const std::string all = Text();
  int count = 0;
  for (size_t pos = all.find(text); pos != std::string::npos; pos = all.find(text, pos + text.size())) ++count;
  return count;
}
