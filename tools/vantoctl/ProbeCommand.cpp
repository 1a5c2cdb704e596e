// vantoctl probe: shows how the client sees one file on the server with a
// given configuration, using the client's own request code (HEAD, and GET
// with backup and restore when asked). Windows only: it needs WinINet.
#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ClientSession.h"
#include "CommandRegistry.h"
#include "config/VantoCfg.h"
#include "http/FileDownload.h"
#include "http/HttpContext.h"
#include "http/ServerFileQuery.h"

namespace {
const char kUsage[] = "probe --ini PATH [--section NAME] REL_PATH [--download LOCAL_PATH]";

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
  CVantoCfg cfg;
  if (!LoadClientSettings(ini, section, cfg)) return VantoctlUsageError("cannot read " + ini);

  // Rows and questions are printed; a certificate question is answered No.
  CToolDisplay display([](const std::string& row) { std::printf("message=%s\n", row.c_str()); },
                       [](const std::string& question) {
                         std::printf("certificate_error=%s\n", OneLine(question).c_str());
                       });
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
