// vantoctl publish verify: checks a publish folder on the server before
// clients see it. Reads the server's list with the client's own request and
// reading code and checks every entry on the server: reachable, size and
// time as the list says where it says them, SHA-256 where the list has one;
// and entries that reach the same local file on Windows. With PUBLISHER_KEY
// in the INI, the list's signature too, and entries without a SHA-256. One line per
// problem on standard output (CP949, like the list); exit status 1 when
// there is any. Windows only: it needs WinINet.
#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "ClientSession.h"
#include "CommandRegistry.h"
#include "ListRules.h"
#include "config/VantoCfg.h"
#include "http/FileDownload.h"
#include "http/HttpContext.h"
#include "http/ServerFileQuery.h"
#include "http/SmallFileFetch.h"
#include "run/RunTexts.h"
#include "trust/MinisignFormat.h"
#include "trust/SignedRelease.h"
#include "list/ListFileScanner.h"
#include "list/PublishChecks.h"
#include "util/Sha256.h"

namespace {
const char kUsage[] = "publish verify --ini PATH [--section NAME]";

const char* HeadResultText(int result) {
  switch (result) {
    case -1: return "no connection, or the request could not be opened";
    case -2: return "no status from the server";
    case -3: return "no Last-Modified header";
    case -5: return "status other than 200, or proxy authentication failed";
    case -9: return "network or certificate error";
    default: return result <= -101 && result >= -104 ? "proxy credentials could not be set" : "failed";
  }
}

const char* DownloadResultText(int result) {
  switch (result) {
    case DOWNLOAD_NO_CONNECTION: return "no connection, or the request could not be opened";
    case DOWNLOAD_BAD_STATUS: return "status other than 200";
    case DOWNLOAD_LOCAL_WRITE: return "the temporary file could not be written";
    case DOWNLOAD_SIZE_MISMATCH: return "fewer or more bytes than the size";
    case DOWNLOAD_SET_DATE: return "proxy authentication failed";
    case DOWNLOAD_GZIP_OR_EXCEPTION: return "gzip decoding failed, or a network error";
    case DOWNLOAD_NO_DATA: return "no data";
    default: return "failed";
  }
}

// The decimal value a client reads from a size text (leading digits).
long long LeadingNumber(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 10); }

class CPublishVerifier {
 public:
  explicit CPublishVerifier(const CVantoCfg& cfg)
      : m_cfg(cfg), m_http(cfg),
        m_display(nullptr, [this](const std::string& question) { m_strQuestion = OneLine(question); }) {
    char folder[MAX_PATH] = "";
    ::GetTempPathA(sizeof(folder), folder);
    const std::string stem = std::string(folder) + "vantoctl_verify_" + std::to_string(::GetCurrentProcessId());
    m_strListCopy = stem + ".lst";
    m_strFileCopy = stem + ".tmp";
  }
  ~CPublishVerifier() {
    ::DeleteFileA(m_strListCopy.c_str());
    ::DeleteFileA(m_strFileCopy.c_str());
  }

  int Run() {
    if (!m_http.OpenShared("vantoctl publish> ")) {
      Problem("server " + m_cfg.SVR_IP_ADDR + ":" + m_cfg.SVR_PORT_NO + ": no connection");
      return Finish();
    }
    std::vector<ListedEntry> entries;
    if (!FetchList() || !ReadList(entries)) return Finish();
    for (const ListedEntry& entry : entries) {
      if (const char cut = RequestCutCharacter(entry.item.m_strFilePath)) Problem(DescribeCutPath(entry, cut));
      if (m_bSigned && entry.item.m_nFileType != FILE_KIND_DEL && entry.item.m_strSha256.empty())
        Problem(DescribeEntryProblem(entry, "no SHA-256 (field 7): clients with PUBLISHER_KEY refuse the entry"));
      // Clients delete DEL entries and never ask the server for them.
      if (entry.item.m_nFileType != FILE_KIND_DEL) CheckEntry(entry);
    }
    for (const LocalPathCollision& c : FindLocalPathCollisions(entries))
      Problem(DescribeCollision(entries[c.later], entries[c.earlier]));
    std::fprintf(stderr, "vantoctl: %d entries checked, %d problems\n", m_nChecked, m_nProblems);
    return Finish();
  }

 private:
  int Finish() {
    std::fflush(stdout);
    return m_nProblems > 0 ? 1 : 0;
  }

