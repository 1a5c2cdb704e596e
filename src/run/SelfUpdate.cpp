#include "run/SelfUpdate.h"

#include <exception>

#include "config/VantoCfg.h"
#include "http/CertificateRetry.h"
#include "run/RunServices.h"
#include "run/RunTexts.h"
#include "util/LogIfOpen.h"
#include "util/RunDisplay.h"

namespace {
const char* const kCheckStartLine =
    "--------------------------------------------------------------------------------------S";
const char* const kCheckEndLine =
    "--------------------------------------------------------------------------------------E";
}  // namespace

CSelfUpdateCheck::CSelfUpdateCheck(IRunDisplay& display, IRunServices& services, const CVantoCfg* cfg,
                                   int32_t& certIgnoreFlag, int32_t& restartFlag, std::string& strMsg)
    : m_display(display),
      m_services(services),
      m_pCfg(cfg),
      m_nCertIgnoreFlag(certIgnoreFlag),
      m_nRestartFlag(restartFlag),
      m_strMsg(strMsg) {}

bool CSelfUpdateCheck::CheckAtDialogStart(const std::string& moduleDir, const std::string& exeName) {
  LogIfOpen(LOG_INFO, "%s", kCheckStartLine);
  LogIfOpen(LOG_DEBUG, "CVantoExeDlg::OnInitDialog> 'VantoExe.exe' >> Check file update version.");
  if (InitSelfFileInfo(moduleDir, exeName) != 1) {
    LogIfOpen(LOG_ERROR, "CVantoExeDlg::OnInitDialog> InitSelfFileInfo() return fail.");
  } else {
    const int r = IsSelfFileUpdated();
    if (r == 0) {
      LogIfOpen(LOG_DEBUG, "CVantoExeDlg::OnInitDialog> 'VantoExe.exe' >> It's already the latest file.");
    } else if (r == 1) {
      m_nRestartFlag = 1;
      LogIfOpen(LOG_DEBUG, "CVantoExeDlg::OnInitDialog> 'VantoExe.exe' >> The file has been updated. Restart the program.");
      LogIfOpen(LOG_INFO, "%s", kCheckEndLine);
      const int started = m_fnStartUpdatedCopy ? m_fnStartUpdatedCopy() : -1;
      if (started != -1) return true;
      // Nothing was started (the program file has gone since the
      // download): this copy does the run rather than end without one.
      m_nRestartFlag = 0;
      LogIfOpen(LOG_ERROR, "CVantoExeDlg::OnInitDialog> 'VantoExe.exe' >> The updated program could not be started. "
                           "The run goes on with this copy.");
      return false;
    } else {
      LogIfOpen(LOG_ERROR, "CVantoExeDlg::OnInitDialog> IsSelfFileUpdated() is fail.(return=%d)", r);
    }
  }
  LogIfOpen(LOG_INFO, "%s", kCheckEndLine);
  return false;
}

int CSelfUpdateCheck::InitSelfFileInfo(const std::string& moduleDir, const std::string& exeName) {
  if (moduleDir.empty() || exeName.empty()) return 0;
  m_SelfFileItem = FileItem();
  m_SelfFileItem.m_strFilePath = exeName;
  m_SelfFileItem.m_strLocalPath = moduleDir + "\\" + exeName;
  m_SelfFileItem.m_strTargetPath = exeName;
  m_SelfFileItem.m_nFileType = FILE_KIND_NORMAL;
  m_SelfFileItem.m_nSysFileFlag = 2;
  return 1;
}

int CSelfUpdateCheck::IsSelfFileUpdated() {
  if (!m_pCfg) return -1;
  try {
    const int info = m_services.GetServerFileInfo(m_SelfFileItem);
    if (info != 0) {
      LogIfOpen(LOG_DEBUG, "CVantoExeDlg::IsSelfFileUpdated> GetServerFileInfo() Fail, RetVal = %d", info);
      return -2;
    }
    LogIfOpen(LOG_DEBUG, "CVantoExeDlg::IsSelfFileUpdated> Server File ModifyTime = %s, FileSize = %s",
              m_SelfFileItem.m_strModifyTime.c_str(), m_SelfFileItem.m_strFileSize.c_str());
    if (m_services.CheckDownloadAndSettleBackup(m_SelfFileItem) != 1) return 0;

    const int down = DownloadSelfFile();
    if (down == 0) {
      LogIfOpen(LOG_DEBUG, "CVantoExeDlg::IsSelfFileUpdated> Download OK, File = %s",
                m_SelfFileItem.m_strLocalPath.c_str());
      return 1;
    }
    LogIfOpen(LOG_ERROR, "CVantoExeDlg::IsSelfFileUpdated> DownloadOneFileFromServer() Fail, RetVal = %d", down);
    return -2;
  } catch (const std::exception& e) {
    const std::string what = std::string(e.what()).substr(0, 512);
    LogIfOpen(LOG_DEBUG, "CVantoExeDlg::DownloadFilesInListFromServer> Error : %s", what.c_str());
    m_strMsg = "프로그램 장애 : " + what;
    m_display.AddListMessage(LIST_ROW_ERROR, m_strMsg);
    return -2;
  }
}

int CSelfUpdateCheck::DownloadSelfFile() {
  int errCode = 0;
  std::string errText;
  const CertificateRetry rule{
      m_pCfg->SVR_HTTPS, m_nCertIgnoreFlag,
      [this](const std::string& question) {
        m_strMsg = question;
        return m_display.AskUser(m_strMsg, "", BOX_YESNO | BOX_ICON_EXCLAMATION) == BOX_ANSWER_YES;
      },
      [this](int32_t code) { return m_services.IsCertificateError(code); },
      "CVantoExeDlg::IsSelfFileUpdated> Retry DownloadOneFileFromServer()"};
  return CallWithCertificateRetry(
      rule, [&] { return m_services.DownloadOneFileFromServer(m_SelfFileItem, 1, 1, errCode, errText); }, errCode,
      errText);
}
