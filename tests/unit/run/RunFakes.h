#pragma once
// A dialog that records what the run shows and answers questions from a
// script, and a server whose answers each test sets up.
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "list/FileItemLists.h"
#include "run/RunDialog.h"
#include "run/RunServices.h"

struct RecordedRow {
  int kind;
  std::string text;
};
struct RecordedQuestion {
  std::string text;
  std::string caption;
  unsigned type;
};
struct PostedMessage {
  unsigned message;
  int wParam;
  int lParam;
};

class CRecordingDialog : public IRunDialog {
 public:
  void ShowStepMessage(const char* text) override {
    if (text) steps.push_back(text);
  }
  void AddListMessage(int kind, const std::string& text) override {
    if (kind == 1 || kind == 2) rows.push_back({kind, text});
  }
  void PumpWaitingMessages(int) override {
    ++pumps;
    if (onPump) onPump();
  }
  void SetStaticText(int id, const std::string& text) override { statics[id].push_back(text); }
  void SetProgressRange(int id, int lower, int upper) override {
    ranges[id] = {lower, upper};
    positions[id] = lower;
  }
  void SetProgressPos(int id, int position) override { positions[id] = position; }
  int AskUser(const std::string& text, const std::string& caption, unsigned type) override {
    questions.push_back({text, caption, type});
    if (answers.empty()) return 1;  // IDOK
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
  void SetRunButtons(bool start, bool stop, bool close) override { buttons.push_back({start, stop, close}); }
  void ResetProgressDisplay() override {
    ++resets;
    if (firstStart == 1) rows.clear();
  }
  void DeleteAllListRows() override { rows.clear(); }
  void DisplaySystemInfo() override {
    if (firstStart == 1) rows.push_back({2, "system info"});
  }
  int GetFirstStartFlag() const override { return firstStart; }
  void SetFirstStartFlag(int flag) override { firstStart = flag; }
  void PostDialogMessage(unsigned message, int wParam, int lParam) override {
    posted.push_back({message, wParam, lParam});
  }
  void PumpAllWaitingMessages() override { ++pumpAlls; }

  bool HasRow(int kind, const std::string& text) const {
    for (const RecordedRow& r : rows)
      if (r.kind == kind && r.text == text) return true;
    return false;
  }

  std::vector<std::string> steps;
  std::vector<RecordedRow> rows;
  std::vector<RecordedQuestion> questions;
  std::deque<int> answers;  // IDYES 6, IDNO 7
  std::map<int, std::vector<std::string>> statics;
  std::map<int, std::pair<int, int>> ranges;
  std::map<int, int> positions;
  std::vector<std::vector<bool>> buttons;
  std::vector<PostedMessage> posted;
  std::function<void()> onPump;
  int firstStart = 1;
  int resets = 0;
  int pumps = 0;
  int pumpAlls = 0;
};

// One listed file as the scripted server knows it.
struct ServerEntry {
  std::string path;
  int kind = FILE_KIND_NORMAL;
  int passFlag = 0;
  std::string listTime;  // field 5 of the list, empty: ask the server
  std::string listSize;
  int queryResult = 0;
  int downloadResult = 0;
  int needsDownload = 1;  // CheckDownloadAndSettleBackup
};

class CScriptedServer : public IRunServices {
 public:
  explicit CScriptedServer(CFileItemLists& lists) : m_lists(lists) {}

  // Lanes for parallel runs: the server's own answers, one call at a time.
  class CLane : public IEntryLane {
   public:
    explicit CLane(CScriptedServer& server) : m_server(server) {}
    void BeginEntry(int certIgnoreFlag, IRunDisplay&, std::string&) override {
      std::lock_guard<std::mutex> guard(m_server.laneLock);
      m_server.laneCertFlags.push_back(certIgnoreFlag);
    }
    int QueryServerFileInfo(const std::string& url, std::string& time, std::string& size, int32_t& chunked,
                            int32_t& gzip, int& errCode, std::string& errText) override {
      std::lock_guard<std::mutex> guard(m_server.laneLock);
      return m_server.QueryServerFileInfo(url, time, size, chunked, gzip, errCode, errText);
    }
    int DownloadOneFileFromServer(FileItem& item, int dateFlag, int progressFlag, int& errCode,
                                  std::string& errText) override {
      if (m_server.beforeLaneDownload) m_server.beforeLaneDownload(item);  // unlocked: it may wait
      std::lock_guard<std::mutex> guard(m_server.laneLock);
      return m_server.DownloadOneFileFromServer(item, dateFlag, progressFlag, errCode, errText);
    }
    int CheckDownloadAndSettleBackup(const FileItem& item) override {
      std::lock_guard<std::mutex> guard(m_server.laneLock);
      return m_server.CheckDownloadAndSettleBackup(item);
    }

