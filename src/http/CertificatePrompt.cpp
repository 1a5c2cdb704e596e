#include "http/CertificatePrompt.h"

namespace {
// MessageBox values, so that the portable core needs no headers.
const unsigned kYesNo = 0x00000004;       // MB_YESNO
const unsigned kExclamation = 0x00000030; // MB_ICONEXCLAMATION
const int kYes = 6;                       // IDYES
}  // namespace

std::string CertificatePromptText(const std::string& errorText) {
  return std::string("인증서 오류가 발생 했습니다.\r\n") + "오류를 무시(권장하지 않음)하고 계속 진행 하시겠습니까?\r\n\r\n" +
         errorText;
}

bool AskYesIgnoreCertificate(IRunDisplay& display, const std::string& question) {
  return display.AskUser(question, "VantoExe", kYesNo | kExclamation) == kYes;
}
