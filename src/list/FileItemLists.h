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
