#pragma once
// The seven lists the run fills from the list file and works through.
#include "list/FileItem.h"

class CFileItemLists {
 public:
  FileItemList DownFileItemList;    // entries needing action (downloads and DEL)
  FileItemList RegFileItemList;     // REG copies, only with ALL_REG_FLAG 1
  FileItemList RegAsmFileItemList;  // ASM copies of downloaded entries
  FileItemList FntFileItemList;     // FNT/FON copies, every run
  FileItemList ZipRegFileItemList;  // ZRG copies of downloaded entries
  FileItemList ZipFileItemList;     // ZIP copies of downloaded entries
  FileItemList CmdFileItemList;     // EXE/CMD copies, every run

  // Each deletes every item and logs how many went.
  void ClearDownFileItemList();
  void ClearRegFileItemList();
  void ClearRegAsmFileItemList();
  void ClearFntFileItemList();
  void ClearZipRegFileItemList();
  void ClearZipFileItemList();
  void ClearCmdFileItemList();
  // down, reg, zip, font, regasm, zipreg, cmd.
  void ClearAllFileItemLists();
};

// After the download loop: the copy of an entry on DownFileItemList in the
// REG, ASM, FNT, ZRG and ZIP lists takes that entry's m_nDownFlag, so that a
// handler acts only on what this run fetched or found current (a failed or
// skipped download leaves 0). Copies of entries that were current when the
// list was read keep their 1. The k-th copy of a list line pairs with the
// k-th entry of the same kind and paths.
void CarryDownloadOutcome(CFileItemLists& lists);
