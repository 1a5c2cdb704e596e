#include "run/VantoRunServices.h"

#include "config/VantoCfg.h"
#include "http/CertificateError.h"
#include "http/FileDownload.h"
#include "http/HttpContext.h"
#include "http/ServerFileQuery.h"
#include "handlers/CommandFiles.h"
#include "handlers/FontFiles.h"
#include "list/ListFileReader.h"
#include "handlers/LockdownValue.h"
#include "list/ListStamp.h"
#include "run/ServerFileInfoSeam.h"
#include "list/UpdateDecision.h"
#include "run/VantoEngine.h"
#include "handlers/ZipExtraction.h"


CVantoRunServices::CVantoRunServices(CHttpContext& http, IRunDisplay& display, CFileItemLists& lists,
                                     const SpecialDirMap& specialDirs, const std::string& systemDir,
                                     const std::string& windowsDir)
    : m_http(http),
      m_display(display),
      m_lists(lists),
      m_specialDirs(specialDirs),
      m_strSystemDir(systemDir),
      m_strWindowsDir(windowsDir) {}

int CVantoRunServices::GetServerFileInfo(FileItem& item) {
  ServerFileInfo info = ToServerInfo(item);
  int32_t errCode = 0;
  std::string errText;
  const int r = ::GetServerFileInfo(m_http, m_display, info, errCode, errText);
  FromServerInfo(info, item);
  return r;
}

int CVantoRunServices::QueryServerFileInfo(const std::string& url, std::string& modifyTime, std::string& fileSize,
                                           int32_t& chunkedFlag, int32_t& gzipFlag, int& errCode,
                                           std::string& errText) {
  ServerFileAnswer answer;
  const int r = ::QueryServerFileInfo(m_http, url, m_http.m_nCertIgnoreFlag, answer);
  chunkedFlag = answer.nChunkedFlag;
  gzipFlag = answer.nGzipFlag;
  errCode = answer.nErrCode;
  errText = answer.strErrMsg;
  if (r == 0) {
    modifyTime = answer.strModifyTime;
    fileSize = std::to_string(answer.nFileSize);
  }
  return r;
}

int CVantoRunServices::DownloadOneFileFromServer(FileItem& item, int dateFlag, int progressFlag, int& errCode,
                                                 std::string& errText) {
  ServerFileInfo info = ToServerInfo(item);
  DownloadCaller caller{m_display, m_pEngine ? m_pEngine->m_nRequestStopFlag : m_nNoStop,
                        m_pEngine ? m_pEngine->m_strMsg : m_strScratchMsg};
  int32_t code = 0;
  const int r = ::DownloadOneFileFromServer(m_http, caller, info, dateFlag, progressFlag, m_http.m_nCertIgnoreFlag,
                                            code, errText);
  errCode = code;
  item.m_nGzipFlag = info.m_nGzipFlag;
  return r;
}

bool CVantoRunServices::IsCertificateError(int errCode) { return ::IsCertificateError(errCode); }

int CVantoRunServices::GetFileListFromListFile() {
  ListReadContext context;
  context.specialDirs = m_specialDirs;
  context.systemDir = m_strSystemDir;
  context.windowsDir = m_strWindowsDir;
  context.display = &m_display;
  context.queryServerFileInfo = [this](FileItem& item) { return GetServerFileInfo(item); };
  return ::GetFileListFromListFile(m_lists, m_http.Cfg(), context);
}

int CVantoRunServices::CheckDownloadAndSettleBackup(const FileItem& item) {
  return ::CheckDownloadAndSettleBackup(item, m_http.Cfg());
}

int CVantoRunServices::IsListFileDifferent(const FileItem& listItem) {
  return ::IsListFileDifferent(listItem, m_http.Cfg());
}

int CVantoRunServices::CopyServerListFileToLocalListFile(const FileItem& listItem) {
  return ::CopyServerListFileToLocalListFile(listItem, m_http.Cfg());
}

bool CVantoRunServices::ReopenSharedConnection(const char* agentName) {
  m_http.ReplaceShared(agentName, "CVantoExeDlg::OnRequestStart> ");
  return m_http.Connection() != nullptr;
}

std::string& CVantoRunServices::RunMessage() { return m_pEngine ? m_pEngine->m_strMsg : m_strScratchMsg; }

CComponentRegistration CVantoRunServices::Registration() {
  return CComponentRegistration(m_display, m_registrationPlatform, m_http.Cfg().OCX_FILE_REGISTRY_MODE,
                                m_strSystemDir, RunMessage());
}

int CVantoRunServices::HandleZipTypeFiles(int showFlag) {
  return ::HandleZipTypeFiles(m_lists.ZipFileItemList, showFlag, m_display);
}

int CVantoRunServices::HandleRegisterTypeFilesByRegSvr32(bool fromRegList, int showFlag) {
  const FileItemList& list = fromRegList ? m_lists.RegFileItemList : m_lists.DownFileItemList;
  return Registration().HandleRegisterTypeFilesByRegSvr32(list, showFlag);
}

int CVantoRunServices::HandleRegisterTypeFilesByRegAsm(int showFlag) {
  return Registration().HandleRegisterTypeFilesByRegAsm(m_lists.RegAsmFileItemList, showFlag);
}

int CVantoRunServices::HandleZipRegTypeFiles(int showFlag) {
  return Registration().HandleZipRegTypeFiles(m_lists.ZipRegFileItemList, showFlag);
}

const int32_t& CVantoRunServices::StopFlag() const { return m_pEngine ? m_pEngine->m_nRequestStopFlag : m_nNoStop; }

void CVantoRunServices::UpdateRegisterKeyValue() {
  // The run asks for it only while its first-start flag is set.
  ::UpdateRegisterKeyValue(1);
}

int CVantoRunServices::HandleExecuteTypeFiles() {
  return ::HandleExecuteTypeFiles(m_lists.CmdFileItemList, m_display, StopFlag());
}

int CVantoRunServices::HandleRegistryTypeFiles() {
  return ::HandleRegistryTypeFiles(m_lists.DownFileItemList, m_display);
}

int CVantoRunServices::HandleDeleteTypeFiles() { return ::HandleDeleteTypeFiles(m_lists.DownFileItemList, m_display); }

int CVantoRunServices::HandleFontTypeFiles() {
  return CFontInstaller(m_display, m_strWindowsDir).HandleFontTypeFiles(m_lists.FntFileItemList);
}
