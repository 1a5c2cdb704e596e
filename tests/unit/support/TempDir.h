#pragma once
// Gives each test an empty directory of its own and removes it afterwards.
// Under Wine it lies below the prefix's temporary folder (C:\users\...\Temp),
// natively below /tmp. Paths use the platform's separator.
#include <gtest/gtest.h>

#include <string>
#include <vector>

class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::string& path() const { return m_path; }
  // path() + separator + name
  std::string Child(const std::string& name) const;

 private:
  std::string m_path;
};

// Fixture: m_dir is fresh for every test.
class TempDirTest : public ::testing::Test {
 protected:
  ScopedTempDir m_dir;
};

// Small file helpers for tests (binary, whole file).
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool ReadWholeFile(const std::string& path, std::string* bytes);
bool FileExists(const std::string& path);
// Sorted names of the entries of dir ("." and ".." left out).
std::vector<std::string> ListDirectory(const std::string& dir);
