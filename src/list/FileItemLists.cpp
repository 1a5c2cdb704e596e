#include "list/FileItemLists.h"

#include <deque>
#include <map>

#include "util/MyLog.h"

std::unique_ptr<FileItem> MakeHandlerCopy(const FileItem& item) {
  auto copy = std::make_unique<FileItem>();
  copy->m_nDownFlag = 1;
  copy->m_strFilePath = item.m_strFilePath;
  copy->m_strLocalPath = item.m_strLocalPath;
  copy->m_nFileType = item.m_nFileType;
  copy->m_nSysFileFlag = item.m_nSysFileFlag;
  copy->m_strModifyTime = item.m_strModifyTime;
  copy->m_strFileSize = item.m_strFileSize;
  switch (item.m_nFileType) {
    case FILE_KIND_EXE:
      copy->m_nWaitFlag = item.m_nWaitFlag;
      copy->m_strArgument = item.m_strArgument;
      break;
    case FILE_KIND_ZIP:
    case FILE_KIND_ASM:
    case FILE_KIND_ZRG:
      copy->m_nChunkedFlag = item.m_nChunkedFlag;
      copy->m_nGzipFlag = item.m_nGzipFlag;
      break;
    default:
      break;
  }
  return copy;
}

namespace {
void ClearList(FileItemList& list, const char* format) {
  const int count = static_cast<int>(list.size());
  list.clear();
  if (g_pMyLog) g_pMyLog->Log(LOG_DEBUG, format, count);
}
}  // namespace

void CFileItemLists::ClearDownFileItemList() {
  ClearList(DownFileItemList, "CVantoExeDlg::ClearDownFileItemList> Delete Master Down File List, Cnt = %d");
}
void CFileItemLists::ClearRegFileItemList() {
  ClearList(RegFileItemList, "CVantoExeDlg::ClearRegFileItemList> Delete Master Reg File List, Cnt = %d");
}
void CFileItemLists::ClearRegAsmFileItemList() {
  ClearList(RegAsmFileItemList, "CVantoExeDlg::ClearRegAsmFileItemList> Delete Master RegAsm File List, Cnt = %d");
}
void CFileItemLists::ClearFntFileItemList() {
  ClearList(FntFileItemList, "CVantoExeDlg::ClearFntFileItemList> Delete Master Font File List, Cnt = %d");
}
void CFileItemLists::ClearZipRegFileItemList() {
  ClearList(ZipRegFileItemList, "CVantoExeDlg::ClearZipRegFileItemList> Delete Master ZipReg File List, Cnt = %d");
}
void CFileItemLists::ClearZipFileItemList() {
  ClearList(ZipFileItemList, "CVantoExeDlg::ClearZipFileItemList> Delete Master Zip File List, Cnt = %d");
}
void CFileItemLists::ClearCmdFileItemList() {
  ClearList(CmdFileItemList, "CVantoExeDlg::ClearCmdFileItemList> Delete Cmd File List, Cnt = %d");
}

void CFileItemLists::ClearAllFileItemLists() {
  ClearDownFileItemList();
  ClearRegFileItemList();
  ClearZipFileItemList();
  ClearFntFileItemList();
  ClearRegAsmFileItemList();
  ClearZipRegFileItemList();
  ClearCmdFileItemList();
}

void CarryDownloadOutcome(CFileItemLists& lists) {
  auto keyOf = [](const FileItem& item) {
    return std::to_string(item.m_nFileType) + '\n' + item.m_strFilePath + '\n' + item.m_strLocalPath;
  };
  std::map<std::string, std::deque<int32_t>> outcomes;
  for (const std::unique_ptr<FileItem>& entry : lists.DownFileItemList)
    outcomes[keyOf(*entry)].push_back(entry->m_nDownFlag);
  for (FileItemList* copies : {&lists.RegFileItemList, &lists.RegAsmFileItemList, &lists.FntFileItemList,
                               &lists.ZipRegFileItemList, &lists.ZipFileItemList}) {
    for (const std::unique_ptr<FileItem>& copy : *copies) {
      const auto found = outcomes.find(keyOf(*copy));
      if (found == outcomes.end() || found->second.empty()) continue;
      copy->m_nDownFlag = found->second.front();
      found->second.pop_front();
    }
  }
}
