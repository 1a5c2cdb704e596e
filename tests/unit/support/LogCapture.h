#pragma once
// Installs a fresh process log writing plain text into a temporary folder,
// so that tests can look for the lines administrators grep for.
#include <memory>
#include <string>

#include "support/TempDir.h"
#include "util/MyLog.h"

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Everything logged so far.
  std::string Text() const;
  bool Contains(const std::string& text) const { return Text().find(text) != std::string::npos; }
  int Count(const std::string& text) const;

 private:
  ScopedTempDir m_dir;
  std::unique_ptr<CMyLog> m_log;
  CMyLog* m_previous;
};
