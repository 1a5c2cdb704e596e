// Reads a list file against a real server for end-to-end tests: opens the
// shared connection as start-up does, runs GetFileListFromListFile with the
// HTTP layer's file information request and prints the lists.
//
//   vanto_list_driver LOG_DIR KEY=VALUE...
// Keys: SVR_IP_ADDR SVR_PORT_NO DOWNLOAD_BASE_URL TARGET_DIR LIST_FILE_NAME
// EXCLUDE_DIRS ALL_REG_FLAG TIME_CHECK_SPAN FILE_COMPARE_GMT_TIME.
// Output lines: result=N, then LIST=path|kind|time|size|chunked|gzip|down.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/VantoCfg.h"
#include "http/HttpContext.h"
#include "http/ServerFileQuery.h"
#include "list/ListFileReader.h"
#include "run/ServerFileInfoSeam.h"
#include "util/MyLog.h"
#include "util/RunDisplay.h"

namespace {
class QuietDisplay : public IRunDisplay {
 public:
  void ShowStepMessage(const char*) override {}
  void AddListMessage(int, const std::string&) override {}
  void PumpWaitingMessages(int) override {}
  void SetStaticText(int, const std::string&) override {}
  void SetProgressRange(int, int, int) override {}
  void SetProgressPos(int, int) override {}
  int AskUser(const std::string&, const std::string&, unsigned) override { return 0; }
};

void Apply(CVantoCfg& cfg, const std::string& key, const std::string& value) {
  const int number = std::atoi(value.c_str());
  if (key == "SVR_IP_ADDR") cfg.SVR_IP_ADDR = value;
  else if (key == "SVR_PORT_NO") cfg.SVR_PORT_NO = value;
  else if (key == "DOWNLOAD_BASE_URL") cfg.DOWNLOAD_BASE_URL = value;
  else if (key == "TARGET_DIR") cfg.TARGET_DIR = value;
  else if (key == "LIST_FILE_NAME") cfg.LIST_FILE_NAME = value;
  else if (key == "EXCLUDE_DIRS") cfg.EXCLUDE_DIRS = value;
  else if (key == "ALL_REG_FLAG") cfg.ALL_REG_FLAG = number;
  else if (key == "TIME_CHECK_SPAN") cfg.TIME_CHECK_SPAN = number;
  else if (key == "FILE_COMPARE_GMT_TIME") cfg.FILE_COMPARE_GMT_TIME = number;
  else std::fprintf(stderr, "unknown key %s\n", key.c_str());
}

void Print(const char* name, const FileItemList& list) {
  for (const auto& item : list)
    std::printf("%s=%s|%d|%s|%s|%d|%d|%d\n", name, item->m_strFilePath.c_str(), item->m_nFileType,
                item->m_strModifyTime.c_str(), item->m_strFileSize.c_str(), item->m_nChunkedFlag, item->m_nGzipFlag,
                item->m_nDownFlag);
}
}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 2) {
    std::fprintf(stderr, "usage: vanto_list_driver LOG_DIR KEY=VALUE...\n");
    return 2;
  }
  CVantoCfg cfg;
  cfg.m_dwConnectTimeOut = cfg.m_dwSendTimeOut = cfg.m_dwRecvTimeOut = 20000;
  cfg.RUN_MODE = "LOOM_BROWSER";
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const size_t eq = arg.find('=');
    if (eq == std::string::npos) return 2;
    Apply(cfg, arg.substr(0, eq), arg.substr(eq + 1));
  }
  CMyLog log;
  log.Init(argv[1], "VantoExe", 10, "DEBUG", 0);
  g_pMyLog = &log;

  QuietDisplay display;
  CHttpContext http(cfg);
  std::printf("open_shared=%d\n", http.OpenShared("CVantoExeApp::InitInstance> ") ? 1 : 0);
  ListReadContext context;
  context.display = &display;
  // As in a run: GetServerFileInfo on the shared connection, answers
  // written back into the entry.
  context.queryServerFileInfo = [&http, &display](FileItem& item) {
    ServerFileInfo info = ToServerInfo(item);
    int32_t errCode = 0;
    std::string errMsg;
    const int result = GetServerFileInfo(http, display, info, errCode, errMsg);
    FromServerInfo(info, item);
    return result;
  };
  CFileItemLists lists;
  std::printf("result=%d\n", GetFileListFromListFile(lists, cfg, context));
  Print("down", lists.DownFileItemList);
  Print("reg", lists.RegFileItemList);
  Print("font", lists.FntFileItemList);
  Print("cmd", lists.CmdFileItemList);
  Print("zip", lists.ZipFileItemList);
  Print("regasm", lists.RegAsmFileItemList);
  Print("zipreg", lists.ZipRegFileItemList);
  std::fflush(stdout);
  lists.ClearAllFileItemLists();
  http.CloseShared();
  g_pMyLog = nullptr;
  return 0;
}
