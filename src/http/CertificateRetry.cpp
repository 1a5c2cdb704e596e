#include "http/CertificateRetry.h"

#include "http/CertificatePrompt.h"
#include "http/RequestFlags.h"
#include "util/LogIfOpen.h"

namespace {
bool IsQuestionDue(const CertificateRetry& rule, int32_t errCode) {
  if (!rule.isCertificateError) return ShouldAskIgnoreCertificate(rule.svrHttps, rule.certIgnoreFlag, errCode);
  return rule.svrHttps == 2 && rule.certIgnoreFlag == 0 && rule.isCertificateError(errCode);
}
}  // namespace

int CallWithCertificateRetry(const CertificateRetry& rule, const std::function<int()>& call, const int32_t& errCode,
                             const std::string& errText) {
  const int result = call();
  if (result >= 0 || !IsQuestionDue(rule, errCode)) return result;
  if (!rule.askYes(CertificatePromptText(errText))) return result;
  LogIfOpen(LOG_INFO, "%s", rule.retryLine);
  rule.certIgnoreFlag = 1;
  return call();
}
