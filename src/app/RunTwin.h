#pragma once
// Naming and command lines of the program copies the launcher starts.
#include <string>

// "dir\Agent.exe" -> "dir\AgentRun.exe": "Run" inserted before the last ".".
// The text comes back unchanged when it has no ".".
std::string MakeRunTwin(const std::string& path);

// Command line for CreateProcess: the program path in double quotes (so a
// folder with a blank cannot make Windows start another program), then a
// blank and the argument as given. With an empty argument the blank is kept
// only when keepBlank is set.
std::string BuildCommandLine(const std::string& program, const std::string& argument, bool keepBlank);
