#pragma once
// A small published file (a signature) into memory through the same request
// frame as the downloads: the shared connection (BP server included),
// HTTPS and proxy as configured. The body is bounded: a server cannot make
// the client read or keep more than maxBytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "http/HttpContext.h"

// 0; -1 no connection or request; -2 status other than 200 (not on the
// server); -4 larger than maxBytes (or gzip that does not decode); -6
// internet error (errCode/errMsg set); -5, -101..-104 proxy failures.
// objectName is the server path (DOWNLOAD_BASE_URL included), not yet encoded.
int FetchSmallFile(CHttpContext& http, const std::string& objectName, std::size_t maxBytes, int certIgnoreFlag,
                   std::string& body, int32_t& errCode, std::string& errMsg);
