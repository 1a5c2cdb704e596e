#include "CommandRegistry.h"

#include <cstdio>

namespace {
std::vector<VantoctlCommandEntry>& Registry() {
  static std::vector<VantoctlCommandEntry> commands;
  return commands;
}
}  // namespace

VantoctlCommand::VantoctlCommand(const char* word, const char* usage, VantoctlHandler handler) {
  Registry().push_back({word, usage, handler});
}

const std::vector<VantoctlCommandEntry>& VantoctlCommands() { return Registry(); }

int VantoctlUsageError(const std::string& message) {
  std::fprintf(stderr, "vantoctl: %s\n", message.c_str());
  return 2;
}
