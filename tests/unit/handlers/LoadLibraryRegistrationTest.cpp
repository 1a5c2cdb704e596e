// The in-process registration route against the test COM servers built
// with this project (tests/tools/com_fixture.cpp).
#include <windows.h>

#include <gtest/gtest.h>

#include "support/LogCapture.h"
#include "support/TempDir.h"
#include "handlers/WinRegistrationPlatform.h"
#include "util/DllSearch.h"

namespace {
const char kServersKey[] = "Software\\VantoTest\\ComServers";

// The fixtures' build folder, seen from Wine (drive Z: is the Linux root).
std::string FixturePath(const char* name) {
  std::string dir = VANTO_COM_FIXTURE_DIR;
  for (char& c : dir) c = c == '/' ? '\\' : c;
  return "Z:" + dir + "\\" + name;
}

std::string RegisteredBy(const std::string& dllPath) {
  char data[MAX_PATH] = {};
  DWORD size = sizeof(data);
  if (RegGetValueA(HKEY_CURRENT_USER, kServersKey, dllPath.c_str(), RRF_RT_REG_SZ, nullptr, data, &size) !=
      ERROR_SUCCESS)
    return "";
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kServersKey, dllPath.c_str());
  return data;
}

class LoadLibraryRegistrationTest : public TempDirTest {
 protected:
  // A copy in the test's folder, so that the registry value is its own.
  FileItem Copy(const char* fixture, const char* name) {
    FileItem item;
    item.m_strLocalPath = m_dir.Child(name);
    EXPECT_TRUE(CopyFileA(FixturePath(fixture).c_str(), item.m_strLocalPath.c_str(), FALSE)) << fixture;
    return item;
  }
  LogCapture m_log;
};

TEST_F(LoadLibraryRegistrationTest, ResultsOfTheInProcessRoute) {
  const FileItem registers = Copy("vanto_com_registers.dll", "my control.ocx");
  EXPECT_EQ(ProcessRegistryFileByLoadLibrary(&registers), 1);
  EXPECT_FALSE(RegisteredBy(registers.m_strLocalPath).empty()) << "DllRegisterServer ran in this process";

  const FileItem noExport = Copy("vanto_com_noexport.dll", "plain.dll");
  EXPECT_EQ(ProcessRegistryFileByLoadLibrary(&noExport), -2);
  EXPECT_TRUE(m_log.Contains("[ERROR] CVantoExeDlg::ProcessRegistryFileByLoadLibrary> DllRegisterServer EntryPoint "
                             "is NULL. >> ('" + noExport.m_strLocalPath + "')"));

  const FileItem fails = Copy("vanto_com_fails.dll", "fails.ocx");
  EXPECT_EQ(ProcessRegistryFileByLoadLibrary(&fails), -3);
  EXPECT_TRUE(m_log.Contains("[ERROR] CVantoExeDlg::ProcessRegistryFileByLoadLibrary> Error 'DllRegisterServer'."
                             "(Return='80004005') >> ('" +
                             fails.m_strLocalPath + "') (LastErrorCode='5', ErrorText='"));

  FileItem notALibrary;
  notALibrary.m_strLocalPath = m_dir.Child("text.ocx");
  ASSERT_TRUE(WriteWholeFile(notALibrary.m_strLocalPath, "MZ but no program"));
  EXPECT_EQ(ProcessRegistryFileByLoadLibrary(&notALibrary), -1);
  EXPECT_TRUE(m_log.Contains("[ERROR] CVantoExeDlg::ProcessRegistryFileByLoadLibrary> LoadLibraryEx() is failed. "
                             ">> ('" + notALibrary.m_strLocalPath + "')"));

  const FileItem noPath;
  EXPECT_EQ(ProcessRegistryFileByLoadLibrary(nullptr), 0);
  EXPECT_EQ(ProcessRegistryFileByLoadLibrary(&noPath), 0);
  EXPECT_TRUE(m_log.Contains("[ERROR] CVantoExeDlg::ProcessRegistryFileByLoadLibrary> The file path is unknown."));
}

// With the search restricted as VantoExe restricts it at start, a component
// still finds the DLL it needs beside itself, from another current folder.
TEST_F(LoadLibraryRegistrationTest, ComponentFindsItsOwnDllBesideItWithTheSearchRestricted) {
  RestrictDllSearch();
  const std::string folder = m_dir.Child("components");
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  FileItem item;
  item.m_strLocalPath = folder + "\\depends.ocx";
  ASSERT_TRUE(CopyFileA(FixturePath("vanto_com_depends.dll").c_str(), item.m_strLocalPath.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(FixturePath("vanto_com_helper.dll").c_str(), (folder + "\\vanto_com_helper.dll").c_str(),
                        FALSE));
  EXPECT_EQ(ProcessRegistryFileByLoadLibrary(&item), 1) << m_log.Text();
  EXPECT_FALSE(RegisteredBy(item.m_strLocalPath).empty());
}
}  // namespace