   private:
    CScriptedServer& m_server;
  };
  std::unique_ptr<IEntryLane> OpenEntryLane(const int32_t&) override {
    calls.push_back("OpenEntryLane");
    if (lanesOpened >= lanes) return nullptr;
    ++lanesOpened;
    return std::make_unique<CLane>(*this);
  }
  int lanes = 0;  // how many OpenEntryLane gives
  int lanesOpened = 0;
  std::mutex laneLock;
  std::vector<int> laneCertFlags;
  std::function<void(FileItem&)> beforeLaneDownload;

  int GetServerFileInfo(FileItem& item) override {
    calls.push_back("GetServerFileInfo:" + item.m_strFilePath);
    if (listInfoResult == 0) item.m_strModifyTime = "20261208000000";
    return listInfoResult;
  }
  int QueryServerFileInfo(const std::string& url, std::string& time, std::string& size, int32_t& chunked,
                          int32_t& gzip, int& errCode, std::string& errText) override {
    calls.push_back("Query:" + url);
    const ServerEntry* e = Find(url);
    if (!e) return -5;
    if (e->queryResult != 0) return e->queryResult;
    time = "20261201101010";
    size = "1234567";
    chunked = 0;
    gzip = 0;
    errCode = 0;
    errText.clear();
    return 0;
  }
  int DownloadOneFileFromServer(FileItem& item, int dateFlag, int progressFlag, int& errCode,
                                std::string& errText) override {
    calls.push_back("Download:" + item.m_strFilePath + ":" + std::to_string(dateFlag) + std::to_string(progressFlag));
    if (onDownload) onDownload(item);
    if (!certErrorsLeft.empty() && certErrorsLeft.front() == item.m_strFilePath) {
      certErrorsLeft.erase(certErrorsLeft.begin());
      errCode = 12045;
      errText = "invalid CA";
      return -6;
    }
    if (item.m_strFilePath == listFileName) return listDownloadResult;
    for (const ServerEntry& e : entries)
      if (e.path == item.m_strFilePath) return e.downloadResult;
    return -2;
  }
  bool IsCertificateError(int code) override { return code == 12045 || code == 12037; }
  // Every entry goes on the down list (the decision is the list reading's);
  // copies as the list reading makes them.
  int GetFileListFromListFile(const CPendingWork& pending, bool requireDigest, int& refusedEntries) override {
    calls.push_back(requireDigest ? "GetFileListFromListFile:signed" : "GetFileListFromListFile");
    pendingSeenByRead = pending.Count();
    refusedEntries = refusedByReader;
    if (listReadResult < 0) return listReadResult;
    for (const ServerEntry& e : entries) {
      auto item = std::make_unique<FileItem>();
      item->m_strFilePath = e.path;
      item->m_strLocalPath = "C:\\T\\" + e.path;
      item->m_nFileType = e.kind;
      item->m_nPassFlag = e.passFlag;
      item->m_strModifyTime = e.listTime;
      item->m_strFileSize = e.listSize;
      switch (e.kind) {
        case FILE_KIND_ZIP: m_lists.ZipFileItemList.push_back(MakeHandlerCopy(*item)); break;
        case FILE_KIND_ASM: m_lists.RegAsmFileItemList.push_back(MakeHandlerCopy(*item)); break;
        case FILE_KIND_ZRG: m_lists.ZipRegFileItemList.push_back(MakeHandlerCopy(*item)); break;
        case FILE_KIND_FNT: m_lists.FntFileItemList.push_back(MakeHandlerCopy(*item)); break;
        default: break;
      }
      m_lists.DownFileItemList.push_back(std::move(item));
    }
    return static_cast<int>(entries.size());
  }
  CPendingWork LoadPendingWork(const FileItem&) override { return record; }
  bool SavePendingWork(const FileItem&, const CPendingWork& work) override {
    record = work;
    savedRecords.push_back(work.Serialize());
    return true;
  }
  int CheckDownloadAndSettleBackup(const FileItem& item) override {
    for (const ServerEntry& e : entries)
      if (e.path == item.m_strFilePath) return e.needsDownload;
    return 1;
  }
  int IsListFileDifferent(const FileItem&) override {
    calls.push_back("IsListFileDifferent");
    return listDifferent;
  }
  int CopyServerListFileToLocalListFile(const FileItem&) override {
    calls.push_back("CopyServerListFileToLocalListFile");
    return 0;
  }
  bool ReopenSharedConnection(const char* agent) override {
    calls.push_back(std::string("Open:") + agent);
    return reopenResult;
  }
  int FetchSmallFile(const std::string& path, std::size_t, std::string& text, int&, std::string&) override {
    calls.push_back("Fetch:" + path);
    const auto found = smallFiles.find(path);
    if (found == smallFiles.end()) return -2;
    text = found->second;
    return 0;
  }
  bool ReplaceLocalFile(const std::string& from, const std::string& to) override {
    calls.push_back("Replace:" + from + "->" + to);
    std::remove(to.c_str());  // Windows' rename does not replace
    return std::rename(from.c_str(), to.c_str()) == 0;
  }
  void DeleteLocalFile(const std::string& path) override { std::remove(path.c_str()); }
  uint64_t LoadAcceptedListTime(const std::string& key) override { return acceptedTimes[key]; }
  bool StoreAcceptedListTime(const std::string& key, uint64_t t) override {
    acceptedTimes[key] = t;
    return true;
  }
  uint64_t CurrentUnixTime() override { return now; }
  void UpdateRegisterKeyValue() override { calls.push_back("UpdateRegisterKeyValue"); }
  int HandleExecuteTypeFiles() override { return Handler("Execute"); }
  int HandleZipTypeFiles(int) override { return Handler("Zip"); }
  int HandleRegistryTypeFiles() override { return Handler("Registry"); }
  int HandleRegisterTypeFilesByRegSvr32(bool fromRegList, int) override {
    return Handler(fromRegList ? "RegSvr32:RegList" : "RegSvr32:DownList");
  }
  int HandleRegisterTypeFilesByRegAsm(int) override { return Handler("RegAsm"); }
  int HandleDeleteTypeFiles() override { return Handler("Delete"); }
  int HandleFontTypeFiles() override { return Handler("Font"); }
  int HandleZipRegTypeFiles(int) override { return Handler("ZipReg"); }

