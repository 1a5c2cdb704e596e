#pragma once
// The part of a list entry that the server requests read and write. The
// run's file item carries these fields under the same names.
#include <cstdint>
#include <string>

struct ServerFileInfo {
  std::string m_strFilePath;    // server-relative path (input)
  std::string m_strLocalPath;   // local file of a download (input)
  std::string m_strModifyTime;  // 14 digits YYYYMMDDhhmmss
  std::string m_strFileSize;    // decimal; meaningful when m_nChunkedFlag is 0
  int32_t m_nChunkedFlag = 0;   // 1: the server sent no Content-Length
  int32_t m_nGzipFlag = -1;     // -1 unknown, 0 plain, 1 Content-Encoding gzip
  std::string m_strSha256;      // expected SHA-256 of a download (lower-case hex), or empty (input)
  std::string m_strBackupPath;  // where the old file waits during a download; empty: the usual name (input)
  std::string m_strPartPath;    // where the new content is written first; empty: the usual name (input)
};
