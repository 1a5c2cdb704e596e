#pragma once
// The one "certificate error: ask, then retry once" rule of every request
// that may meet a server certificate the client does not trust.
#include <cstdint>
#include <functional>
#include <string>

struct CertificateRetry {
  int16_t svrHttps;     // only SVR_HTTPS 2 asks
  int& certIgnoreFlag;  // set to 1 on Yes: no more questions, no more checks
  // Shows the question (CertificatePromptText of the error); true on Yes.
  std::function<bool(const std::string& question)> askYes;
  // Which error codes are certificate problems (IsCertificateError when
  // empty); the run passes its seam.
  std::function<bool(int32_t errCode)> isCertificateError;
  const char* retryLine;  // logged at INFO before the second call
};

// Calls call; when it failed (negative) with a certificate error while
// SVR_HTTPS is 2 and certificates are still checked, asks, and on Yes logs
// the retry line, sets the ignore flag and calls once more. errCode and
// errText are the call's outputs, read after the first call. Returns the
// last call's result.
int CallWithCertificateRetry(const CertificateRetry& rule, const std::function<int()>& call, const int32_t& errCode,
                             const std::string& errText);
