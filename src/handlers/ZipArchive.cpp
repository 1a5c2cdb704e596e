#include "handlers/ZipArchive.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "unzip.h"
#ifdef _WIN32
#include "iowin32.h"
#endif
#include "util/FileOwner.h"
#include "util/TextConv.h"

namespace {
constexpr unsigned long kUtf8NameFlag = 0x0800;
constexpr size_t kBlockSize = 64 * 1024;

unzFile Handle(void* handle) { return static_cast<unzFile>(handle); }


// Every member has a central directory header of at least this many bytes.
constexpr uint64_t kCentralHeaderSize = 46;

uint64_t FileSizeOf(const std::string& path) {
  UniqueFile file(std::fopen(path.c_str(), "rb"));
  if (!file) return 0;
#ifdef _WIN32
  if (_fseeki64(file.get(), 0, SEEK_END) != 0) return 0;
  const long long size = _ftelli64(file.get());
#else
  if (fseeko(file.get(), 0, SEEK_END) != 0) return 0;
  const long long size = ftello(file.get());
#endif
  return size > 0 ? static_cast<uint64_t>(size) : 0;
}

// An archive without members: nothing but the end record (and its comment).
bool IsEmptyArchive(const std::string& path) {
  UniqueFile file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  unsigned char head[22] = {};
  const size_t n = std::fread(head, 1, sizeof(head), file.get());
  static const unsigned char kEmpty[] = {'P', 'K', 5, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  return n == sizeof(head) && std::memcmp(head, kEmpty, sizeof(kEmpty)) == 0;
}

// Closes the member opened for reading; the result tells a CRC mismatch.
class CurrentMember {
 public:
  explicit CurrentMember(unzFile handle) : m_handle(handle), m_nOpen(unzOpenCurrentFile(handle)) {}
  ~CurrentMember() { Close(); }
  CurrentMember(const CurrentMember&) = delete;
  CurrentMember& operator=(const CurrentMember&) = delete;
  int OpenResult() const { return m_nOpen; }
  int Close() {
    if (m_nOpen != UNZ_OK) return UNZ_OK;
    m_nOpen = UNZ_PARAMERROR;
    return unzCloseCurrentFile(m_handle);
  }

 private:
  unzFile m_handle;
  int m_nOpen;
};
}  // namespace

bool CZipArchive::OpenZip(const std::string& path) {
  CloseZip();
#ifdef _WIN32
  zlib_filefunc64_def io;
  fill_win32_filefunc64A(&io);
  unzFile handle = unzOpen2_64(path.c_str(), &io);
#else
  unzFile handle = unzOpen64(path.c_str());
#endif
  if (!handle) {
    // minizip takes an end record at offset 0 for none at all.
    m_bEmptyArchive = IsEmptyArchive(path);
    return m_bEmptyArchive;
  }
  unz_global_info64 info = {};
  if (unzGetGlobalInfo64(handle, &info) != UNZ_OK) {
    unzClose(handle);
    return false;
  }
  // A zip64 end record can claim any count: one the file cannot hold (or an
  // int cannot) is refused, never narrowed into a count the loop skips.
  if (info.number_entry > static_cast<uint64_t>(INT_MAX) || info.number_entry > FileSizeOf(path) / kCentralHeaderSize) {
    unzClose(handle);
    return false;
  }
  m_handle = handle;
  m_nCount = static_cast<int>(info.number_entry);
  m_nCurrent = -1;
  return true;
}

int CZipArchive::MoveTo(int index) {
  if (!m_handle || index < 0 || index >= m_nCount) return UNZ_PARAMERROR;
  if (index == m_nCurrent) return UNZ_OK;
  int r = UNZ_OK;
  if (m_nCurrent >= 0 && index == m_nCurrent + 1) {
    r = unzGoToNextFile(Handle(m_handle));
  } else {
    r = unzGoToFirstFile(Handle(m_handle));
    for (int i = 0; r == UNZ_OK && i < index; ++i) r = unzGoToNextFile(Handle(m_handle));
  }
  m_nCurrent = r == UNZ_OK ? index : -1;
  return r;
}

int CZipArchive::ReadCurrentInfo(ZipItem& item) {
  unz_file_info64 info = {};
  int r = unzGetCurrentFileInfo64(Handle(m_handle), &info, nullptr, 0, nullptr, 0, nullptr, 0);
  if (r != UNZ_OK) return r;
  std::vector<char> name(info.size_filename + 1, '\0');
  r = unzGetCurrentFileInfo64(Handle(m_handle), &info, name.data(), static_cast<uLong>(name.size()), nullptr, 0,
                              nullptr, 0);
  if (r != UNZ_OK) return r;
  item.name.assign(name.data(), info.size_filename);
  // Korean tools store CP949 without the flag; others mark UTF-8 names.
  if ((info.flag & kUtf8NameFlag) != 0) item.name = Utf8ToCp949(item.name);
  item.attributes = static_cast<uint32_t>(info.external_fa);
  item.isDirectory = !item.name.empty() && (item.name.back() == '/' || item.name.back() == '\\');
  item.size = info.uncompressed_size;
  return UNZ_OK;
}

int CZipArchive::GetZipItem(int index, ZipItem& item) {
  const int r = MoveTo(index);
  return r != UNZ_OK ? r : ReadCurrentInfo(item);
}

int CZipArchive::UnzipItem(int index, const std::string& targetPath) {
  ZipItem item;
  int r = GetZipItem(index, item);
  if (r != UNZ_OK) return r;
  if (item.isDirectory) return UNZ_OK;

  CurrentMember member(Handle(m_handle));
  if (member.OpenResult() != UNZ_OK) return member.OpenResult();
  UniqueFile file(std::fopen(targetPath.c_str(), "wb"));
  if (!file) return ZIP_TARGET_NOT_CREATED;

  std::vector<char> block(kBlockSize);
  int result = UNZ_OK;
  uint64_t written = 0;
  for (;;) {
    const int n = unzReadCurrentFile(Handle(m_handle), block.data(), static_cast<unsigned>(block.size()));
    if (n < 0) {
      result = n;
      break;
    }
    if (n == 0) break;
    if (std::fwrite(block.data(), 1, static_cast<size_t>(n), file.get()) != static_cast<size_t>(n)) {
      result = ZIP_TARGET_NOT_WRITTEN;
      break;
    }
    written += static_cast<uint64_t>(n);
  }
  // The reader stops at the announced size; a member whose data ends
  // before it is damaged (its CRC is checked only when all of it came).
  if (result == UNZ_OK && written != item.size) result = ZIP_MEMBER_SIZE_DIFFERS;
  if (std::fclose(file.release()) != 0 && result == UNZ_OK) result = ZIP_TARGET_NOT_WRITTEN;
  // Read to the end, the reader checks the CRC when the member is closed.
  const int closed = member.Close();
  if (result == UNZ_OK) result = closed;
  // Half a file is worse than none: the next run sees it missing.
  if (result != UNZ_OK) std::remove(targetPath.c_str());
  return result;
}

int CZipArchive::CloseZip() {
  m_bEmptyArchive = false;
  if (!m_handle) return UNZ_OK;
  const int r = unzClose(Handle(m_handle));
  m_handle = nullptr;
  m_nCount = 0;
  m_nCurrent = -1;
  return r;
}
