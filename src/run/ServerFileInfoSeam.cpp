#include "run/ServerFileInfoSeam.h"

ServerFileInfo ToServerInfo(const FileItem& item) {
  ServerFileInfo info;
  info.m_strFilePath = item.m_strFilePath;
  info.m_strLocalPath = item.m_strLocalPath;
  info.m_strModifyTime = item.m_strModifyTime;
  info.m_strFileSize = item.m_strFileSize;
  info.m_nChunkedFlag = item.m_nChunkedFlag;
  info.m_nGzipFlag = item.m_nGzipFlag;
  info.m_strSha256 = item.m_strSha256;
  info.m_strBackupPath = item.m_strBackupPath;
  info.m_strPartPath = item.m_strPartPath;
  return info;
}

void FromServerInfo(const ServerFileInfo& info, FileItem& item) {
  item.m_strModifyTime = info.m_strModifyTime;
  item.m_strFileSize = info.m_strFileSize;
  item.m_nChunkedFlag = info.m_nChunkedFlag;
  item.m_nGzipFlag = info.m_nGzipFlag;
}
