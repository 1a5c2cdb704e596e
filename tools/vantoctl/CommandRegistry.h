#pragma once
// Subcommands of vantoctl register themselves with a static VantoctlCommand.
#include <string>
#include <vector>

// args: everything after the command word (for "config show", after "config").
// Returns the exit status: 0 success, 2 bad usage or unreadable input.
using VantoctlHandler = int (*)(const std::vector<std::string>& args);

struct VantoctlCommand {
  VantoctlCommand(const char* word, const char* usage, VantoctlHandler handler);
};

struct VantoctlCommandEntry {
  std::string word;
  std::string usage;
  VantoctlHandler handler;
};
const std::vector<VantoctlCommandEntry>& VantoctlCommands();

// Prints "vantoctl: <message>" on standard error and returns 2.
int VantoctlUsageError(const std::string& message);
