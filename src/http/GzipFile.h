#pragma once
// Replaces a downloaded gzip-encoded file by its decoded content.
#include <cstdint>
#include <string>

// 1 on success (decodedSize = decoded length, 0 for an empty file), 0 on
// failure. The content is decoded into a temporary file beside the original,
// which is replaced only when decoding produced something; on failure the
// original stays as it was.
int UnCompressGzipFile(const std::string& filePath, uint64_t& decodedSize);
