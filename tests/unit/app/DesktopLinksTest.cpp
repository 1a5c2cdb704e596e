#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <string>

#include "support/TempDir.h"

#include "app/DesktopLinks.h"
#include "util/WinHandles.h"

namespace {
struct LinkInfo {
  bool loaded = false;
  std::string path, arguments, icon;
  DWORD flags = 0;
};

LinkInfo ReadLink(const std::string& name) {
  LinkInfo info;
  ::CoInitialize(nullptr);
  {
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
    ComPtr<IShellLinkDataList> data;
    const std::string path = GetDesktopDir() + "\\" + name + ".lnk";
    const std::wstring wide(path.begin(), path.end());
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void())) &&
        SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
      info.loaded = true;
      char text[1024] = "";
      link->GetPath(text, sizeof(text), nullptr, SLGP_RAWPATH);
      info.path = text;
      text[0] = '\0';
      link->GetArguments(text, sizeof(text));
      info.arguments = text;
      int index = 0;
      text[0] = '\0';
      link->GetIconLocation(text, sizeof(text), &index);
      info.icon = text;
      if (SUCCEEDED(link->QueryInterface(IID_IShellLinkDataList, data.put_void()))) data->GetFlags(&info.flags);
    }
  }
  ::CoUninitialize();
  return info;
}

bool RunningUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class DesktopLinksTest : public ::testing::Test {
 protected:
  std::string Name(const char* base) {
    std::string name = std::string("VantoUnit_") + base + "_" + std::to_string(::GetCurrentProcessId());
    m_names.push_back(name);
    return name;
  }
  std::string LinkPath(const std::string& name) { return GetDesktopDir() + "\\" + name + ".lnk"; }
  void TearDown() override {
    for (const std::string& name : m_names) ::DeleteFileA(LinkPath(name).c_str());
  }
  std::vector<std::string> m_names;
};

TEST_F(DesktopLinksTest, ProgramLinkCarriesTargetArgumentsAndIcon) {
  const std::string name = Name("Prog");
  EXPECT_EQ(CreateDesktopLink(name, "C:\\windows\\system32\\notepad.exe", "/a b", "C:\\windows\\system32\\shell32.dll"),
            0);
  const LinkInfo info = ReadLink(name);
  ASSERT_TRUE(info.loaded);
  EXPECT_STRCASEEQ(info.path.c_str(), "C:\\windows\\system32\\notepad.exe");
  EXPECT_EQ(info.arguments, "/a b");
  EXPECT_STRCASEEQ(info.icon.c_str(), "C:\\windows\\system32\\shell32.dll");
}

TEST_F(DesktopLinksTest, WebLinkStartsTheBrowserWithTheUrl) {
  const std::string name = Name("Web");
  EXPECT_EQ(CreateDesktopWebLink(name, "http://127.0.0.1/portal", "", "C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE"),
            0);
  const LinkInfo info = ReadLink(name);
  ASSERT_TRUE(info.loaded);
  EXPECT_STRCASEEQ(info.path.c_str(), "C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE");
  EXPECT_EQ(info.arguments, "http://127.0.0.1/portal");
}

TEST_F(DesktopLinksTest, ExistingLinkIsOverwritten) {
  const std::string name = Name("Over");
  ASSERT_EQ(CreateDesktopLink(name, "C:\\one.exe", "", ""), 0);
  ASSERT_EQ(CreateDesktopLink(name, "C:\\two.exe", "x", ""), 0);
  const LinkInfo info = ReadLink(name);
  EXPECT_STRCASEEQ(info.path.c_str(), "C:\\two.exe");
  EXPECT_EQ(info.arguments, "x");
}

TEST_F(DesktopLinksTest, UnsavableLinkIsMinusOne) {
  EXPECT_EQ(CreateDesktopLink("no_such_folder\\inner", "C:\\one.exe", "", ""), -1);
}

TEST_F(DesktopLinksTest, RunAsAdminOnMissingLinkIsMinusThree) {
  EXPECT_EQ(SetLinkRunAsAdmin(Name("Missing")), -3);
}

TEST_F(DesktopLinksTest, RunAsAdminSetsTheFlagOnceAndKeepsTheLink) {
  const std::string name = Name("Admin");
  ASSERT_EQ(CreateDesktopLink(name, "C:\\windows\\system32\\notepad.exe", "/p", ""), 0);
  EXPECT_EQ(ReadLink(name).flags & SLDF_RUNAS_USER, 0u);
  EXPECT_EQ(SetLinkRunAsAdmin(name), 0);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(LinkPath(name), &bytes));
  ASSERT_GT(bytes.size(), 0x18u);
  DWORD stored = 0;
  std::memcpy(&stored, bytes.data() + 0x14, sizeof(stored));  // LinkFlags of the file header
  const LinkInfo info = ReadLink(name);
  EXPECT_EQ(info.arguments, "/p");
  EXPECT_EQ(SetLinkRunAsAdmin(name), 0);
  if ((stored & SLDF_RUNAS_USER) == 0 && RunningUnderWine()) {
    GTEST_SKIP() << "Wine's shell link object does not store the administrator flag";
  }
  EXPECT_NE(stored & SLDF_RUNAS_USER, 0u);
  EXPECT_NE(info.flags & SLDF_RUNAS_USER, 0u);
}
}  // namespace
