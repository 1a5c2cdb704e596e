// A configuration INI file (plain or encrypted) read the way start-up reads
// Vanto.ini or the INI file named on the command line.
#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzInput.h"
#include "config/VantoCfg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = FuzzScratchPath("Vanto.ini");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  CVantoCfg cfg;
  cfg.LoadConfigFromIniFile(path, "VANTO");
  CVantoCfg other;
  other.LoadConfigFromIniFile(path, "");
  std::remove(path.c_str());
  return 0;
}
