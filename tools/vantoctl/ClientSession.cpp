#ifdef _WIN32
#include "ClientSession.h"

#include <windows.h>

#include "config/CfgNormalize.h"

bool LoadClientSettings(const std::string& iniPath, const std::string& section, CVantoCfg& cfg) {
  if (::GetFileAttributesA(iniPath.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  cfg.m_dwConnectTimeOut = cfg.m_dwSendTimeOut = cfg.m_dwRecvTimeOut = 1800000;
  cfg.LoadConfigFromIniFile(iniPath, section);
  TrimDownloadBaseUrl(cfg);
  NormalizeTargetDir(cfg);
  return true;
}

int CToolDisplay::AskUser(const std::string& text, const std::string&, unsigned) {
  if (m_onQuestion) m_onQuestion(text);
  return IDNO;
}

std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) line += (c == '\r' || c == '\n') ? ' ' : c;
  return line;
}
#endif
