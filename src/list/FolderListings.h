#pragma once
// Which names a folder holds, read once per folder and run.
//
// The update decision asks about every entry's file and its backup name,
// and most backup names do not exist. A file system answers a name that
// does not exist by searching the folder (Wine reads the whole folder for
// every miss, to rule out another spelling of the case), so a big folder
// cost per entry what the whole folder costs. Here each folder is read once
// and a name counts as absent only when that reading proves it; every other
// question still goes to the file system, so decisions stay as they were:
// - names are compared as the file system compares them, without regard to
//   letter case (UTF-16, the system's upper-case mapping);
// - names the reading cannot answer for (wildcards, a trailing dot or
//   blank, any "~" as in short 8.3 spellings and the run's ".backup~" and
//   ".part~" names, streams, paths of MAX_PATH or more, paths that are not
//   X:\...) are always asked directly;
// - a folder that cannot be read is asked directly, name by name;
// - a name the run wrote, moved or deleted (Forget) is asked directly from
//   then on.
// A folder that does not exist holds nothing: every name in it is absent.
// Entries of a parallel run ask from several threads at once.
#include <map>
#include <mutex>
#include <set>
#include <string>

class CFolderListings {
 public:
  // true when one reading of the folder proves that nothing is at path;
  // false when something may be there (ask the file system).
  bool IsKnownAbsent(const std::string& path);
  // The run changed what lies at path: its answer comes from the file
  // system from now on.
  void Forget(const std::string& path);

 private:
  struct Listing {
    bool readable = false;         // false: ask the file system for every name
    std::set<std::wstring> names;  // upper-cased
    std::set<std::wstring> changed;
  };
  // The folder's key and the name's key; false when path is not a plain
  // absolute path with a name the reading can answer for.
  static bool SplitPath(const std::string& path, std::wstring& folder, std::wstring& name);
  Listing& ListingOf(const std::wstring& folder);
  static Listing Read(const std::wstring& folder);

  std::mutex m_lock;
  std::map<std::wstring, Listing> m_listings;  // by upper-cased folder path
};

// The upper-case form the file system compares names in.
std::wstring FileSystemUpperCase(const std::wstring& text);
