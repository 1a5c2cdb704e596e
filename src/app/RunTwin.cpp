#include "app/RunTwin.h"

std::string MakeRunTwin(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return path;
  return path.substr(0, dot) + "Run" + path.substr(dot);
}

std::string BuildCommandLine(const std::string& program, const std::string& argument, bool keepBlank) {
  std::string line = "\"" + program + "\"";
  if (!argument.empty() || keepBlank) line += " " + argument;
  return line;
}
