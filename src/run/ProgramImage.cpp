#include "run/ProgramImage.h"

#include <cstdio>
#include <memory>

namespace {
constexpr size_t kHeadBytes = 64 * 1024;  // e_lfanew and the section table lie within
constexpr uint16_t kExecutableImage = 0x0002;
constexpr uint16_t kDll = 0x2000;
constexpr int kMaxSections = 96;

uint32_t Read16(const std::string& s, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(s[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8;
}
uint32_t Read32(const std::string& s, size_t at) { return Read16(s, at) | Read16(s, at + 2) << 16; }

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
}  // namespace

uint16_t ThisProgramMachine() {
#if defined(__x86_64__) || defined(_M_X64)
  return kMachineAmd64;
#else
  return kMachineI386;
#endif
}

ProgramImageCheck CheckProgramImage(const std::string& head, uint64_t fileSize, uint16_t machine) {
  if (head.size() < 2 || head[0] != 'M' || head[1] != 'Z') return ProgramImageCheck::NotAProgram;
  if (head.size() < 0x40) return ProgramImageCheck::Truncated;
  const uint32_t pe = Read32(head, 0x3C);
  if (pe < 0x40 || pe > kHeadBytes - 24) return ProgramImageCheck::NotAProgram;
  if (pe + 24 > head.size()) return ProgramImageCheck::Truncated;
  if (head.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return ProgramImageCheck::NotAProgram;
  const uint32_t fileMachine = Read16(head, pe + 4);
  const uint32_t sections = Read16(head, pe + 6);
  const uint32_t optionalSize = Read16(head, pe + 20);
  const uint32_t characteristics = Read16(head, pe + 22);
  if ((characteristics & kExecutableImage) == 0 || (characteristics & kDll) != 0)
    return ProgramImageCheck::NotAProgram;
  if (fileMachine != machine) return ProgramImageCheck::OtherMachine;
  if (sections == 0 || sections > kMaxSections) return ProgramImageCheck::NotAProgram;
  const uint64_t table = static_cast<uint64_t>(pe) + 24 + optionalSize;
  const uint64_t tableEnd = table + 40ull * sections;
  if (tableEnd > head.size()) return tableEnd > fileSize ? ProgramImageCheck::Truncated : ProgramImageCheck::NotAProgram;
  for (uint32_t i = 0; i < sections; ++i) {
    const size_t at = static_cast<size_t>(table) + 40 * i;
    const uint64_t rawSize = Read32(head, at + 16);
    const uint64_t rawPointer = Read32(head, at + 20);
    if (rawSize != 0 && rawPointer + rawSize > fileSize) return ProgramImageCheck::Truncated;
  }
  return ProgramImageCheck::Program;
}

ProgramImageCheck CheckProgramFile(const std::string& path, uint16_t machine) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return ProgramImageCheck::Unreadable;
  std::string head(kHeadBytes, '\0');
  head.resize(std::fread(&head[0], 1, head.size(), file.get()));
  uint64_t size = head.size();
  if (head.size() == kHeadBytes) {
#ifdef _WIN32
    if (_fseeki64(file.get(), 0, SEEK_END) != 0) return ProgramImageCheck::Unreadable;
    const long long end = _ftelli64(file.get());
#else
    if (fseeko(file.get(), 0, SEEK_END) != 0) return ProgramImageCheck::Unreadable;
    const long long end = ftello(file.get());
#endif
    if (end < 0) return ProgramImageCheck::Unreadable;
    size = static_cast<uint64_t>(end);
  }
  return CheckProgramImage(head, size, machine);
}

const char* ProgramImageCheckText(ProgramImageCheck check) {
  switch (check) {
    case ProgramImageCheck::Program: return "a program for this machine";
    case ProgramImageCheck::NotAProgram: return "not a Windows program";
    case ProgramImageCheck::OtherMachine: return "a program for another machine type";
    case ProgramImageCheck::Truncated: return "a truncated program file";
    case ProgramImageCheck::Unreadable: return "unreadable";
  }
  return "unknown";
}
