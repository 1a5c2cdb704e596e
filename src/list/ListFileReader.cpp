#include "list/ListFileReader.h"

#include <new>
#include <utility>

#include "list/EntryNames.h"
#include "list/ListFileScanner.h"
#include "list/PublishedPaths.h"
#include "list/UpdateDecision.h"
#include "util/MyLog.h"
#include "util/RunDisplay.h"

namespace {
constexpr int kProgressEnd = 1000;

void Log(int level, const char* format) {
  if (g_pMyLog) g_pMyLog->Log(level, "%s", format);
}

// Every local file the list fetches (delete entries fetch nothing), read
// before any decision, so that no backup is taken for an entry the list
// publishes further down.
CPublishedPaths ReadPublishedPaths(const std::string& listPath, const ListEntryRules& rules) {
  CPublishedPaths published;
  CListFileScanner scanner;
  if (!scanner.Open(listPath)) return published;
  ListPiece piece;
  while (scanner.ReadPiece(piece)) {
    FileItem item;
    if (PrepareListEntry(piece.text, item, rules) == ListLineOutcome::Entry && item.m_nFileType != FILE_KIND_DEL)
      published.Add(item.m_strLocalPath);
  }
  return published;
}
}  // namespace

namespace {
// The entries the reading will ask the server about (no size or no time in
// the list, not refused), as the reading prepares them: the server paths in
// order.
std::vector<std::string> EntriesToAsk(const std::string& listPath, const ListEntryRules& rules, bool requireDigest) {
  std::vector<std::string> paths;
  CListFileScanner scanner;
  if (!scanner.Open(listPath)) return paths;
  ListPiece piece;
  while (scanner.ReadPiece(piece)) {
    FileItem item;
    const ListLineOutcome outcome = PrepareListEntry(piece.text, item, rules);
    if (outcome == ListLineOutcome::Skipped || outcome == ListLineOutcome::Excluded ||
        outcome == ListLineOutcome::NoServerPath || item.m_nFileType == FILE_KIND_DEL)
      continue;
    if (requireDigest && item.m_strSha256.empty()) continue;  // refused before any question
    if (item.m_strFileSize.empty() || item.m_strModifyTime.empty()) paths.push_back(item.m_strFilePath);
  }
  scanner.Close();
  return paths;
}

int ReadListFile(CFileItemLists& lists, const CVantoCfg& cfg, const ListReadContext& context) {
  IRunDisplay* display = context.display;
  Log(LOG_INFO, "-------------------------------------------------------------------------------------- Download List : S");

  ListEntryRules rules;
  rules.paths.targetDir = WithTrailingBackslash(cfg.TARGET_DIR);
  rules.paths.specialDirs = context.specialDirs;
  rules.paths.systemDir = context.systemDir;
  rules.paths.windowsDir = context.windowsDir;
  int compareExcludeDirFlag = 0;
  if (!cfg.EXCLUDE_DIRS.empty()) {
    rules.excludePrefixes = SplitExcludeDirs(cfg.EXCLUDE_DIRS);
    compareExcludeDirFlag = 1;
  }
  if (g_pMyLog)
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeDlg::GetFileListFileFromFile> nCompareExcludeDirFlag = %d", compareExcludeDirFlag);

  if (display) {
    display->SetProgressRange(IDC_PROGRESS_TOTAL, 0, kProgressEnd);
    display->SetProgressPos(IDC_PROGRESS_TOTAL, 0);
  }

  const std::string listPath = cfg.TARGET_DIR + "\\" + cfg.LIST_FILE_NAME;
  CListFileScanner scanner;
  if (!scanner.Open(listPath)) {
    if (g_pMyLog)
      g_pMyLog->Log(LOG_DEBUG, "CVantoExeDlg::GetFileListFileFromFile> fopen(%s) Fail, ErrNo = %d", listPath.c_str(),
                    scanner.LastError());
    return -1;
  }
  if (g_pMyLog) g_pMyLog->Log(LOG_DEBUG, "CVantoExeDlg::GetFileListFileFromFile> fopen(%s) Success", listPath.c_str());
  const CPublishedPaths published = ReadPublishedPaths(listPath, rules);
  if (context.announceQueries && context.queryServerFileInfo)
    context.announceQueries(EntriesToAsk(listPath, rules, context.requireDigest));

  int count = 0;
  int lineCounter = 0;
  ListPiece piece;
  while (scanner.ReadPiece(piece)) {
    ++lineCounter;
    if (lineCounter % 50 == 0 && display) display->SetProgressPos(IDC_PROGRESS_TOTAL, lineCounter);
    if (lineCounter >= kProgressEnd) lineCounter = 0;

    auto item = std::make_unique<FileItem>();
    const ListLineOutcome outcome = PrepareListEntry(piece.text, *item, rules);
    if (outcome == ListLineOutcome::Skipped || outcome == ListLineOutcome::Excluded) continue;
    if (outcome == ListLineOutcome::NoServerPath) {
      // Without a server path the entry would name the target directory itself.
      if (g_pMyLog)
        g_pMyLog->Log(LOG_WARN, "CVantoExeDlg::GetFileListFileFromFile> Line without server path skipped : %s",
                      piece.text.c_str());
      continue;
    }

    if (context.requireDigest && item->m_nFileType != FILE_KIND_DEL && item->m_strSha256.empty()) {
      if (g_pMyLog)
        g_pMyLog->Log(LOG_ERROR, "CVantoExeDlg::GetFileListFileFromFile> Entry without SHA-256 refused (signed list) : %s",
                      piece.text.c_str());
      if (display)
        display->AddListMessage(LIST_ROW_ERROR,
                                item->m_strFilePath + " 파일 거부 : 서명된 리스트에 SHA-256(7번째 필드)이 없음");
      if (context.refusedEntries) ++*context.refusedEntries;
      continue;
    }

    item->m_strBackupPath = published.SeparateBackupPathFor(item->m_strLocalPath);
    if (!item->m_strBackupPath.empty() && g_pMyLog)
      g_pMyLog->Log(LOG_INFO, "CVantoExeDlg::GetFileListFileFromFile> Backup Name Is Published, Backup Of %s Goes To %s",
                    item->m_strLocalPath.c_str(), item->m_strBackupPath.c_str());
    item->m_strPartPath = published.SeparatePartPathFor(item->m_strLocalPath, EntryBackupPath(*item));
    if (!item->m_strPartPath.empty() && g_pMyLog)
      g_pMyLog->Log(LOG_INFO, "CVantoExeDlg::GetFileListFileFromFile> Part Name Is Taken, New Content Of %s Goes To %s",
                    item->m_strLocalPath.c_str(), item->m_strPartPath.c_str());

    if (display) {
      display->SetStaticText(IDC_STATIC_FILE, item->m_strFilePath);
      display->PumpWaitingMessages(IDC_STATIC_FILE);
    }

    switch (item->m_nFileType) {
      case FILE_KIND_EXE:
        lists.CmdFileItemList.push_back(MakeHandlerCopy(*item));
        break;
      case FILE_KIND_REG:
        if (cfg.ALL_REG_FLAG == 1) lists.RegFileItemList.push_back(MakeHandlerCopy(*item));
        break;
      case FILE_KIND_FNT:
        lists.FntFileItemList.push_back(MakeHandlerCopy(*item));
        break;
      case FILE_KIND_DEL:
        if (g_pMyLog)
          g_pMyLog->Log(LOG_DEBUG,
                        "CVantoExeDlg::GetFileListFileFromFile> Files that need to be deleted do not extract "
                        "information. => %s",
                        item->m_strLocalPath.c_str());
        lists.DownFileItemList.push_back(std::move(item));
        ++count;
        continue;
      default:
        break;
    }

    bool accept = false;
    if (!item->m_strFileSize.empty() && !item->m_strModifyTime.empty()) {
      if (CheckDownloadAndSettleBackup(*item, cfg, context.folderListings) == 1) {
        if (g_pMyLog)
          g_pMyLog->Log(LOG_DEBUG, "CVantoExeDlg::GetFileListFileFromFile> Update Check(2) Line : %s", piece.text.c_str());
        accept = true;
      }
    } else if (!context.queryServerFileInfo || context.queryServerFileInfo(*item) != 0) {
      SettleInterruptedDownload(*item, false, context.folderListings);  // unknown: the old file is the one to have
      if (g_pMyLog)
        g_pMyLog->Log(LOG_DEBUG,
                      "CVantoExeDlg::GetFileListFromListFile> Can't Get Server File(%s) Info, So Add To Download File List",
                      item->m_strFilePath.c_str());
      accept = true;
    } else if (CheckDownloadAndSettleBackup(*item, cfg, context.folderListings) == 1) {
      if (g_pMyLog)
        g_pMyLog->Log(LOG_DEBUG, "CVantoExeDlg::GetFileListFileFromFile> Update Check(1) Line : %s", piece.text.c_str());
      accept = true;
    }
    if (!accept && context.isPendingWork && context.isPendingWork(*item)) {
      if (g_pMyLog)
        g_pMyLog->Log(LOG_DEBUG, "CVantoExeDlg::GetFileListFileFromFile> Pending Work Of An Earlier Run : %s",
                      piece.text.c_str());
      accept = true;
    }
    if (!accept) continue;

    switch (item->m_nFileType) {
      case FILE_KIND_ZIP: lists.ZipFileItemList.push_back(MakeHandlerCopy(*item)); break;
      case FILE_KIND_ASM: lists.RegAsmFileItemList.push_back(MakeHandlerCopy(*item)); break;
      case FILE_KIND_ZRG: lists.ZipRegFileItemList.push_back(MakeHandlerCopy(*item)); break;
      default: break;
    }
    lists.DownFileItemList.push_back(std::move(item));
    ++count;
  }

  const int closed = scanner.Close();
  if (g_pMyLog) g_pMyLog->Log(LOG_DEBUG, "CVantoExeDlg::GetFileListFileFromFile> fclose(%s) ret=%d", listPath.c_str(), closed);
  if (display) display->SetProgressPos(IDC_PROGRESS_TOTAL, kProgressEnd);
  if (g_pMyLog)
    g_pMyLog->Log(LOG_DEBUG, "CVantoExeDlg::GetFileListFileFromFile> The number of files to download is %d.", count);
  Log(LOG_INFO, "-------------------------------------------------------------------------------------- Download List : E");
  return count;
}
}  // namespace

int GetFileListFromListFile(CFileItemLists& lists, const CVantoCfg& cfg, const ListReadContext& context) {
  try {
    return ReadListFile(lists, cfg, context);
  } catch (const std::bad_alloc&) {
    // More entries than memory: the list counts as damaged, never as a crash.
    lists.ClearAllFileItemLists();
    if (g_pMyLog)
      g_pMyLog->Log(LOG_ERROR, "CVantoExeDlg::GetFileListFileFromFile> Out of memory reading %s\\%s",
                    cfg.TARGET_DIR.c_str(), cfg.LIST_FILE_NAME.c_str());
    return -1;
  }
}
