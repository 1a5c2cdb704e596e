// vantoctl log decode: the plain text of log files as administrators collect
// them from clients. Byte-inverted files (LOG_ENCODE_FLAG 1) come out as the
// very bytes the same log would have had unencoded; plain files pass through.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "util/FileOwner.h"
#include "util/LogDecoder.h"

namespace {
const char kUsage[] = "log decode FILE...";


bool Write(const void* data, size_t size) { return std::fwrite(data, 1, size, stdout) == size; }

// Copies one file to standard output, decoded when it is encoded.
int DecodeFile(const std::string& path) {
  UniqueFile file(std::fopen(path.c_str(), "rb"));
  if (!file) return VantoctlUsageError("cannot open '" + path + "'");
  std::vector<unsigned char> buffer(64 * 1024);
  size_t read = std::fread(buffer.data(), 1, buffer.size(), file.get());
  const bool encoded = IsEncodedLogStart(buffer.data(), read);
  CEncodedLogDecoder decoder;
  std::string out;
  while (read > 0) {
    if (encoded) {
      out.clear();
      decoder.Feed(buffer.data(), read, out);
      if (!Write(out.data(), out.size())) return VantoctlUsageError("cannot write the output");
    } else if (!Write(buffer.data(), read)) {
      return VantoctlUsageError("cannot write the output");
    }
    read = std::fread(buffer.data(), 1, buffer.size(), file.get());
  }
  if (std::ferror(file.get())) return VantoctlUsageError("cannot read '" + path + "'");
  out.clear();
  decoder.Finish(out);
  if (!Write(out.data(), out.size())) return VantoctlUsageError("cannot write the output");
  return 0;
}

int LogCommand(const std::vector<std::string>& args) {
  if (args.size() < 2 || args[0] != "decode") return VantoctlUsageError(std::string("usage: vantoctl ") + kUsage);
  int status = 0;
  // Every file is tried; one that cannot be read makes the status 2.
  for (size_t i = 1; i < args.size(); ++i)
    if (DecodeFile(args[i]) != 0) status = 2;
  std::fflush(stdout);
  return status;
}

const VantoctlCommand kLogCommand("log", kUsage, LogCommand);
}  // namespace
