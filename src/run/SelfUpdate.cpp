#include "run/SelfUpdate.h"

#include <cstdio>
#include <exception>

#include "config/VantoCfg.h"
#include "http/CertificateRetry.h"
#include "run/ProgramImage.h"
#include "run/PublisherSignature.h"
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

    // Fetched beside the program: the installed file stays until the new
    // one has shown itself to be a program for this machine.
    FileItem download = m_SelfFileItem;
    download.m_strLocalPath = m_SelfFileItem.m_strLocalPath + ".download~";
    std::remove(download.m_strLocalPath.c_str());
    const int down = DownloadSelfFile(download);
    if (down != 0) {
      std::remove(download.m_strLocalPath.c_str());
      LogIfOpen(LOG_ERROR, "CVantoExeDlg::IsSelfFileUpdated> DownloadOneFileFromServer() Fail, RetVal = %d", down);
      return -2;
    }
    // Signed mode: only a program the publisher signed may replace this one.
    if (!m_pCfg->PUBLISHER_KEY.empty() && !AcceptSignedProgram(download.m_strLocalPath)) return -2;
    if (InstallDownloadedProgram(download.m_strLocalPath) != 0) return -2;
    LogIfOpen(LOG_DEBUG, "CVantoExeDlg::IsSelfFileUpdated> Download OK, File = %s",
              m_SelfFileItem.m_strLocalPath.c_str());
    return 1;
  } catch (const std::exception& e) {
    const std::string what = std::string(e.what()).substr(0, 512);
    LogIfOpen(LOG_DEBUG, "CVantoExeDlg::DownloadFilesInListFromServer> Error : %s", what.c_str());
    m_strMsg = "프로그램 장애 : " + what;
    m_display.AddListMessage(LIST_ROW_ERROR, m_strMsg);
    return -2;
  }
}

int CSelfUpdateCheck::InstallDownloadedProgram(const std::string& downloaded) {
  const std::string& program = m_SelfFileItem.m_strLocalPath;
  std::string why;
  const bool isProgram = m_fnCheckProgram ? m_fnCheckProgram(downloaded, why) : [&] {
    const ProgramImageCheck check = CheckProgramFile(downloaded, ThisProgramMachine());
    why = ProgramImageCheckText(check);
    return check == ProgramImageCheck::Program;
  }();
  if (!isProgram) {
    // An error page answered with status 200, a cut transfer or the other
    // build's program would leave no working program behind.
    LogIfOpen(LOG_ERROR, "CVantoExeDlg::IsSelfFileUpdated> Downloaded File Refused(%s) : %s, The Old Program Stays",
              downloaded.c_str(), why.c_str());
    std::remove(downloaded.c_str());
    return -2;
  }
  const bool replaced = m_fnReplaceProgram ? m_fnReplaceProgram(downloaded, program)
                                           : (std::remove(program.c_str()), std::rename(downloaded.c_str(), program.c_str()) == 0);
  if (!replaced) {
    LogIfOpen(LOG_ERROR, "CVantoExeDlg::IsSelfFileUpdated> MoveFile(%s -> %s) Fail, The Old Program Stays",
              downloaded.c_str(), program.c_str());
    std::remove(downloaded.c_str());
    return -2;
  }
  return 0;
}

bool CSelfUpdateCheck::AcceptSignedProgram(const std::string& downloaded) {
  ReleaseRules rules;
  rules.fileName = m_SelfFileItem.m_strFilePath;
  rules.requireTimestamp = false;
  rules.now = m_services.CurrentUnixTime();
  const PublisherCheck check = CheckPublisherSignature(
      m_services, *m_pCfg, BuildFileUrl(m_pCfg->DOWNLOAD_BASE_URL, m_SelfFileItem.m_strFilePath), downloaded, rules);
  if (check.accepted) {
    LogIfOpen(LOG_INFO, "CVantoExeDlg::IsSelfFileUpdated> Program file signature verified, key id %s",
              check.keyId.c_str());
    return true;
  }
  m_services.DeleteLocalFile(downloaded);
  LogIfOpen(LOG_ERROR, "CVantoExeDlg::IsSelfFileUpdated> Program file signature refused, the installed program stays : %s",
            check.reason.c_str());
  m_strMsg = "프로그램 파일 서명 확인 실패 : " + RefusalRowReason(check);
  m_display.AddListMessage(LIST_ROW_ERROR, m_strMsg);
  return false;
}

int CSelfUpdateCheck::DownloadSelfFile(FileItem& download) {
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
      rule, [&] { return m_services.DownloadOneFileFromServer(download, 1, 1, errCode, errText); }, errCode,
      errText);
}
