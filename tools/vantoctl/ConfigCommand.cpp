// vantoctl config show: the configuration VantoExe would log at start-up,
// from an INI file or from a command line kept in a file.
#include <cstdio>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "config/CfgNormalize.h"
#include "config/CommandLine.h"
#include "config/IniCrypt.h"
#include "config/IniFileAccess.h"
#include "config/IniReader.h"
#include "config/VantoCfg.h"
#include "util/Tokenizer.h"

namespace {
const char kUsage[] =
    "config show --ini PATH [--section NAME]  configuration dump of an INI section (default VANTO)\n"
    "  config show --cmdline-file PATH          configuration dump of a command line kept in a file";

// One line on standard error; the full usage is behind --help.
int Usage(const std::string& message) {
  return VantoctlUsageError(message + " (see 'vantoctl config --help')");
}

// The corrections start-up makes before the dump is written.
void Normalize(CVantoCfg& cfg) {
  TrimDownloadBaseUrl(cfg);
  if (NormalizeTargetDir(cfg) == 0) {
    std::fprintf(stderr,
                 "vantoctl: warning: TARGET_DIR is empty or invalid; VantoExe would not start "
                 "with this configuration\n");
    return;
  }
  ReplaceLoomBrowserPath(cfg);
}

void PrintDump(const CVantoCfg& cfg) {
  for (const std::string& line : cfg.GetConfigDumpLines()) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
  }
}

int ShowIni(const std::string& path, const std::string& section) {
  std::string bytes;
  if (!IniFileExists(path) || !ReadIniFileBytes(path, &bytes))
    return VantoctlUsageError("cannot read INI file '" + path + "'");
  int decrypted = 0;
  const std::string text = GetIniFileContent(path, &decrypted);
  if (decrypted == 0 && text.find(INI_ENCRYPT_MARKER) != std::string::npos)
    std::fprintf(stderr,
                 "vantoctl: warning: '%s' is marked as encrypted but does not decrypt; VantoExe "
                 "reads it as it is\n",
                 path.c_str());
  CVantoCfg cfg;
  cfg.m_strStartMode = "3";
  cfg.m_strCfgFilePath = path;
  cfg.m_strCfgFileSectionName = section;
  cfg.LoadConfigFromIniFile(path, section);
  Normalize(cfg);
  PrintDump(cfg);
  return 0;
}

size_t CountTokens(const std::string& line) {
  std::vector<std::string> tokens;
  TokenizeString(tokens, " ", line);
  return tokens.size();
}

int ShowCommandLine(const std::string& path) {
  std::string line;
  if (!IniFileExists(path) || !ReadIniFileBytes(path, &line))
    return VantoctlUsageError("cannot read command line file '" + path + "'");
  CVantoCfg cfg;
  int accepted = 0;
  std::string why;
  switch (line.empty() ? '\0' : line[0]) {
    case '0':
    case '1': {
      accepted = ParseLongCommandLine(line, cfg);
      size_t fields = 1;
      for (char c : line) fields += c == kLongCommandLineSeparator ? 1 : 0;
      why = "the line has " + std::to_string(fields) + " fields separated by 0x1A, 40 expected";
      break;
    }
    case '2':
      accepted = ParseWebCommandLine(line, cfg);
      why = "web mode needs 7 blank-separated tokens, found " + std::to_string(CountTokens(line));
      break;
    case '3':
      accepted = ParseFileCommandLine(line, cfg);
      why = "file mode needs 4 blank-separated tokens, found " + std::to_string(CountTokens(line));
      break;
    default:
      return VantoctlUsageError("Invalid program argument: a command line starts with 0, 1, 2 or 3");
  }
  if (!accepted) return VantoctlUsageError("Invalid program argument: " + why);
  Normalize(cfg);
  PrintDump(cfg);
  return 0;
}

int RunConfig(const std::vector<std::string>& args) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::printf("usage: vantoctl ...\n  %s\n", kUsage);
    return 0;
  }
  if (args.empty() || args[0] != "show") return Usage("config: expected 'show'");
  std::string iniPath;
  std::string cmdlineFile;
  std::string section = "VANTO";
  bool haveIni = false;
  bool haveCmdline = false;
  bool haveSection = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (i + 1 >= args.size()) return Usage("config show: missing value after " + option);
    const std::string& value = args[++i];
    if (option == "--ini" && !haveIni) {
      iniPath = value;
      haveIni = true;
    } else if (option == "--section" && !haveSection) {
      section = value;
      haveSection = true;
    } else if (option == "--cmdline-file" && !haveCmdline) {
      cmdlineFile = value;
      haveCmdline = true;
    } else {
      return Usage("config show: unexpected argument '" + option + "'");
    }
  }
  if (haveIni == haveCmdline) return Usage("config show: give either --ini or --cmdline-file");
  if (haveSection && !haveIni) return Usage("config show: --section belongs to --ini");
  return haveIni ? ShowIni(iniPath, section) : ShowCommandLine(cmdlineFile);
}

const VantoctlCommand kConfigCommand("config", kUsage, RunConfig);
}  // namespace
