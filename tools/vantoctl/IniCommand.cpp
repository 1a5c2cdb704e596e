// vantoctl ini: read an INI file as VantoExe does, and produce the
// encrypted form VantoExe reads (the program never writes one).
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "config/IniCrypt.h"
#include "config/IniEncrypt.h"
#include "config/IniFileAccess.h"
#include "config/IniReader.h"
#include "util/FileOwner.h"

namespace {
const char kUsage[] =
    "ini decrypt PATH                         the text VantoExe reads from PATH, to standard output\n"
    "  ini encrypt IN OUT                       write IN as the encrypted INI file OUT";

// One line on standard error; the full usage is behind --help.
int Usage(const std::string& message) {
  return VantoctlUsageError(message + " (see 'vantoctl ini --help')");
}


bool WriteBytes(const std::string& path, const std::string& bytes) {
  UniqueFile file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return false;
  return std::fclose(file.release()) == 0;
}

int Decrypt(const std::string& path) {
  std::string bytes;
  if (!IniFileExists(path) || !ReadIniFileBytes(path, &bytes))
    return VantoctlUsageError("cannot read INI file '" + path + "'");
  int decrypted = 0;
  const std::string text = GetIniFileContent(path, &decrypted);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  std::fprintf(stderr, "decrypted=%d\n", decrypted);
  return 0;
}

int Encrypt(const std::string& in, const std::string& out) {
  std::string text;
  if (!IniFileExists(in) || !ReadIniFileBytes(in, &text))
    return VantoctlUsageError("cannot read input file '" + in + "'");
  if (text.compare(0, kIniEncryptMarkerLength, INI_ENCRYPT_MARKER) == 0)
    return VantoctlUsageError("'" + in + "' is already encrypted");
  // VantoExe reads the text only up to its first zero byte (UTF-16 files
  // would come out as one character).
  if (text.find('\0') != std::string::npos)
    return VantoctlUsageError("'" + in + "' contains a zero byte; save it as ANSI (CP949) text");
  if (!WriteBytes(out, EncryptIniContent(text)))
    return VantoctlUsageError("cannot write output file '" + out + "'");
  return 0;
}

int RunIni(const std::vector<std::string>& args) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::printf("usage: vantoctl ...\n  %s\n", kUsage);
    return 0;
  }
  if (args.size() == 2 && args[0] == "decrypt") return Decrypt(args[1]);
  if (args.size() == 3 && args[0] == "encrypt") return Encrypt(args[1], args[2]);
  if (!args.empty() && (args[0] == "decrypt" || args[0] == "encrypt"))
    return Usage("ini " + args[0] + ": wrong number of arguments");
  return Usage("ini: expected 'decrypt' or 'encrypt'");
}

const VantoctlCommand kIniCommand("ini", kUsage, RunIni);
}  // namespace
