#pragma once
// Windows path text split at its last backslash. A backslash is never the
// second byte of a CP949 character, so the split is safe on Korean names.
#include <string>

inline bool HasBackslash(const std::string& path) { return path.find('\\') != std::string::npos; }

// The part before the last "\"; empty when there is none.
inline std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The part after the last "\"; the whole text when there is none.
inline std::string NameOfPath(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
