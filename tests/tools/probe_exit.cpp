// Test program for the end-to-end harness: prints its arguments and the ANSI
// code page, then exits with the code given as first argument; "sleep N"
// waits N seconds first.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  std::printf("acp=%u\n", ::GetACP());
  for (int i = 1; i < argc; ++i) std::printf("arg%d=%s\n", i, argv[i]);
  std::fflush(stdout);
  if (argc >= 3 && std::strcmp(argv[1], "sleep") == 0) {
    ::Sleep(static_cast<DWORD>(std::atoi(argv[2])) * 1000);
    return 0;
  }
  return argc >= 2 ? std::atoi(argv[1]) : 0;
}
