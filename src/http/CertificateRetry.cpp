#include "http/CertificateRetry.h"

#include "http/CertificateError.h"
#include "http/CertificatePrompt.h"
#include "util/LogIfOpen.h"

int CallWithCertificateRetry(const CertificateRetry& rule, const std::function<int()>& call, const int32_t& errCode,
                             const std::string& errText) {
  const int result = call();
  if (result >= 0 || rule.svrHttps != 2 || rule.certIgnoreFlag != 0) return result;
  const bool certificate = rule.isCertificateError ? rule.isCertificateError(errCode) : IsCertificateError(errCode);
  if (!certificate || !rule.askYes(CertificatePromptText(errText))) return result;
  LogIfOpen(LOG_INFO, "%s", rule.retryLine);
  rule.certIgnoreFlag = 1;
  return call();
}
