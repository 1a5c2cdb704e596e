#include "http/CertificateError.h"

bool IsCertificateError(int32_t errorCode) {
  switch (errorCode) {
    case 12037:  // ERROR_INTERNET_SEC_CERT_DATE_INVALID
    case 12038:  // ERROR_INTERNET_SEC_CERT_CN_INVALID
    case 12045:  // ERROR_INTERNET_INVALID_CA
    case 12055:  // ERROR_INTERNET_SEC_CERT_ERRORS
    case 12056:  // ERROR_INTERNET_SEC_CERT_NO_REV
    case 12057:  // ERROR_INTERNET_SEC_CERT_REV_FAILED
    case 12169:  // ERROR_INTERNET_SEC_INVALID_CERT
    case 12170:  // ERROR_INTERNET_SEC_CERT_REVOKED
      return true;
    default:
      return false;
  }
}
