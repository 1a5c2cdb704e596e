// What the self-update takes for a program: real headers for this machine,
// nothing cut short.
#include "run/ProgramImage.h"

#include <gtest/gtest.h>

namespace {
void Put(std::string& s, size_t at, uint32_t value, int bytes) {
  if (s.size() < at + bytes) s.resize(at + bytes, '\0');
  for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A program image: MZ, PE at 0x80, one section of 0x200 bytes at 0x400.
std::string Image(uint16_t machine, uint16_t characteristics = 0x0102) {
  std::string s(0x600, '\0');
  s[0] = 'M';
  s[1] = 'Z';
  Put(s, 0x3C, 0x80, 4);
  s.replace(0x80, 4, std::string("PE\0\0", 4));
  Put(s, 0x84, machine, 2);
  Put(s, 0x86, 1, 2);                  // sections
  Put(s, 0x94, 0xE0, 2);               // optional header size
  Put(s, 0x96, characteristics, 2);
  const size_t section = 0x80 + 24 + 0xE0;
  Put(s, section + 16, 0x200, 4);      // raw size
  Put(s, section + 20, 0x400, 4);      // raw pointer
  return s;
}
}  // namespace

TEST(ProgramImageTest, RefusesWhatIsNoProgramForThisMachine) {
  const std::string i386 = Image(kMachineI386);
  const struct {
    const char* name;
    std::string bytes;
    uint64_t size;
    uint16_t machine;
    ProgramImageCheck expected;
  } cases[] = {
      {"32-bit program for the 32-bit build", i386, i386.size(), kMachineI386, ProgramImageCheck::Program},
      {"64-bit program for the 64-bit build", Image(kMachineAmd64), 0x600, kMachineAmd64, ProgramImageCheck::Program},
      {"64-bit program for the 32-bit build", Image(kMachineAmd64), 0x600, kMachineI386,
       ProgramImageCheck::OtherMachine},
      {"an error page answered with 200", "<html><body>404 Not Found</body></html>", 40, kMachineI386,
       ProgramImageCheck::NotAProgram},
      {"empty", "", 0, kMachineI386, ProgramImageCheck::NotAProgram},
      {"MZ only", "MZ", 2, kMachineI386, ProgramImageCheck::Truncated},
      {"cut after the headers", i386.substr(0, 0x500), 0x500, kMachineI386, ProgramImageCheck::Truncated},
      {"a DLL", Image(kMachineI386, 0x2102), 0x600, kMachineI386, ProgramImageCheck::NotAProgram},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CheckProgramImage(c.bytes, c.size, c.machine), c.expected);
  }
  std::string badSignature = i386;
  badSignature[0x81] = 'X';
  EXPECT_EQ(CheckProgramImage(badSignature, badSignature.size(), kMachineI386), ProgramImageCheck::NotAProgram);
  std::string farHeader = i386;
  Put(farHeader, 0x3C, 0x7FFFFFFF, 4);
  EXPECT_EQ(CheckProgramImage(farHeader, farHeader.size(), kMachineI386), ProgramImageCheck::NotAProgram);
  EXPECT_EQ(CheckProgramFile("no such file.exe", kMachineI386), ProgramImageCheck::Unreadable);
}
