// Extracting ZIP entries beside themselves: subfolders, read-only targets,
// Korean names, failures that end an archive, the handler's deletions.
#include "handlers/ZipExtraction.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/FakeRunDisplay.h"
#include "support/LogCapture.h"
#include "ZipWriter.h"
#include "support/TempDir.h"

namespace {
class ZipExtractionTest : public TempDirTest {
 protected:
  std::unique_ptr<FileItem> Archive(const std::string& name, const std::string& bytes, int32_t downFlag = 1) {
    const std::string path = m_dir.Child(name);
    CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    auto item = std::make_unique<FileItem>();
    item->m_nFileType = FILE_KIND_ZIP;
    item->m_strLocalPath = path;
    item->m_nDownFlag = downFlag;
    return item;
  }
  std::string Read(const std::string& name) {
    std::string bytes;
    return ReadWholeFile(m_dir.Child(name), &bytes) ? bytes : "(missing)";
  }
  LogCapture m_log;
};

TEST_F(ZipExtractionTest, MembersLandInSubfoldersOverReadOnlyFiles) {
  CreateDirectoryA(m_dir.Child("bin").c_str(), nullptr);
  ASSERT_TRUE(WriteWholeFile(m_dir.Child("bin\\a.dll"), "old"));
  SetFileAttributesA(m_dir.Child("bin\\a.dll").c_str(), FILE_ATTRIBUTE_READONLY);
  const auto item = Archive("pkg.zip", MakeZipArchive({{"bin/", ""},
                                                       {"bin/a.dll", "new a"},
                                                       {"bin/sub/b.ocx", "b"},
                                                       {"한글/설정.ini", "cp949"},
                                                       {u8"유니코드.txt", "utf8", true}}));
  std::vector<std::string> extracted;
  EXPECT_EQ(ProcessZipFile(*item, &extracted), 1);
  EXPECT_EQ(extracted, (std::vector<std::string>{m_dir.Child("bin\\a.dll"), m_dir.Child("bin\\sub\\b.ocx"),
                                                 m_dir.Child("한글\\설정.ini"), m_dir.Child("유니코드.txt")}));
  EXPECT_EQ(Read("bin\\a.dll"), "new a");
  EXPECT_EQ(Read("bin\\sub\\b.ocx"), "b");
  EXPECT_EQ(Read("한글\\설정.ini"), "cp949");
  EXPECT_EQ(Read("유니코드.txt"), "utf8");
  EXPECT_EQ(Read("pkg.zip").substr(0, 2), "PK") << "the archive stays";
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::ProcessZipFile> Zip Item Count = 5"));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::ProcessZipFile> ze.name = bin/sub/b.ocx"));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::ProcessZipFile> strZipEntryPathAndName = bin\\sub\\b.ocx"));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::ProcessZipFile> Make a list of Unzip file path. = " +
                             m_dir.Child("bin\\sub\\b.ocx")));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::ProcessZipFile> Success To Close Zip File"));

  const auto empty = Archive("empty.zip", MakeZipArchive({}));
  EXPECT_EQ(ProcessZipFile(*empty, nullptr), 1);
}

