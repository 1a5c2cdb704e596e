#include "handlers/ZipExtraction.h"

#include <windows.h>

#include "handlers/ZipArchive.h"
#include "handlers/ZipBounds.h"
#include "handlers/ZipMemberPath.h"
#include "util/FileUtil.h"
#include "util/LogIfOpen.h"
#include "util/RunDisplay.h"

namespace {
const char kProcess[] = "CVantoExeDlg::ProcessZipFile> ";
const char kHandle[] = "CVantoExeDlg::HandleZipTypeFiles> ";

// Extracts member index; 0, or the result of the whole archive (-2, -3).
int ExtractMember(CZipArchive& zip, int index, const std::string& zipPath, std::vector<std::string>* extracted) {
  ZipItem item;
  const int got = zip.GetZipItem(index, item);
  if (got != 0) {
    LogIfOpen(LOG_ERROR, "%sCan't Get Zip Item, Index = %d, Return Value = %d", kProcess, index, got);
    return -2;
  }
  const std::string memberName = ToBackslashPath(item.name);
  LogIfOpen(LOG_DEBUG, "%sze.name = %s", kProcess, item.name.c_str());
  LogIfOpen(LOG_DEBUG, "%sstrZipEntryPathAndName = %s", kProcess, memberName.c_str());
  // One published archive must not be able to overwrite any file of the
  // machine: a member that leads out of the folder is never written.
  if (IsZipMemberOutsideFolder(memberName)) {
    LogIfOpen(LOG_ERROR, "%sZip Item Outside The Folder Refused, Index = %d, Name = %s", kProcess, index,
              item.name.c_str());
    return -3;
  }
  const std::string dir = ZipExtractDirOf(zipPath);
  LogIfOpen(LOG_DEBUG, "%sstrUnZipFileDir = %s", kProcess, dir.c_str());
  const std::string target = JoinZipTarget(dir, memberName);
  LogIfOpen(LOG_DEBUG, "%sstrUnzipFilePath = %s", kProcess, target.c_str());

  CreateDirectoryPath(target);
  LogIfOpen(LOG_DEBUG, "%sTry To Clear Read Only Property", kProcess);
  if (!item.isDirectory) {
    ClearReadOnlyProperty(target);
    ::DeleteFileA(target.c_str());  // a failure shows when the member is written
  }
  const int written = zip.UnzipItem(index, target);
  if (written != 0) {
    LogIfOpen(LOG_ERROR, "%sUnzipItem() Fail, Index = %d, Return Value = %d", kProcess, index, written);
    return -3;
  }
  LogIfOpen(LOG_DEBUG, "%sUnzipItem() Success, Index = %d", kProcess, index);
  if (extracted && !item.isDirectory) {
    extracted->push_back(target);
    LogIfOpen(LOG_DEBUG, "%sMake a list of Unzip file path. = %s", kProcess, target.c_str());
  }
  return 0;
}

// The archive's own size; 0 when unreadable (the floor bound applies).
uint64_t FileSizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Empty when the sizes the directory announces keep within the bounds. An
// entry that cannot be read is left to the extraction, which reports it.
std::string CheckAnnouncedSizes(CZipArchive& zip, int count, const std::string& zipPath) {
  std::vector<uint64_t> sizes;
  for (int index = 0; index < count; ++index) {
    ZipItem item;
    if (zip.GetZipItem(index, item) != 0) break;
    sizes.push_back(item.isDirectory ? 0 : item.size);
  }
  return CheckZipSizes(sizes, FileSizeOf(zipPath));
}
}  // namespace

int ProcessZipFile(const FileItem& item, std::vector<std::string>* extracted) {
  const std::string zipPath = ToBackslashPath(item.m_strLocalPath);
  LogIfOpen(LOG_DEBUG, "%sZip File Path = %s", kProcess, zipPath.c_str());
  CZipArchive zip;
  if (!zip.OpenZip(zipPath)) {
    LogIfOpen(LOG_ERROR, "%sCan't Open Zip File", kProcess);
    return -1;
  }
  const int count = zip.GetItemCount();
  LogIfOpen(LOG_DEBUG, "%sZip Item Count = %d", kProcess, count);
  int result = 1;
  const std::string beyond = CheckAnnouncedSizes(zip, count, zipPath);
  if (!beyond.empty()) {
    LogIfOpen(LOG_ERROR, "%sZip Size Bound Reached, Nothing Extracted : %s", kProcess, beyond.c_str());
    result = -3;
  }
  for (int index = 0; result == 1 && index < count; ++index) {
    const int r = ExtractMember(zip, index, zipPath, extracted);
    if (r != 0) {
      result = r;
      break;
    }
  }
  LogIfOpen(LOG_DEBUG, "%sTry To Close Zip File", kProcess);
  const int closed = zip.CloseZip();
  if (closed == 0)
    LogIfOpen(LOG_DEBUG, "%sSuccess To Close Zip File", kProcess);
  else
    LogIfOpen(LOG_ERROR, "%sFail To Close Zip File, Return Value = %d", kProcess, closed);
  return result;
}

int HandleZipTypeFiles(const FileItemList& list, int /*showFlag*/, IRunDisplay& display) {
  if (list.empty()) {
    LogIfOpen(LOG_DEBUG, "%sZip file item is 0.", kHandle);
    return 0;
  }
  LogIfOpen(LOG_WARN, "%sStart...", kHandle);
  display.SetStaticText(IDC_STATIC_FILE, "");
  display.ShowStepMessage("압축 파일 처리중...");
  bool success = true;
  for (const std::unique_ptr<FileItem>& entry : list) {
    const FileItem& item = *entry;
    if (item.m_nFileType != FILE_KIND_ZIP || item.m_nDownFlag != 1) continue;
    if (ProcessZipFile(item, nullptr) >= 0) continue;
    LogIfOpen(LOG_WARN, "%sDelete Local Flle = %s", kHandle, item.m_strLocalPath.c_str());
    if (!::DeleteFileA(item.m_strLocalPath.c_str())) {
      const DWORD error = ::GetLastError();
      LogIfOpen(LOG_ERROR, "%sDeleteFile(%s) Error, ErrCode = %d", kHandle, item.m_strLocalPath.c_str(),
                static_cast<int>(error));
      ::SetLastError(error);  // the log line may have changed it
      LogLastErrorIfOpen();
    }
    success = false;
  }
  return success ? 0 : -1;
}
