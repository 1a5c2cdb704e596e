#include "http/RequestFlags.h"

#include "http/CertificateError.h"

namespace {
// WinINet values, spelled out so that the portable core needs no headers.
const uint32_t kFlagReload = 0x80000000;           // INTERNET_FLAG_RELOAD
const uint32_t kFlagExistingConnect = 0x20000000;  // INTERNET_FLAG_EXISTING_CONNECT
const uint32_t kFlagKeepConnection = 0x00400000;   // INTERNET_FLAG_KEEP_CONNECTION
const uint32_t kFlagNoCacheWrite = 0x04000000;     // INTERNET_FLAG_NO_CACHE_WRITE
const uint32_t kFlagSecure = 0x00800000;           // INTERNET_FLAG_SECURE
const uint32_t kFlagIgnoreCertDate = 0x00002000;   // INTERNET_FLAG_IGNORE_CERT_DATE_INVALID
const uint32_t kFlagIgnoreCertCn = 0x00001000;     // INTERNET_FLAG_IGNORE_CERT_CN_INVALID

const uint32_t kSecIgnoreRevocation = 0x00000080;  // SECURITY_FLAG_IGNORE_REVOCATION
const uint32_t kSecIgnoreUnknownCa = 0x00000100;   // SECURITY_FLAG_IGNORE_UNKNOWN_CA
const uint32_t kSecIgnoreWrongUsage = 0x00000200;  // SECURITY_FLAG_IGNORE_WRONG_USAGE
const uint32_t kSecIgnoreCn = 0x00001000;          // SECURITY_FLAG_IGNORE_CERT_CN_INVALID
const uint32_t kSecIgnoreDate = 0x00002000;        // SECURITY_FLAG_IGNORE_CERT_DATE_INVALID
}  // namespace

bool IsCertificateIgnored(int16_t svrHttps, int certIgnoreFlag) {
  return svrHttps > 0 && (svrHttps == 1 || certIgnoreFlag == 1);
}

uint32_t ComputeRequestFlags(int16_t svrHttps, int certIgnoreFlag) {
  // No cache write: every answer would otherwise be stored a second time in
  // the user's WinINet cache, which only grows and slows later requests.
  uint32_t flags = kFlagReload | kFlagExistingConnect | kFlagKeepConnection | kFlagNoCacheWrite;
  if (svrHttps <= 0) return flags;
  flags |= kFlagSecure;
  if (IsCertificateIgnored(svrHttps, certIgnoreFlag)) flags |= kFlagIgnoreCertDate | kFlagIgnoreCertCn;
  return flags;
}

uint32_t CertificateIgnoreSecurityFlags() {
  return kSecIgnoreRevocation | kSecIgnoreUnknownCa | kSecIgnoreWrongUsage | kSecIgnoreCn | kSecIgnoreDate;
}

bool ShouldAskIgnoreCertificate(int16_t svrHttps, int certIgnoreFlag, int32_t errorCode) {
  return svrHttps == 2 && certIgnoreFlag == 0 && IsCertificateError(errorCode);
}
