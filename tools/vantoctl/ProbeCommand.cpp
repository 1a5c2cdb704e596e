// vantoctl probe: shows how the client sees one file on the server with a
// given configuration, using the client's own request code (HEAD, and GET
// with backup and restore when asked). Windows only: it needs WinINet.
#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "config/CfgNormalize.h"
#include "config/VantoCfg.h"
#include "http/FileDownload.h"
#include "http/HttpContext.h"
#include "http/ServerFileQuery.h"

namespace {
const char kUsage[] = "probe --ini PATH [--section NAME] REL_PATH [--download LOCAL_PATH]";

// Prints the rows and questions instead of showing them; a certificate
// question is answered No.
class ConsoleDisplay : public IRunDisplay {
 public:
  void ShowStepMessage(const char*) override {}
  void AddListMessage(int, const std::string& text) override { std::printf("message=%s\n", text.c_str()); }
  void PumpWaitingMessages(int) override {}
  void SetStaticText(int, const std::string&) override {}
  void SetProgressRange(int, int, int) override {}
  void SetProgressPos(int, int) override {}
  int AskUser(const std::string& text, const std::string&, unsigned) override {
    std::string oneLine;
    for (char c : text) oneLine += (c == '\r' || c == '\n') ? ' ' : c;
    std::printf("certificate_error=%s\n", oneLine.c_str());
    return IDNO;
  }
};

void PrintError(int32_t code, const std::string& text) {
  if (code == 0) return;
  std::printf("error_code=%d\nerror_text=%s\n", static_cast<int>(code), text.c_str());
}

int Probe(const std::vector<std::string>& args) {
  std::string ini, section = "VANTO", rel, local;
  bool download = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "--ini" || a == "--section" || a == "--download") && i + 1 >= args.size())
      return VantoctlUsageError("missing value after " + a);
    if (a == "--ini") {
      ini = args[++i];
    } else if (a == "--section") {
      section = args[++i];
    } else if (a == "--download") {
      download = true;
      local = args[++i];
    } else if (!a.empty() && a[0] == '-') {
      return VantoctlUsageError("unknown option " + a + "\nusage: vantoctl " + kUsage);
    } else if (rel.empty()) {
      rel = a;
    } else {
      return VantoctlUsageError(std::string("more than one REL_PATH\nusage: vantoctl ") + kUsage);
    }
  }
  if (ini.empty() || rel.empty()) return VantoctlUsageError(std::string("usage: vantoctl ") + kUsage);
  if (::GetFileAttributesA(ini.c_str()) == INVALID_FILE_ATTRIBUTES)
    return VantoctlUsageError("cannot read " + ini);

  // The settings as the client holds them after start-up.
  CVantoCfg cfg;
  cfg.m_dwConnectTimeOut = cfg.m_dwSendTimeOut = cfg.m_dwRecvTimeOut = 1800000;
  cfg.LoadConfigFromIniFile(ini, section);
  TrimDownloadBaseUrl(cfg);

  ConsoleDisplay display;
  CHttpContext http(cfg);
  if (!http.OpenShared("vantoctl probe> ")) {
    std::printf("info_result=-1\n");
    if (download) std::printf("download_result=-1\n");
    return 1;
  }
  ServerFileInfo item;
  item.m_strFilePath = rel;
  item.m_strLocalPath = local;
  int32_t errCode = 0;
  std::string errText;
  const int info = GetServerFileInfo(http, display, item, errCode, errText);
  std::printf("info_result=%d\nm_strModifyTime=%s\nm_strFileSize=%s\nm_nChunkedFlag=%d\nm_nGzipFlag=%d\n", info,
              item.m_strModifyTime.c_str(), item.m_strFileSize.c_str(), item.m_nChunkedFlag, item.m_nGzipFlag);
  PrintError(errCode, errText);
  int status = info == 0 ? 0 : 1;
  if (download) {
    const int32_t stop = 0;
    std::string message;
    DownloadCaller caller{display, stop, message};
    const int rc = DownloadOneFileFromServer(http, caller, item, 1, 1, http.m_nCertIgnoreFlag, errCode, errText);
    std::printf("download_result=%d\n", rc);
    PrintError(errCode, errText);
    if (rc != 0) status = 1;
  }
  return status;
}

const VantoctlCommand kProbe("probe", kUsage, Probe);
}  // namespace
#endif
