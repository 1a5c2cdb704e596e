#include "http/CertificatePrompt.h"

std::string CertificatePromptText(const std::string& errorText) {
  return std::string("인증서 오류가 발생 했습니다.\r\n") + "오류를 무시(권장하지 않음)하고 계속 진행 하시겠습니까?\r\n\r\n" +
         errorText;
}

bool AskYesIgnoreCertificate(IRunDisplay& display, const std::string& question) {
  return display.AskUser(question, "VantoExe", BOX_YESNO | BOX_ICON_EXCLAMATION) == BOX_ANSWER_YES;
}