  void Problem(const std::string& line) {
    std::printf("%s\n", line.c_str());
    ++m_nProblems;
  }

  // Explains a failed request: its result and the error the client got.
  std::string Failure(const char* what, int result, const char* meaning, const std::string& errText) {
    std::string text = std::string(what) + " (result " + std::to_string(result) + ": " + meaning + ")";
    const std::string detail = !m_strQuestion.empty() ? m_strQuestion : OneLine(errText);
    if (!detail.empty()) text += ": " + detail;
    m_strQuestion.clear();
    return text;
  }

  int Head(ServerFileInfo& info, std::string& errText) {
    int32_t errCode = 0;
    return GetServerFileInfo(m_http, m_display, info, errCode, errText);
  }

  int Download(ServerFileInfo& info, int dateFlag, std::string& errText) {
    const int32_t noStop = 0;
    std::string message;
    DownloadCaller caller{m_display, noStop, message};
    int32_t errCode = 0;
    return DownloadOneFileFromServer(m_http, caller, info, dateFlag, 0, m_http.m_nCertIgnoreFlag, errCode, errText);
  }

  // The list as a client fetches it at the start of a run.
  bool FetchList() {
    ServerFileInfo list;
    list.m_strFilePath = m_cfg.LIST_FILE_NAME;
    list.m_strLocalPath = m_strListCopy;
    const std::string name = "list file " + m_cfg.LIST_FILE_NAME + ": ";
    std::string errText;
    const int info = Head(list, errText);
    if (info != 0) {
      Problem(name + Failure("not reachable", info, HeadResultText(info), errText));
      return false;
    }
    const int rc = Download(list, 0, errText);
    if (rc != DOWNLOAD_OK) {
      Problem(name + Failure("download failed", rc, DownloadResultText(rc), errText));
      return false;
    }
    if (!m_cfg.PUBLISHER_KEY.empty()) CheckListSignature(name);
    return true;
  }

  // Signed publishing: the list's .minisig as clients check it (no
  // accepted time to compare with here).
  void CheckListSignature(const std::string& name) {
    MinisignPublicKey key;
    std::string reason;
    if (!ParsePublicKey(m_cfg.PUBLISHER_KEY, key, reason)) {
      Problem(name + "PUBLISHER_KEY is not a minisign public key (" + reason + ")");
      return;
    }
    const std::string object = BuildFileUrl(m_cfg.DOWNLOAD_BASE_URL, m_cfg.LIST_FILE_NAME) + ".minisig";
    std::string text, errText;
    int32_t errCode = 0;
    const int rc = FetchSmallFile(m_http, object, kMaxSignatureFileSize, m_http.m_nCertIgnoreFlag, text, errCode, errText);
    if (rc != 0) {
      Problem(name + "signature " + object + " not obtainable (result " + std::to_string(rc) + ")" +
              (errText.empty() ? "" : ": " + OneLine(errText)));
      return;
    }
    ReleaseRules rules;
    rules.fileName = m_cfg.LIST_FILE_NAME;
    rules.now = static_cast<uint64_t>(std::time(nullptr));
    const ReleaseCheck check = CheckSignedRelease(key, text, m_strListCopy, rules);
    if (check.verdict != ReleaseVerdict::Accepted) Problem(name + "signature refused: " + check.reason);
    else std::fprintf(stderr, "vantoctl: %ssigned with key id %s\n", name.c_str(), KeyIdText(key.keyId).c_str());
    m_bSigned = true;
  }

  // The entries clients act on, with their local paths resolved as on this
  // machine.
  bool ReadList(std::vector<ListedEntry>& entries) {
    CListFileScanner scanner;
    if (!scanner.Open(m_strListCopy)) {
      Problem("list file " + m_cfg.LIST_FILE_NAME + ": the downloaded copy cannot be read");
      return false;
    }
    const ListEntryRules rules = MachineListRules(m_cfg.TARGET_DIR, m_cfg.EXCLUDE_DIRS);
    ListPiece piece;
    while (scanner.ReadPiece(piece)) {
      ListedEntry entry;
      entry.line = piece.line;
      if (PrepareListEntry(piece.text, entry.item, rules) == ListLineOutcome::Entry) entries.push_back(entry);
    }
    return true;
  }

