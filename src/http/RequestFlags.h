#pragma once
// Request flags of every server request, chosen by SVR_HTTPS and whether the
// user accepted a certificate error.
#include <cstdint>

// Certificate checks are relaxed for SVR_HTTPS 1, or for any HTTPS once
// the user accepted a certificate error.
bool IsCertificateIgnored(int16_t svrHttps, int certIgnoreFlag);
// Reload, no cache write, existing connection, keep-alive; secure and
// relaxations as needed.
uint32_t ComputeRequestFlags(int16_t svrHttps, int certIgnoreFlag);
// The security flags set on a request whose certificate checks are relaxed.
uint32_t CertificateIgnoreSecurityFlags();
// Whether to offer the user to accept a certificate error.
bool ShouldAskIgnoreCertificate(int16_t svrHttps, int certIgnoreFlag, int32_t errorCode);
