#pragma once
// Which internet errors are certificate problems: those go back to the
// caller, who may ask the user to accept the certificate.
#include <cstdint>

bool IsCertificateError(int32_t errorCode);
