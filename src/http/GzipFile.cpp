#include "http/GzipFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "http/DurableFile.h"
#include "http/GzipStreamDecoder.h"
#include "util/FileOwner.h"
#include "util/MyLog.h"


namespace {
// Stream buffers of the decoding: one system call per 64 KiB each way
// instead of one per 4096-byte piece.
constexpr size_t kFileBufferSize = 65536;


std::string ErrnoText(int error) {
  std::string text = std::strerror(error);
  if (text.size() > 1024) text.resize(1024);
  return text;
}
}  // namespace

int UnCompressGzipFile(const std::string& filePath, uint64_t& decodedSize, uint64_t maxDecoded,
                       const std::string& nameInLog) {
  decodedSize = 0;
  if (filePath.empty()) return 1;
  const char* const name = nameInLog.empty() ? filePath.c_str() : nameInLog.c_str();

  UniqueFile input(std::fopen(filePath.c_str(), "rb"));
  if (!input) {
    if (g_pMyLog) g_pMyLog->Log(LOG_ERROR, "CVantoExeDlg::UnCompressGzipFile> 1. File open error. '%s'", name);
    return 0;
  }
  std::setvbuf(input.get(), nullptr, _IOFBF, kFileBufferSize);
  const int first = std::fgetc(input.get());
  if (first == EOF) {
    if (std::ferror(input.get())) {
      if (g_pMyLog)
        g_pMyLog->Log(LOG_ERROR, "CVantoExeDlg::UnCompressGzipFile> 1. CFileException::%s.", ErrnoText(errno).c_str());
      return 0;
    }
    return 1;  // empty file: nothing to decode
  }
  std::ungetc(first, input.get());

  const std::string tempPath = filePath + ".gunzip~";
  UniqueFile output(std::fopen(tempPath.c_str(), "wb"));
  if (!output) {
    if (g_pMyLog) g_pMyLog->Log(LOG_ERROR, "CVantoExeDlg::UnCompressGzipFile> 2. File open error. '%s'", name);
    return 0;
  }
  std::setvbuf(output.get(), nullptr, _IOFBF, kFileBufferSize);

  int readError = 0;
  int writeError = 0;
  const GzipSource source = [&](unsigned char* buffer, size_t capacity) -> size_t {
    const size_t count = std::fread(buffer, 1, capacity, input.get());
    if (count == 0 && std::ferror(input.get())) readError = errno ? errno : EIO;
    return count;
  };
  const GzipSink sink = [&](const unsigned char* data, size_t length) -> bool {
    if (std::fwrite(data, 1, length, output.get()) == length) return true;
    writeError = errno ? errno : EIO;
    return false;
  };
  const GzipDecodeResult result = DecodeGzipStream(source, sink, maxDecoded);
  input.reset();
  // The content is on the disk before it takes the file's place.
  if (!writeError && !FlushToDisk(output.get())) writeError = errno ? errno : EIO;
  if (!writeError && std::fclose(output.release()) != 0) writeError = errno ? errno : EIO;
  output.reset();

  auto dropTemp = [&]() { std::remove(tempPath.c_str()); };
  if (readError) {
    if (g_pMyLog)
      g_pMyLog->Log(LOG_ERROR, "CVantoExeDlg::UnCompressGzipFile> 1. CFileException::%s.", ErrnoText(readError).c_str());
    dropTemp();
    return 0;
  }
  if (!IsGzipDecodingSound(name, result, writeError, maxDecoded)) {
    dropTemp();
    return 0;
  }
  if (!ReplaceFileDurably(tempPath, filePath)) {
    if (g_pMyLog) g_pMyLog->Log(LOG_ERROR, "CVantoExeDlg::UnCompressGzipFile> Failed DeleteFile(strGzipFilePath).");
    dropTemp();
    return 0;
  }
  decodedSize = result.decodedSize;
  return 1;
}

bool IsGzipDecodingSound(const std::string& filePath, const GzipDecodeResult& result, int writeError,
                         uint64_t maxDecoded) {
  const char* const name = filePath.c_str();
  if (writeError || result.state == GZIP_DECODE_SINK_ERROR) {
    if (g_pMyLog)
      g_pMyLog->Log(LOG_ERROR, "CVantoExeDlg::UnCompressGzipFile> 2. CFileException::%s.",
                    ErrnoText(writeError ? writeError : EIO).c_str());
    return false;
  }
  if (result.state == GZIP_DECODE_OUTPUT_BOUND) {
    if (g_pMyLog)
      g_pMyLog->Log(LOG_ERROR,
                    "CVantoExeDlg::UnCompressGzipFile> Decoded Size Bound Reached(%s), Bound = %llu, Decoded Size = %llu",
                    name, static_cast<unsigned long long>(maxDecoded),
                    static_cast<unsigned long long>(result.decodedSize));
    return false;
  }
  if (result.state == GZIP_DECODE_DATA_ERROR || result.state == GZIP_DECODE_TRUNCATED ||
      result.state == GZIP_DECODE_INIT_ERROR) {
    if (g_pMyLog) {
      g_pMyLog->Log(LOG_ERROR, "CVantoExeDlg::UnCompressGzipFile> Gzip Stream %s(%s) : %s, Decoded Size = %llu",
                    GzipDecodeStateText(result.state), name, result.damage,
                    static_cast<unsigned long long>(result.decodedSize));
      if (result.decodedSize == 0)
        g_pMyLog->Log(LOG_ERROR,
                      "CVantoExeDlg::UnCompressGzipFile> Failed GZipUnCompress(). pUnCompressBuff==NULL or "
                      "dwUnCompressSize==0");
    }
    return false;
  }
  if (result.decodedSize == 0) {
    if (g_pMyLog)
      g_pMyLog->Log(LOG_ERROR,
                    "CVantoExeDlg::UnCompressGzipFile> Failed GZipUnCompress(). pUnCompressBuff==NULL or "
                    "dwUnCompressSize==0");
    return false;
  }
  return true;
}
