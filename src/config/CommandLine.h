#pragma once
// The command lines of the numeric start modes. Each returns 1 when the line
// was accepted and stored into cfg, 0 when it was refused (start-up then
// stops with "Invalid program argument, so exit program.").
#include <string>

#include "config/VantoCfg.h"

// Field separator of the 40-field line (SUB).
constexpr char kLongCommandLineSeparator = '\x1A';
constexpr int kLongCommandLineFieldCount = 40;

// Start modes "0"/"1": exactly 40 fields separated by 0x1A (a field longer
// than the usual 4095 bytes is kept whole). Afterwards an
// empty RUN_MODE becomes "LOOM_BROWSER", the download date is read from
// TARGET_DIR and the last-list-file rule applied (no clamps on this path).
int ParseLongCommandLine(const std::string& commandLine, CVantoCfg& cfg);
// Start mode "2": exactly 7 blank-separated tokens (quoted groups allowed).
int ParseWebCommandLine(const std::string& commandLine, CVantoCfg& cfg);
// Start mode "3": exactly 4 blank-separated tokens (quoted groups allowed).
int ParseFileCommandLine(const std::string& commandLine, CVantoCfg& cfg);
