#pragma once
// Font entries: each downloaded font is copied into the Windows fonts
// folder, loaded into the system font table and recorded under the
// machine's font key. Windows only.
#include <windows.h>

#include <string>
#include <vector>

#include "list/FileItem.h"

class IRunDisplay;

class CFontInstaller {
 public:
  // Fonts go to windowsDir + "\fonts"; the font key lies below root
  // (HKEY_LOCAL_MACHINE, or a test's own key).
  CFontInstaller(IRunDisplay& display, const std::string& windowsDir, HKEY root = HKEY_LOCAL_MACHINE);

  // 0 all fonts installed (or none listed), -1 at least one failed; every
  // font is tried.
  int HandleFontTypeFiles(const FileItemList& fontItems);
  // 0 installed or already present, -2 copy failed, -3 a newly copied font
  // did not load.
  int ProcessFontFile(const FileItem& item, const std::string& key, const std::vector<std::string>& installed);

  std::string FontFolder() const { return m_strWindowsDir + "\\fonts"; }
  // The key that fits the bitness of Windows.
  std::string FontRegistryKey() const;

 private:
  void RecordFont(const std::string& valueName, const std::string& data, const std::string& key);

  IRunDisplay& m_display;
  std::string m_strWindowsDir;
  HKEY m_hRoot;
};
