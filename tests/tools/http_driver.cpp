// Drives the HTTP operations for end-to-end tests: reads settings, opens the
// shared connection as start-up does, runs a script of commands and prints
// what happened as key=value lines (texts as CP949 bytes).
//
//   vanto_http_driver SETTINGS_FILE LOG_DIR COMMAND...
// SETTINGS_FILE holds KEY=VALUE lines with configuration keys and the
// time-outs (m_dwConnectTimeOut, m_dwSendTimeOut, m_dwRecvTimeOut).
// Commands:
//   answer yes|no            answer for every certificate question
//   stop-after N             set the stop flag at the N-th file bar move
//   cert-ignore 0|1          the run's certificate-ignore flag
//   item REL LOCAL           start a new item
//   set size|time|chunked|gzip VALUE
//   info                     GetServerFileInfo on the item
//   download DATEFLAG        DownloadOneFileFromServer on the item
//   loadcfg OBJECT           LoadConfigFromServer with the settings
//   reopen                   open the shared session and connection again
//   lock PATH                hold PATH open for writing, shared for writing
//                            only (no rename, no copy), until the end
//   bound unknown-size N     what a download of unknown size may write
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "config/VantoCfg.h"
#include "http/FileDownload.h"
#include "http/HttpContext.h"
#include "http/ServerConfigDownload.h"
#include "http/ServerConfigLine.h"
#include "http/ServerFileQuery.h"
#include "util/MyLog.h"
#include "util/WinHandles.h"

namespace {
class RecordingDisplay : public IRunDisplay {
 public:
  explicit RecordingDisplay(int32_t& stopFlag) : m_stopFlag(stopFlag) {}
  void ShowStepMessage(const char* text) override {
    if (text) std::printf("step=%s\n", text);
  }
  void AddListMessage(int kind, const std::string& text) override { std::printf("row=%d|%s\n", kind, text.c_str()); }
  void PumpWaitingMessages(int) override {}
  void SetStaticText(int id, const std::string& text) override { std::printf("static=%d|%s\n", id, text.c_str()); }
  void SetProgressRange(int id, int lower, int upper) override { std::printf("range=%d|%d|%d\n", id, lower, upper); }
  void SetProgressPos(int id, int pos) override {
    ++m_moves;
    m_lastPos = pos;
    if (pos == 0) ++m_zeroMoves;
    if (m_stopAfter > 0 && m_moves >= m_stopAfter) m_stopFlag = 1;
    (void)id;
  }
  int AskUser(const std::string& text, const std::string&, unsigned) override {
    std::printf("ask=%s\n", text.c_str());
    return m_answerYes ? IDYES : IDNO;
  }
  void Summary() {
    std::printf("bar_moves=%d\nbar_last=%d\nbar_zero_moves=%d\n", m_moves, m_lastPos, m_zeroMoves);
    m_moves = m_zeroMoves = 0;
    m_lastPos = -1;
  }

  bool m_answerYes = false;
  int m_stopAfter = 0;

