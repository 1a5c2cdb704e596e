#pragma once
// One entry of the list file, as every step of the run passes it around.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Kind numbers: stored in m_nFileType and compared by every step of the run.
enum FileKind : int32_t {
  FILE_KIND_NORMAL = 1,  // ordinary file, only kept up to date
  FILE_KIND_REG = 2,     // COM component to register
  FILE_KIND_EXE = 3,     // program or command to run (EXE, CMD)
  FILE_KIND_DEL = 4,     // local file to delete
  FILE_KIND_FNT = 5,     // font to install (FNT, FON)
  FILE_KIND_REF = 6,     // registry file to import
  FILE_KIND_ZIP = 7,     // zip archive to extract
  FILE_KIND_ASM = 8,     // .NET assembly to register
  FILE_KIND_ZRG = 9,     // zip archive whose contents are registered
};

struct FileItem {
  int32_t m_nPassFlag = 0;      // 1: a failure here does not spoil the run's success
  int32_t m_nWaitFlag = 0;      // 1: wait for the started program to end
  int32_t m_nChunkedFlag = 0;   // 1: the server announces no size for this file
  int32_t m_nGzipFlag = -1;     // -1 unknown, 0 plain, 1 gzip content encoding
  std::string m_strFilePath;    // server path, "/" separated
  std::string m_strLocalPath;   // full local path
  std::string m_strTargetPath;  // target path with backslashes
  int32_t m_nFileType = FILE_KIND_NORMAL;
  int32_t m_nSysFileFlag = 2;   // 1: system file, fetched only when missing
  std::string m_strArgument;    // arguments for the execute handler
  std::string m_strModifyTime;  // server time, YYYYMMDDhhmmss
  std::string m_strFileSize;    // server size, decimal
  int32_t m_nDownFlag = 0;      // 1: local copy current, handlers may process it
  std::string m_strSha256;      // expected SHA-256 of the file (64 lower-case hex digits), or empty
  // Where the old file waits during a download when the usual name beside
  // it is itself a published file; empty: the usual name.
  std::string m_strBackupPath;
  // Where the new content is written before it takes the file's place when
  // the usual name is published too or is the entry's backup; empty: the
  // usual name.
  std::string m_strPartPath;
};

// A list owns its items.
using FileItemList = std::vector<std::unique_ptr<FileItem>>;

// The copy a handler list holds: m_nDownFlag 1, the common fields, and the
// fields the kind's handler needs (wait and argument for EXE/CMD, chunked
// and gzip for ZIP, ASM, ZRG). Everything else keeps its default.
std::unique_ptr<FileItem> MakeHandlerCopy(const FileItem& item);
