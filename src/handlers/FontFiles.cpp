#include "handlers/FontFiles.h"

#include "handlers/FontNames.h"
#include "handlers/RegistryValues.h"
#include "util/LogIfOpen.h"
#include "util/RunDisplay.h"

namespace {
// The font key names its "Wow6432Node" part itself where that applies, so it
// is opened in the 64-bit view, where a path is taken as written: the 32-bit
// build on 64-bit Windows then writes the very key the 64-bit build writes,
// instead of leaving the path to the registry redirector.
constexpr REGSAM kFontKeyView = KEY_WOW64_64KEY;

bool FolderExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
}  // namespace

CFontInstaller::CFontInstaller(IRunDisplay& display, const std::string& windowsDir, HKEY root)
    : m_display(display), m_strWindowsDir(windowsDir), m_hRoot(root) {}

std::string CFontInstaller::FontRegistryKey() const {
  return FontRegistryKeyFor(FolderExists(m_strWindowsDir + "\\SysWOW64"));
}

int CFontInstaller::HandleFontTypeFiles(const FileItemList& fontItems) {
  if (fontItems.empty()) {
    LogIfOpen(LOG_DEBUG, "CVantoExeDlg::HandleFontTypeFiles> Font file item is 0.");
    return 0;
  }
  m_display.SetStaticText(IDC_STATIC_FILE, "");
  m_display.ShowStepMessage("글꼴 등록중...");
  const std::string key = FontRegistryKey();
  std::vector<std::string> installed;
  GetReistryValueList(m_hRoot, key, installed, kFontKeyView);
  int result = 0;
  for (const std::unique_ptr<FileItem>& item : fontItems) {
    if (item->m_nFileType != FILE_KIND_FNT || item->m_nDownFlag != 1) continue;
    if (ProcessFontFile(*item, key, installed) < 0) result = -1;
  }
  m_display.ShowStepMessage("글꼴 등록 완료.");
  return result;
}

void CFontInstaller::RecordFont(const std::string& valueName, const std::string& data, const std::string& key) {
  const int r = SetRegistryValue(m_hRoot, key, valueName, data, kFontKeyView);
  LogIfOpen(LOG_INFO, "CVantoExeDlg::ProcessFontFile> SetRegistryValue(%s=%s) Success. nRet = %d", valueName.c_str(),
            data.c_str(), r);
}

int CFontInstaller::ProcessFontFile(const FileItem& item, const std::string& key,
                                    const std::vector<std::string>& installed) {
  const char kPrefix[] = "CVantoExeDlg::ProcessFontFile> ";
  const std::string fontDir = FontFolder();
  const std::string fontFile = FontFileNameOf(item.m_strLocalPath);
  const std::string dstFile = fontDir + "\\" + fontFile;
  const std::string valueName = FontValueNameOf(fontFile);
  const std::string& data = fontFile;
  LogIfOpen(LOG_INFO, "%sm_strTargetFile = %s", kPrefix, item.m_strLocalPath.c_str());
  LogIfOpen(LOG_INFO, "%sstrFontDir = %s", kPrefix, fontDir.c_str());
  LogIfOpen(LOG_INFO, "%sstrFontFile = %s", kPrefix, fontFile.c_str());
  LogIfOpen(LOG_INFO, "%sstrDstFile = %s", kPrefix, dstFile.c_str());
  const std::string step = "글꼴 등록 중 : " + fontFile;
  m_display.ShowStepMessage(step.c_str());

  if (FileExists(dstFile)) {
    LogIfOpen(LOG_INFO, "%sPrevious Font(%s) is Already Exist", kPrefix, dstFile.c_str());
    const int added = ::AddFontResourceA(dstFile.c_str());
    if (added == 0) {
      // A font already in the folder never fails the run.
      const DWORD error = ::GetLastError();
      LogIfOpen(LOG_INFO, "%sAddFontRecource(%s) Fail, ErrCode = %d", kPrefix, dstFile.c_str(),
                static_cast<int>(error));
      LogErrorTextIfOpen(error);
      return 0;
    }
    LogIfOpen(LOG_INFO, "%sAddFontRecource(%s) Success. nRet = %d", kPrefix, dstFile.c_str(), added);
    if (IsFontRecorded(installed, data)) return 0;
    LogIfOpen(LOG_INFO, "%sTry SetRegistryValue(%s=%s)", kPrefix, valueName.c_str(), data.c_str());
    RecordFont(valueName, data, key);
    return 0;
  }

  LogIfOpen(LOG_INFO, "%sFont(%s) is not Exist", kPrefix, dstFile.c_str());
  if (::RemoveFontResourceA(fontFile.c_str()) == 0) {
    const DWORD error = ::GetLastError();
    LogIfOpen(LOG_INFO, "%sFail to Remove Previous Font(%s) Reource", kPrefix, fontFile.c_str());
    LogErrorTextIfOpen(error);
  } else {
    LogIfOpen(LOG_INFO, "%sSuccess to Remove Previous Font(%s) Reource", kPrefix, fontFile.c_str());
  }
  if (!::CopyFileA(item.m_strLocalPath.c_str(), dstFile.c_str(), FALSE)) {
    const DWORD error = ::GetLastError();
    LogIfOpen(LOG_ERROR, "%sCopyFile(%s) Fail, ErrCode = %d", kPrefix, dstFile.c_str(), static_cast<int>(error));
    LogErrorTextIfOpen(error);
    return -2;
  }
  // This success line has always been written at level ERROR.
  LogIfOpen(LOG_ERROR, "%sCopyFile(%s) Success", kPrefix, dstFile.c_str());
  const int added = ::AddFontResourceA(dstFile.c_str());
  if (added == 0) {
    const DWORD error = ::GetLastError();
    LogIfOpen(LOG_ERROR, "%sAddFontRecource(%s) Fail, ErrCode = %d", kPrefix, fontFile.c_str(),
              static_cast<int>(error));
    LogErrorTextIfOpen(error);
    // Left in the folder, the broken copy would pass as installed from the
    // next run on and never be replaced.
    if (::DeleteFileA(dstFile.c_str())) LogIfOpen(LOG_INFO, "%sDelete Unloadable Font(%s)", kPrefix, dstFile.c_str());
    return -3;
  }
  LogIfOpen(LOG_INFO, "%sAddFontRecource(%s) Success, nRet = %d", kPrefix, fontFile.c_str(), added);
  if (IsFontRecorded(installed, data)) return 0;
  RecordFont(valueName, data, key);
  return 0;
}
