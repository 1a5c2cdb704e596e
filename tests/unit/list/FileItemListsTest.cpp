// The lists own their items; copies carry what their handler needs.
#include <gtest/gtest.h>

#include "support/LogCapture.h"
#include "list/FileItemLists.h"

namespace {
FileItem Full(int kind) {
  FileItem item;
  item.m_nPassFlag = 1;
  item.m_nWaitFlag = 1;
  item.m_nChunkedFlag = 1;
  item.m_nGzipFlag = 1;
  item.m_strFilePath = "s/a";
  item.m_strLocalPath = "C:\\A\\a";
  item.m_strTargetPath = "a";
  item.m_nFileType = kind;
  item.m_nSysFileFlag = 1;
  item.m_strArgument = "-x";
  item.m_strModifyTime = "20200101000000";
  item.m_strFileSize = "9";
  return item;
}
}  // namespace

TEST(MakeHandlerCopy, CommonFieldsOnly) {
  const auto copy = MakeHandlerCopy(Full(FILE_KIND_FNT));
  EXPECT_EQ(copy->m_nDownFlag, 1);
  EXPECT_EQ(copy->m_strFilePath, "s/a");
  EXPECT_EQ(copy->m_strLocalPath, "C:\\A\\a");
  EXPECT_EQ(copy->m_nFileType, FILE_KIND_FNT);
  EXPECT_EQ(copy->m_nSysFileFlag, 1);
  EXPECT_EQ(copy->m_strModifyTime, "20200101000000");
  EXPECT_EQ(copy->m_strFileSize, "9");
  EXPECT_EQ(copy->m_nPassFlag, 0);
  EXPECT_EQ(copy->m_nWaitFlag, 0);
  EXPECT_EQ(copy->m_nChunkedFlag, 0);
  EXPECT_EQ(copy->m_nGzipFlag, -1);
  EXPECT_TRUE(copy->m_strTargetPath.empty());
  EXPECT_TRUE(copy->m_strArgument.empty());
}

TEST(MakeHandlerCopy, ExecuteCopiesCarryWaitAndArgument) {
  const auto copy = MakeHandlerCopy(Full(FILE_KIND_EXE));
  EXPECT_EQ(copy->m_nWaitFlag, 1);
  EXPECT_EQ(copy->m_strArgument, "-x");
  EXPECT_EQ(copy->m_nChunkedFlag, 0);
  EXPECT_EQ(copy->m_nPassFlag, 0);
}

TEST(MakeHandlerCopy, ArchiveAndAssemblyCopiesCarryTransferFlags) {
  for (int kind : {FILE_KIND_ZIP, FILE_KIND_ASM, FILE_KIND_ZRG}) {
    const auto copy = MakeHandlerCopy(Full(kind));
    EXPECT_EQ(copy->m_nChunkedFlag, 1) << kind;
    EXPECT_EQ(copy->m_nGzipFlag, 1) << kind;
    EXPECT_EQ(copy->m_nWaitFlag, 0) << kind;
    EXPECT_TRUE(copy->m_strArgument.empty()) << kind;
  }
}

TEST(CFileItemLists, ClearAllLogsEveryListInOrder) {
  LogCapture log;
  CFileItemLists lists;
  for (int i = 0; i < 3; ++i) lists.DownFileItemList.push_back(std::make_unique<FileItem>());
  lists.RegFileItemList.push_back(std::make_unique<FileItem>());
  for (int i = 0; i < 2; ++i) lists.CmdFileItemList.push_back(std::make_unique<FileItem>());
  lists.ClearAllFileItemLists();
  EXPECT_TRUE(lists.DownFileItemList.empty());
  EXPECT_TRUE(lists.CmdFileItemList.empty());
  const std::string text = log.Text();
  const char* lines[] = {
      "[DEBUG] CVantoExeDlg::ClearDownFileItemList> Delete Master Down File List, Cnt = 3",
      "[DEBUG] CVantoExeDlg::ClearRegFileItemList> Delete Master Reg File List, Cnt = 1",
      "[DEBUG] CVantoExeDlg::ClearZipFileItemList> Delete Master Zip File List, Cnt = 0",
      "[DEBUG] CVantoExeDlg::ClearFntFileItemList> Delete Master Font File List, Cnt = 0",
      "[DEBUG] CVantoExeDlg::ClearRegAsmFileItemList> Delete Master RegAsm File List, Cnt = 0",
      "[DEBUG] CVantoExeDlg::ClearZipRegFileItemList> Delete Master ZipReg File List, Cnt = 0",
      "[DEBUG] CVantoExeDlg::ClearCmdFileItemList> Delete Cmd File List, Cnt = 2",
  };
  size_t last = 0;
  for (const char* line : lines) {
    const size_t at = text.find(line);
    ASSERT_NE(at, std::string::npos) << line;
    EXPECT_GT(at, last == 0 ? 0 : last) << line;
    last = at;
  }
}
