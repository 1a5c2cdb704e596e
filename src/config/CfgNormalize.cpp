#include "config/CfgNormalize.h"

#include "config/CfgText.h"

void TrimDownloadBaseUrl(CVantoCfg& cfg) {
  std::string& url = cfg.DOWNLOAD_BASE_URL;
  while (url.size() > 1 && (url.back() == '\\' || url.back() == '/')) url.pop_back();
}

int NormalizeTargetDir(CVantoCfg& cfg) {
  std::string dir = TrimWhite(cfg.TARGET_DIR);
  for (char& c : dir) {
    if (c == '/') c = '\\';
  }
  while (!dir.empty() && dir.back() == '\\') dir.pop_back();
  cfg.TARGET_DIR = dir;
  return dir.empty() ? 0 : 1;
}

void ReplaceLoomBrowserPath(CVantoCfg& cfg) {
  if (EqualsNoCaseMbcs(TrimWhite(cfg.LOOMBROWSER_PROG_FILE_PATH), "loomBrowser"))
    cfg.LOOMBROWSER_PROG_FILE_PATH = cfg.TARGET_DIR + "\\bin\\loomBrowser.exe";
}