TEST_F(ZipExtractionTest, AFailureEndsTheArchiveAndKeepsEarlierMembers) {
  const struct {
    ZipMemberSpec bad;
    int result;
    const char* line;
  } cases[] = {
      {{"../escape.txt", "x"}, -3,
       "[ERROR] CVantoExeDlg::ProcessZipFile> Zip Item Outside The Folder Refused, Index = 1, Name = ../escape.txt"},
      {{"C:escape.txt", "x"}, -3, "Refused, Index = 1, Name = C:escape.txt"},
      {{"escape.txt", "x", false, true}, -3,
       "[ERROR] CVantoExeDlg::ProcessZipFile> UnzipItem() Fail, Index = 1, Return Value = -105"},
      // Data that ends before the size the directory announces.
      {{"escape.txt", "x", false, false, 5}, -3,
       "[ERROR] CVantoExeDlg::ProcessZipFile> UnzipItem() Fail, Index = 1, Return Value = -203"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    DeleteFileA(m_dir.Child("pkg\\first.txt").c_str());
    const auto item = Archive("pkg\\a.zip", MakeZipArchive({{"first.txt", "1"}, c.bad, {"after.txt", "3"}}));
    EXPECT_EQ(ProcessZipFile(*item, nullptr), c.result);
    EXPECT_TRUE(m_log.Contains(c.line));
    EXPECT_EQ(Read("pkg\\first.txt"), "1");
    EXPECT_FALSE(FileExists(m_dir.Child("escape.txt")));
    EXPECT_FALSE(FileExists(m_dir.Child("pkg\\escape.txt"))) << "no half-written member";
    EXPECT_FALSE(FileExists(m_dir.Child("pkg\\after.txt")));
  }
  const auto damaged = Archive("damaged.zip", "PK\x03\x04 this is no archive");
  EXPECT_EQ(ProcessZipFile(*damaged, nullptr), -1);
  EXPECT_TRUE(m_log.Contains("[ERROR] CVantoExeDlg::ProcessZipFile> Can't Open Zip File"));
}

TEST_F(ZipExtractionTest, AnArchiveAnnouncingTooMuchWritesNothing) {
  const struct {
    int64_t announced;
    const char* line;
  } cases[] = {
      {int64_t{2} << 30,
       "[ERROR] CVantoExeDlg::ProcessZipFile> Zip Size Bound Reached, Nothing Extracted : member 1 announces "
       "2147483648 bytes, the bound for one member is 1073741824"},
      {int64_t{65} << 20,
       "[ERROR] CVantoExeDlg::ProcessZipFile> Zip Size Bound Reached, Nothing Extracted : the members announce "
       "more than 67108864 bytes together"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const auto item =
        Archive("bomb\\a.zip", MakeZipArchive({{"first.txt", "1"}, {"big.bin", "x", false, false, c.announced}}));
    std::vector<std::string> extracted;
    EXPECT_EQ(ProcessZipFile(*item, &extracted), -3);
    EXPECT_TRUE(m_log.Contains(c.line));
    EXPECT_TRUE(extracted.empty());
    EXPECT_EQ(ListDirectory(m_dir.Child("bomb")), std::vector<std::string>{"a.zip"});
  }
}

TEST_F(ZipExtractionTest, HandlerDeletesOnlyTheArchivesThatFailed) {
  FileItemList list;
  list.push_back(Archive("good.zip", MakeZipArchive({{"g.txt", "g"}})));
  list.push_back(Archive("bad.zip", "garbage"));
  list.push_back(Archive("notfetched.zip", "garbage", 0));
  list.push_back(Archive("zrg.zip", "garbage"));
  list.back()->m_nFileType = FILE_KIND_ZRG;
  FakeRunDisplay display;
  EXPECT_EQ(HandleZipTypeFiles(list, 1, display), -1);
  EXPECT_EQ(ListDirectory(m_dir.path()), (std::vector<std::string>{"g.txt", "good.zip", "notfetched.zip", "zrg.zip"}));
  EXPECT_EQ(display.m_steps, std::vector<std::string>{"압축 파일 처리중..."});
  EXPECT_TRUE(m_log.Contains("[WARN ] CVantoExeDlg::HandleZipTypeFiles> Start..."));
  EXPECT_TRUE(
      m_log.Contains("[WARN ] CVantoExeDlg::HandleZipTypeFiles> Delete Local Flle = " + m_dir.Child("bad.zip")));

  list.erase(list.begin() + 1);
  EXPECT_EQ(HandleZipTypeFiles(list, 1, display), 0);
  EXPECT_EQ(HandleZipTypeFiles(FileItemList(), 1, display), 0);
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::HandleZipTypeFiles> Zip file item is 0."));
}
}  // namespace

// A zip64 end record claiming 2^31 members: narrowed to an int the count
// was negative, no member was read and the archive passed as extracted.
TEST_F(ZipExtractionTest, ACountTheArchiveCannotHoldIsRefused) {
  auto put = [](std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  std::string bytes = "PK\x03\x04";
  put(bytes, 0x06064b50, 4);  // zip64 end of central directory record
  put(bytes, 44, 8);
  put(bytes, 45, 2);
  put(bytes, 45, 2);
  put(bytes, 0, 4);
  put(bytes, 0, 4);
  put(bytes, 1ull << 31, 8);  // members on this disk
  put(bytes, 1ull << 31, 8);  // members in all
  put(bytes, 0, 8);           // directory size
  put(bytes, 0, 8);           // directory offset
  put(bytes, 0x07064b50, 4);  // its locator
  put(bytes, 0, 4);
  put(bytes, 4, 8);
  put(bytes, 1, 4);
  put(bytes, 0x06054b50, 4);  // end of central directory record
  put(bytes, 0, 4);
  put(bytes, 0xFFFFFFFF, 4);
  put(bytes, 0xFFFFFFFF, 4);
  put(bytes, 0xFFFFFFFF, 4);
  put(bytes, 0, 2);
  FileItemList list;
  list.push_back(Archive("claims.zip", bytes));
  FakeRunDisplay display;
  EXPECT_EQ(ProcessZipFile(*list[0], nullptr), -1);
  EXPECT_TRUE(m_log.Contains("[ERROR] CVantoExeDlg::ProcessZipFile> Can't Open Zip File"));
  EXPECT_EQ(HandleZipTypeFiles(list, 1, display), -1);
  EXPECT_EQ(Read("claims.zip"), "(missing)") << "deleted, so that the next run fetches it again";
}