 private:
  int32_t& m_stopFlag;
  int m_moves = 0;
  int m_zeroMoves = 0;
  int m_lastPos = -1;
};

void PrintItem(const ServerFileInfo& item) {
  std::printf("m_strModifyTime=%s\nm_strFileSize=%s\nm_nChunkedFlag=%d\nm_nGzipFlag=%d\n", item.m_strModifyTime.c_str(),
              item.m_strFileSize.c_str(), item.m_nChunkedFlag, item.m_nGzipFlag);
}

bool ReadSettings(const char* path, CVantoCfg& cfg) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string key, value;
    if (ClassifyServerConfigLine(line, key, value) != SERVER_CFG_LINE_SETTING) continue;
    if (key == "m_dwConnectTimeOut") cfg.m_dwConnectTimeOut = std::strtoul(value.c_str(), nullptr, 10);
    else if (key == "m_dwSendTimeOut") cfg.m_dwSendTimeOut = std::strtoul(value.c_str(), nullptr, 10);
    else if (key == "m_dwRecvTimeOut") cfg.m_dwRecvTimeOut = std::strtoul(value.c_str(), nullptr, 10);
    else ApplyServerConfigKey(cfg, key, value);
  }
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc < 3) {
    std::fprintf(stderr, "usage: vanto_http_driver SETTINGS_FILE LOG_DIR COMMAND...\n");
    return 2;
  }
  CVantoCfg cfg;
  cfg.m_dwConnectTimeOut = cfg.m_dwSendTimeOut = cfg.m_dwRecvTimeOut = 20000;
  if (!ReadSettings(argv[1], cfg)) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 2;
  }
  CMyLog log;
  log.Init(argv[2], "VantoExe", 10, "DEBUG", 0);
  g_pMyLog = &log;

  int32_t stopFlag = 0;
  std::string strMsg;
  RecordingDisplay display(stopFlag);
  DownloadCaller caller{display, stopFlag, strMsg};
  CHttpContext http(cfg);
  std::printf("open_shared=%d\n", http.OpenShared("CVantoExeApp::InitInstance> ") ? 1 : 0);

  ServerFileInfo item;
  std::vector<UniqueFileHandle> locks;
  const std::vector<std::string> args(argv + 3, argv + argc);
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& command = args[i];
    auto next = [&]() -> std::string { return i + 1 < args.size() ? args[++i] : std::string(); };
    if (command == "answer") {
      display.m_answerYes = next() == "yes";
    } else if (command == "stop-after") {
      display.m_stopAfter = std::atoi(next().c_str());
    } else if (command == "cert-ignore") {
      http.m_nCertIgnoreFlag = std::atoi(next().c_str());
    } else if (command == "item") {
      item = ServerFileInfo();
      item.m_strFilePath = next();
      item.m_strLocalPath = next();
    } else if (command == "set") {
      const std::string field = next();
      const std::string value = next();
      if (field == "size") item.m_strFileSize = value;
      else if (field == "time") item.m_strModifyTime = value;
      else if (field == "chunked") item.m_nChunkedFlag = std::atoi(value.c_str());
      else if (field == "gzip") item.m_nGzipFlag = std::atoi(value.c_str());
    } else if (command == "info") {
      int32_t errCode = 0;
      std::string errMsg;
      const int rc = GetServerFileInfo(http, display, item, errCode, errMsg);
      std::printf("info_result=%d\nerr_code=%d\n", rc, static_cast<int>(errCode));
      PrintItem(item);
      std::printf("cert_ignore=%d\n", http.m_nCertIgnoreFlag);
    } else if (command == "download") {
      const int dateFlag = std::atoi(next().c_str());
      int32_t errCode = 0;
      std::string errMsg;
      strMsg.clear();
      const int rc =
          DownloadOneFileFromServer(http, caller, item, dateFlag, 1, http.m_nCertIgnoreFlag, errCode, errMsg);
      std::printf("download_result=%d\nerr_code=%d\nm_strMsg=%s\n", rc, static_cast<int>(errCode), strMsg.c_str());
      PrintItem(item);
      display.Summary();
    } else if (command == "loadcfg") {
      const std::string object = next();
      int32_t errCode = 0;
      std::string errMsg;
      const int rc = LoadConfigFromServer(cfg, cfg.SVR_IP_ADDR, cfg.SVR_PORT_NO, cfg.SVR_HTTPS, object,
                                          http.m_nCertIgnoreFlag, errCode, errMsg, cfg.PROXY_IP_ADDR,
                                          cfg.PROXY_USER_NAME, cfg.PROXY_USER_PASSWORD, cfg.PROXY_AUTH_MODE);
      std::printf("loadcfg_result=%d\nerr_code=%d\n", rc, static_cast<int>(errCode));
      std::printf("LIST_FILE_NAME=%s\nRUN_MODE=%s\nLAST_LIST_FILE_NAME=%s\nTIME_CHECK_SPAN=%d\nSVR_HTTPS=%d\n"
                  "EXCLUDE_DIRS=%s\nDOWNLOAD_BASE_URL=%s\n",
                  cfg.LIST_FILE_NAME.c_str(), cfg.RUN_MODE.c_str(), cfg.LAST_LIST_FILE_NAME.c_str(),
                  cfg.TIME_CHECK_SPAN, cfg.SVR_HTTPS, cfg.EXCLUDE_DIRS.c_str(), cfg.DOWNLOAD_BASE_URL.c_str());
    } else if (command == "lock") {
      const std::string path = next();
      locks.emplace_back(
          ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
      std::printf("lock=%d\n", locks.back() ? 1 : 0);
    } else if (command == "bound") {
      const std::string which = next();
      if (which != "unknown-size") {
        std::fprintf(stderr, "unknown bound %s\n", which.c_str());
        return 2;
      }
      http.m_bounds.unknownSize = std::strtoll(next().c_str(), nullptr, 10);
    } else if (command == "reopen") {
      std::printf("open_shared=%d\n", http.OpenShared("CVantoExeApp::InitInstance> ") ? 1 : 0);
    } else {
      std::fprintf(stderr, "unknown command %s\n", command.c_str());
      return 2;
    }
  }
  http.CloseShared();
  g_pMyLog = nullptr;
  return 0;
}
