#pragma once
// Reading a zip archive: open it, count and list its members, write one
// member to a file, close it. The only code that talks to minizip. Paths and
// member names are CP949 (on Windows the ANSI code page 949 functions open
// them); names stored as UTF-8 (general purpose flag bit 11) are converted.
#include <cstdint>
#include <string>

// Failure codes of UnzipItem beside minizip's own (UNZ_*, all negative).
constexpr int ZIP_TARGET_NOT_CREATED = -201;  // the target file could not be created
constexpr int ZIP_TARGET_NOT_WRITTEN = -202;  // writing or closing the target failed
constexpr int ZIP_MEMBER_SIZE_DIFFERS = -203;  // the data is not the size the directory announces

struct ZipItem {
  std::string name;          // as stored, "/" separated, in CP949
  uint32_t attributes = 0;   // the member's external attributes
  bool isDirectory = false;  // the name ends with a separator
  uint64_t size = 0;         // uncompressed size
};

class CZipArchive {
 public:
  CZipArchive() = default;
  ~CZipArchive() { CloseZip(); }
  CZipArchive(const CZipArchive&) = delete;
  CZipArchive& operator=(const CZipArchive&) = delete;

  // false when the file cannot be opened, is no zip archive, or claims more
  // members than it could describe.
  bool OpenZip(const std::string& path);
  bool IsOpen() const { return m_handle != nullptr || m_bEmptyArchive; }
  // Members the archive's directory announces; 0 when not open.
  int GetItemCount() const { return m_nCount; }
  // 0, or minizip's failure code when the member's directory entry cannot be read.
  int GetZipItem(int index, ZipItem& item);
  // Writes the member's data to targetPath, creating or replacing the file;
  // a directory member writes nothing. 0, or a failure code (minizip's, or
  // ZIP_TARGET_*); on failure no partial file is left at targetPath.
  int UnzipItem(int index, const std::string& targetPath);
  // 0, or minizip's failure code; 0 when nothing is open.
  int CloseZip();

 private:
  // Makes member index the current one; 0 or minizip's code.
  int MoveTo(int index);
  // Name and data of the current member.
  int ReadCurrentInfo(ZipItem& item);

  void* m_handle = nullptr;  // unzFile
  int m_nCount = 0;
  int m_nCurrent = -1;
  bool m_bEmptyArchive = false;  // open, without members (minizip refuses those)
};
