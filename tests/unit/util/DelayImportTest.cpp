// The delay-import stubs, generated the same way as the program's
// (cmake/DelayImports.cmake) for names of this test's own, so that each
// case starts with a slot nobody has called through yet.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

extern "C" {
// version.dll's GetFileVersionInfoSizeA/W under other names.
__declspec(dllimport) DWORD WINAPI VantoTestSizeA(LPCSTR path, LPDWORD handle);
__declspec(dllimport) DWORD WINAPI VantoTestSizeW(LPCWSTR path, LPDWORD handle);
// Declared without dllimport, as the GDI+ flat API is: the call goes to the
// jump through the slot.
DWORD WINAPI VantoTestDirect(LPCSTR path, LPDWORD handle);
// A DLL the system folder does not have, and a function version.dll lacks.
__declspec(dllimport) DWORD WINAPI VantoTestAbsent(DWORD value);
__declspec(dllimport) DWORD WINAPI VantoTestNoFunction(DWORD value);
}

namespace {
std::string SystemFile(const char* name) {
  char dir[MAX_PATH] = {};
  ::GetSystemDirectoryA(dir, sizeof(dir));
  return std::string(dir) + "\\" + name;
}

// What the DLL's own function answers, called without any stub.
DWORD ExpectedSize(const std::string& path) {
  const HMODULE version = ::LoadLibraryExA(SystemFile("version.dll").c_str(), nullptr, 0);
  const auto size = reinterpret_cast<DWORD(WINAPI*)(LPCSTR, LPDWORD)>(
      reinterpret_cast<void (*)()>(::GetProcAddress(version, "GetFileVersionInfoSizeA")));
  DWORD handle = 0;
  return size ? size(path.c_str(), &handle) : 0;
}

TEST(DelayImportTest, FirstAndLaterCallsReachTheSystemDllWithTheCallersArguments) {
  const std::string kernel32 = SystemFile("kernel32.dll");
  const DWORD expected = ExpectedSize(kernel32);
  ASSERT_GT(expected, 0u);
  for (int call = 0; call < 2; ++call) {  // through the stub, then straight
    DWORD handle = 7;
    ::SetLastError(1234);
    EXPECT_EQ(expected, VantoTestSizeA(kernel32.c_str(), &handle)) << call;
    EXPECT_EQ(expected, VantoTestDirect(kernel32.c_str(), &handle)) << call;
  }
  // A failing call keeps the error the function itself set.
  DWORD handle = 0;
  EXPECT_EQ(0u, VantoTestSizeA(SystemFile("vanto_no_such_file.dll").c_str(), &handle));
  EXPECT_NE(0u, ::GetLastError());
}

TEST(DelayImportTest, ThreadsRacingToTheFirstCallAllGetTheFunction) {
  const std::wstring kernel32 = std::wstring(L"C:\\windows\\system32\\kernel32.dll");
  const DWORD expected = ExpectedSize("C:\\windows\\system32\\kernel32.dll");
  ASSERT_GT(expected, 0u);
  std::atomic<int> ready{0};
  std::atomic<bool> go{false};
  std::vector<DWORD> results(8, 0);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < results.size(); ++i) {
    threads.emplace_back([&, i] {
      ++ready;
      while (!go) std::this_thread::yield();
      DWORD handle = 0;
      results[i] = VantoTestSizeW(kernel32.c_str(), &handle);
    });
  }
  while (ready < static_cast<int>(results.size())) std::this_thread::yield();
  go = true;
  for (auto& thread : threads) thread.join();
  for (size_t i = 0; i < results.size(); ++i) EXPECT_EQ(expected, results[i]) << i;
}

TEST(DelayImportDeathTest, AMissingDllEndsTheProcessWithTheFatalCodeNamingDllAndFunction) {
  EXPECT_EXIT(VantoTestAbsent(1), ::testing::ExitedWithCode(2),
              "Cannot load vanto_absent.dll from the system folder for Absent");
}

TEST(DelayImportDeathTest, AMissingFunctionEndsTheProcessWithTheFatalCodeNamingDllAndFunction) {
  EXPECT_EXIT(VantoTestNoFunction(1), ::testing::ExitedWithCode(2), "version.dll has no function VantoNoSuchFunction");
}
}  // namespace
