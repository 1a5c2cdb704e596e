#pragma once
// Whether a file is a Windows program for a given machine: the MZ header,
// the PE header it points at, the machine type, an executable image that
// is no DLL, and section data the file really holds (a transfer cut short
// is not a program). Portable; reads at most the headers' bytes.
#include <cstdint>
#include <string>

enum class ProgramImageCheck {
  Program,       // a program for the machine asked for
  NotAProgram,   // no MZ or PE header (an HTML page, say), or a DLL
  OtherMachine,  // a program for another processor (a 64-bit one for the 32-bit build)
  Truncated,     // headers or sections reach beyond the end of the file
  Unreadable,    // the file cannot be opened
};

constexpr uint16_t kMachineI386 = 0x014c;
constexpr uint16_t kMachineAmd64 = 0x8664;

// The machine this program was built for.
uint16_t ThisProgramMachine();

// The check over the file's first bytes (headers and section table) and
// its whole size.
ProgramImageCheck CheckProgramImage(const std::string& head, uint64_t fileSize, uint16_t machine);
ProgramImageCheck CheckProgramFile(const std::string& path, uint16_t machine);
// A short English text for the log.
const char* ProgramImageCheckText(ProgramImageCheck check);
