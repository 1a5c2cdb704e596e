#pragma once
// vantoctl list make: a list file with every published file's time and
// size, so that clients decide without asking the server, and with
// --sha256 its digest, so that they reject a file that is not this one.
#include <string>
#include <vector>

extern const char kListMakeUsage[];

// args: everything after "list" ("make", PUBLISH_DIR, options).
int ListMake(const std::vector<std::string>& args);
