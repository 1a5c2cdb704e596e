// Shows the progress dialog with a simulated run (no server, no files), for
// looking at the drawing and taking screenshots.
//   vanto_ui_preview [step-delay-ms] [files] [fail-index]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "config/VantoCfg.h"
#include "list/FileItemLists.h"
#include "run/RunServices.h"
#include "run/VantoEngine.h"
#include "ui/GdiplusSession.h"
#include "ui/VantoExeDlg.h"
#include "util/VantoResult.h"

namespace {
class CSimulatedServer : public IRunServices {
 public:
  CSimulatedServer(CFileItemLists& lists, IRunDisplay& display, int delayMs, int files, int failIndex)
      : m_lists(lists), m_display(display), m_nDelayMs(delayMs), m_nFiles(files), m_nFailIndex(failIndex) {}

  int GetServerFileInfo(FileItem& item) override {
    item.m_strModifyTime = "20261208070000";
    item.m_strFileSize = "2048";
    return 0;
  }
  int QueryServerFileInfo(const std::string&, std::string& time, std::string& size, int32_t& chunked,
                          int32_t& gzip, int&, std::string&) override {
    time = "20261208070000";
    size = std::to_string(40000 + 7919 * (m_nQueries++ % 97));
    chunked = 0;
    gzip = 0;
    return 0;
  }
  int DownloadOneFileFromServer(FileItem& item, int, int, int&, std::string&) override {
    if (item.m_strFilePath.find("Vanto.lst") != std::string::npos) return 0;
    m_display.SetProgressRange(IDC_PROGRESS_FILE, 0, 100);
    for (int p = 0; p <= 100; p += 10) {
      m_display.SetProgressPos(IDC_PROGRESS_FILE, p);
      m_display.PumpWaitingMessages();
      ::Sleep(static_cast<DWORD>(m_nDelayMs / 10));
    }
    return ++m_nDownloads == m_nFailIndex ? -2 : 0;
  }
  bool IsCertificateError(int) override { return false; }
  int FetchSmallFile(const std::string&, std::size_t, std::string&, int&, std::string&) override { return -2; }
  bool ReplaceLocalFile(const std::string&, const std::string&) override { return false; }
  void DeleteLocalFile(const std::string&) override {}
  uint64_t LoadAcceptedListTime(const std::string&) override { return 0; }
  bool StoreAcceptedListTime(const std::string&, uint64_t) override { return false; }
  int GetFileListFromListFile(const CPendingWork&, bool, int& refusedEntries) override {
    refusedEntries = 0;
    static const char* const names[] = {"bin/loomBrowser.exe", "bin/app.ocx",         "bin/VantoCore.dll",
                                        "fonts/NanumGothic.ttf", "data/설정파일.ini", "html/index.html",
                                        "html/img/로고.png",   "bin/Interop.Vanto.dll", "data/pack.zip"};
    for (int i = 0; i < m_nFiles; ++i) {
      auto item = std::make_unique<FileItem>();
      item->m_strFilePath = names[i % 9];
      if (i >= 9) item->m_strFilePath = "data/sub" + std::to_string(i / 9) + "/" + item->m_strFilePath.substr(item->m_strFilePath.find('/') + 1);
      item->m_strLocalPath = "C:\\Vanto\\" + item->m_strFilePath;
      m_lists.DownFileItemList.push_back(std::move(item));
    }
    return m_nFiles;
  }
  int CheckDownloadAndSettleBackup(const FileItem&) override { return 1; }
  int IsListFileDifferent(const FileItem&) override { return 1; }
  int CopyServerListFileToLocalListFile(const FileItem&) override { return 0; }
  bool ReopenSharedConnection(const char*) override { return true; }
  CPendingWork LoadPendingWork(const FileItem&) override { return CPendingWork(); }
  bool SavePendingWork(const FileItem&, const CPendingWork&) override { return true; }
  // Nothing is installed in the preview.
  void UpdateRegisterKeyValue() override {}
  int HandleExecuteTypeFiles() override { return 0; }
  int HandleZipTypeFiles(int) override { return 0; }
  int HandleRegistryTypeFiles() override { return 0; }
  int HandleRegisterTypeFilesByRegSvr32(bool, int) override { return 0; }
  int HandleRegisterTypeFilesByRegAsm(int) override { return 0; }
  int HandleDeleteTypeFiles() override { return 0; }
  int HandleFontTypeFiles() override { return 0; }
  int HandleZipRegTypeFiles(int) override { return 0; }

 private:
  CFileItemLists& m_lists;
  IRunDisplay& m_display;
  int m_nDelayMs;
  int m_nFiles;
  int m_nFailIndex;
  int m_nQueries = 0;
  int m_nDownloads = 0;
};
}  // namespace

int main(int argc, char** argv) {
  const int delayMs = argc > 1 ? std::atoi(argv[1]) : 400;
  const int files = argc > 2 ? std::atoi(argv[2]) : 30;
  const int failIndex = argc > 3 ? std::atoi(argv[3]) : 4;
  CGdiplusSession gdiplus;

  CVantoCfg cfg;
  cfg.TARGET_DIR = "C:\\Vanto";
  cfg.LIST_FILE_NAME = "Vanto.lst";
  cfg.DOWNLOAD_BASE_URL = "/vanto";
  cfg.SVR_IP_ADDR = "127.0.0.1";
  cfg.SVR_PORT_NO = "8080";
  CFileItemLists lists;
  FileItem listItem;

  VantoDialogInfo info;
  info.strVersion = "11.11.7.1";
  info.strWindowsDir = "C:\\windows";
  info.strSystemDir = "C:\\windows\\system32";
  info.pLists = &lists;
  CVantoExeDlg dialog(info);
  CSimulatedServer server(lists, dialog, delayMs, files, failIndex);
  VantoRunContext context;
  context.pCfg = &cfg;
  context.pLists = &lists;
  context.pListFileItem = &listItem;
  CVantoEngine engine(dialog, server, context);
  dialog.SetEngine(&engine);
  const INT_PTR r = dialog.DoModal();
  std::printf("dialog=%d result=%d\n", static_cast<int>(r), g_nResult);
  return 0;
}