  void CheckEntry(const ListedEntry& entry) {
    ++m_nChecked;
    const FileItem& item = entry.item;
    ServerFileInfo info;
    info.m_strFilePath = item.m_strFilePath;
    std::string errText;
    const int rc = Head(info, errText);
    if (rc != 0) {
      Problem(DescribeEntryProblem(entry, Failure("not reachable", rc, HeadResultText(rc), errText)));
      return;
    }
    const long long listSize = LeadingNumber(item.m_strFileSize);
    if (listSize > 0 && info.m_nChunkedFlag == 0 && listSize != LeadingNumber(info.m_strFileSize)) {
      Problem(DescribeEntryProblem(
          entry, "size differs: list " + item.m_strFileSize + ", server " + info.m_strFileSize));
    }
    if (!item.m_strModifyTime.empty()) CheckTime(entry, info.m_strModifyTime);
    if (!item.m_strSha256.empty()) CheckDigest(entry, info);
  }

  void CheckTime(const ListedEntry& entry, const std::string& serverTime) {
    const std::string& listTime = entry.item.m_strModifyTime;
    int64_t gap = 0;
    // The client's own rule: a time that is not 14 characters is never current.
    if (listTime.size() != 14) {
      Problem(DescribeEntryProblem(entry, "time \"" + listTime +
                                              "\" in the list is not YYYYMMDDhhmmss: clients fetch the file on "
                                              "every run"));
    } else if (TimeTextGap(listTime, serverTime, gap) && gap > m_cfg.TIME_CHECK_SPAN) {
      Problem(DescribeEntryProblem(entry, "time differs: list " + listTime + ", server " + serverTime +
                                              " (TIME_CHECK_SPAN " + std::to_string(m_cfg.TIME_CHECK_SPAN) +
                                              " s)"));
    }
  }

  // Fetches the file as a client would (the list's size and time when it
  // gives both, else the server's answers) and hashes what arrived.
  void CheckDigest(const ListedEntry& entry, const ServerFileInfo& answer) {
    const FileItem& item = entry.item;
    ServerFileInfo file = answer;
    if (!item.m_strFileSize.empty() && !item.m_strModifyTime.empty()) {
      file.m_strFileSize = item.m_strFileSize;
      file.m_strModifyTime = item.m_strModifyTime;
      file.m_nChunkedFlag = 0;
      file.m_nGzipFlag = -1;
    }
    file.m_strLocalPath = m_strFileCopy;
    std::string errText;
    const int rc = Download(file, 0, errText);
    std::string actual;
    if (rc != DOWNLOAD_OK) {
      Problem(DescribeEntryProblem(entry, Failure("download failed", rc, DownloadResultText(rc), errText)));
    } else if (!Sha256OfFile(m_strFileCopy, actual)) {
      Problem(DescribeEntryProblem(entry, "the downloaded copy cannot be read for its SHA-256"));
    } else if (actual != item.m_strSha256) {
      Problem(DescribeEntryProblem(entry, "SHA-256 differs: list " + item.m_strSha256 + ", server " + actual));
    }
    ::DeleteFileA(m_strFileCopy.c_str());
  }

  const CVantoCfg& m_cfg;
  CHttpContext m_http;
  CToolDisplay m_display;
  std::string m_strQuestion;  // the last certificate question, for the problem line
  std::string m_strListCopy;
  std::string m_strFileCopy;
  bool m_bSigned = false;  // PUBLISHER_KEY set: every entry needs its SHA-256
  int m_nChecked = 0;
  int m_nProblems = 0;
};

int Verify(const std::vector<std::string>& args) {
  std::string ini;
  std::string section = "VANTO";
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "--ini" || a == "--section") && i + 1 < args.size()) {
      (a == "--ini" ? ini : section) = args[++i];
    } else {
      return VantoctlUsageError("unknown or incomplete argument '" + a + "'; usage: vantoctl " + kUsage);
    }
  }
  if (ini.empty()) return VantoctlUsageError(std::string("usage: vantoctl ") + kUsage);
  CVantoCfg cfg;
  if (!LoadClientSettings(ini, section, cfg)) return VantoctlUsageError("cannot read " + ini);
  CPublishVerifier verifier(cfg);
  return verifier.Run();
}

int PublishCommand(const std::vector<std::string>& args) {
  if (args.empty() || args[0] != "verify") return VantoctlUsageError(std::string("usage: vantoctl ") + kUsage);
  return Verify(args);
}

const VantoctlCommand kPublishCommand("publish", kUsage, PublishCommand);
}  // namespace
#endif
