// vantoctl: the administrators' tool to check configuration, list files and
// the server before they deploy VantoExe.
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "util/DllSearch.h"
#endif

#include "CommandRegistry.h"

namespace {
void PrintUsage(FILE* out) {
  std::fprintf(out, "usage: vantoctl COMMAND ...\n\ncommands:\n");
  for (const VantoctlCommandEntry& command : VantoctlCommands())
    std::fprintf(out, "  %s\n", command.usage.c_str());
}
}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // Before anything loads a DLL: never from the tool's or the current folder.
  RestrictDllSearch();
  // Texts are written as the bytes they are, without CR insertion.
  _setmode(_fileno(stdout), _O_BINARY);
  // Unbuffered: what was printed reaches a pipe even if the process is
  // stopped or ends abnormally (the C runtime buffers pipes in full).
  std::setvbuf(stdout, nullptr, _IONBF, 0);
#endif
  if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
    PrintUsage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  const std::string word = argv[1];
  for (const VantoctlCommandEntry& command : VantoctlCommands()) {
    if (command.word == word) return command.handler(std::vector<std::string>(argv + 2, argv + argc));
  }
  std::fprintf(stderr, "vantoctl: unknown command '%s'\n", word.c_str());
  PrintUsage(stderr);
  return 2;
}