  // Handler calls only, in order.
  std::vector<std::string> HandlerCalls() const {
    std::vector<std::string> out;
    for (const std::string& c : calls)
      if (c.rfind("H:", 0) == 0) out.push_back(c.substr(2));
    return out;
  }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const std::string& c : calls)
      if (c.rfind(prefix, 0) == 0) ++n;
    return n;
  }

  std::vector<ServerEntry> entries;
  std::string listFileName = "Vanto.lst";
  int listInfoResult = 0;
  int listDownloadResult = 0;
  int listReadResult = 0;
  int listDifferent = 1;
  // Signed publishing.
  int refusedByReader = 0;
  std::map<std::string, std::string> smallFiles;  // server path -> body
  std::map<std::string, uint64_t> acceptedTimes;
  uint64_t now = 1800000000;
  bool reopenResult = true;
  std::map<std::string, int> handlerResults;
  std::vector<std::string> certErrorsLeft;  // paths whose next download fails with a certificate error
  std::function<void(FileItem&)> onDownload;
  std::vector<std::string> calls;
  CPendingWork record;                    // the pending-work record on "disk"
  std::vector<std::string> savedRecords;  // every save, in order
  int pendingSeenByRead = -1;
  // Called at each handler with the lists as the handler sees them.
  std::function<void(const std::string& handler)> onHandler;

 private:
  const ServerEntry* Find(const std::string& url) const {
    for (const ServerEntry& e : entries)
      if (url.size() >= e.path.size() && url.compare(url.size() - e.path.size(), e.path.size(), e.path) == 0)
        return &e;
    return nullptr;
  }
  int Handler(const std::string& name) {
    calls.push_back("H:" + name);
    if (onHandler) onHandler(name);
    const auto it = handlerResults.find(name);
    return it == handlerResults.end() ? 0 : it->second;
  }
  CFileItemLists& m_lists;
};
