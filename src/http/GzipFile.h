#pragma once
// Replaces a downloaded gzip-encoded file by its decoded content.
#include <cstdint>
#include <string>

#include "http/GzipStreamDecoder.h"

// 1 on success (decodedSize = decoded length, 0 for an empty file), 0 on
// failure. The content is decoded into a temporary file beside the original,
// which is replaced only when decoding produced something and every member
// was whole (CRC-32 and length field as decoded, nothing cut short); on
// failure the original stays as it was and nothing else is left. Content
// that would grow beyond maxDecoded bytes fails when the bound is reached,
// so a small answer can never fill the disk. The log names the file
// nameInLog (empty: filePath): a download decodes beside the file's place.
int UnCompressGzipFile(const std::string& filePath, uint64_t& decodedSize, uint64_t maxDecoded = UINT64_MAX,
                       const std::string& nameInLog = std::string());

// Whether the decoding of filePath's content into a file succeeded: every
// member whole, something decoded, within maxDecoded, and no write failed
// (writeError, an errno, 0 when none). Logs why not.
bool IsGzipDecodingSound(const std::string& filePath, const GzipDecodeResult& result, int writeError,
                         uint64_t maxDecoded);
