#pragma once
// A password line from standard input: typed without echo at a terminal
// (the prompt on standard error), or piped in by a build server.
#include <string>

// false at the end of input.
bool ReadPassword(const char* prompt, std::string& password);
// Whether standard input is a terminal (asking twice makes sense).
bool InputIsTerminal();
