// The registration rules over a scripted system: routes by mode, command
// lines, folders, counters, message boxes, RegAsm.exe search, ZRG archives.
#include "handlers/ComponentRegistration.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "support/FakeRunDisplay.h"
#include "support/LogCapture.h"
#include "handlers/RegistrationPlatform.h"

namespace {
const char kSystemDir[] = "C:\\Windows\\System32";
const char kRegSvr32[] = "C:\\Windows\\System32\\regsvr32.exe";
const char kRegAsm[] = "C:\\Windows\\Microsoft.NET\\Framework\\v2.0.50727\\RegAsm.exe";

// Records every call as one line; answers from its tables.
class ScriptedPlatform : public IRegistrationPlatform {
 public:
  bool Exists(const std::string& path) override { return existing.count(path) != 0; }
  bool ChangeCurrentDirectory(const std::string& dir) override { return Call("cd " + dir), true; }
  unsigned RunHidden(const std::string& commandLine) override {
    Call("exec " + commandLine);
    return failingCommands.count(commandLine) ? 2 : 33;
  }
  unsigned long LastErrorCode() override { return 2; }
  std::string LastErrorText() override { return errorText; }
  bool OleInitialize() override { return Call("ole"), oleWorks; }
  void OleUninitialize() override { Call("unole"); }
  int ProcessRegistryFileByLoadLibrary(const FileItem* item) override {
    Call("load " + item->m_strLocalPath);
    const auto it = loadResults.find(item->m_strLocalPath);
    return it == loadResults.end() ? 1 : it->second;
  }
  LaunchResult StartExeFileByShellExecute(const std::string& program, const std::string& parameters, int wait,
                                          unsigned long& exitCode) override {
    Call("shell " + program + " " + parameters + " wait=" + std::to_string(wait));
    const auto it = exitCodes.find(parameters);
    exitCode = it == exitCodes.end() ? 0 : it->second;
    return shellResult;
  }
  bool WindowsDirectory(std::string& dir) override { return dir = windowsDir, windowsDirWorks; }
  std::vector<FoundFile> FindFiles(const std::string& pattern) override { return Call("find " + pattern), found; }
  bool RemoveFile(const std::string& path) override { return Call("rm " + path), true; }
  int ProcessZipFile(const FileItem& item, std::vector<std::string>* extracted) override {
    Call("unzip " + item.m_strLocalPath);
    const auto& [result, files] = zips[item.m_strLocalPath];
    *extracted = files;
    return result;
  }

  void Call(const std::string& line) { calls.push_back(line); }

  std::vector<std::string> calls;
  std::set<std::string> existing{kRegSvr32, kRegAsm};
  std::set<std::string> failingCommands;
  std::map<std::string, int> loadResults;
  std::string errorText = "The system cannot find the file specified.";
  bool oleWorks = true;
  LaunchResult shellResult = LAUNCH_STARTED;
  std::map<std::string, unsigned long> exitCodes;  // by parameters
  std::string windowsDir = "C:\\Windows";
  bool windowsDirWorks = true;
  std::vector<FoundFile> found{{"v2.0.50727", FOUND_ATTRIBUTE_DIRECTORY}};
  std::map<std::string, std::pair<int, std::vector<std::string>>> zips;
};

class AskingDisplay : public FakeRunDisplay {
 public:
  int AskUser(const std::string& text, const std::string&, unsigned type) override {
    m_asks.emplace_back(text, type);
    return 1;
  }
  std::vector<std::pair<std::string, unsigned>> m_asks;
};

class RegistrationTest : public ::testing::Test {
 protected:
  void Add(FileItemList& list, int32_t kind, const std::string& path, int32_t downFlag = 1) {
    auto item = std::make_unique<FileItem>();
    item->m_nFileType = kind;
    item->m_strLocalPath = path;
    item->m_strFilePath = "srv/" + path.substr(path.rfind('\\') + 1);
    item->m_nDownFlag = downFlag;
    list.push_back(std::move(item));
  }
  CComponentRegistration Registration(int mode) {
    return CComponentRegistration(m_display, m_platform, mode, kSystemDir, m_msg);
  }

  LogCapture m_log;
  AskingDisplay m_display;
  ScriptedPlatform m_platform;
  std::string m_msg;
  FileItemList m_list;
};

TEST_F(RegistrationTest, CountsOnlyProcessableEntriesAgainstTheWholeList) {
  for (int n = 0; n < 10; ++n) {
    const bool reg = n % 3 == 0;  // 0, 3, 6, 9
    const int32_t kind = reg ? FILE_KIND_REG : (n % 2 ? FILE_KIND_NORMAL : FILE_KIND_REG);
    Add(m_list, kind, "C:\\App\\c" + std::to_string(n) + ".ocx", reg ? 1 : 0);
  }
  EXPECT_EQ(Registration(0).HandleRegisterTypeFilesByRegSvr32(m_list, 1), 0);
  EXPECT_EQ(m_display.m_texts.back(), std::make_pair(int(IDC_STATIC_TOTAL), std::string("4 / 10  (40.0%)")));
  EXPECT_EQ(m_display.m_ranges.front().upper, 10);
  const std::vector<std::pair<int, int>> tail(m_display.m_positions.end() - 2, m_display.m_positions.end());
  EXPECT_EQ(tail, (std::vector<std::pair<int, int>>{{IDC_PROGRESS_TOTAL, 10}, {IDC_PROGRESS_FILE, 100}}));
  EXPECT_EQ(m_display.m_pumps.size(), 4u);
  EXPECT_EQ(m_display.m_steps, std::vector<std::string>{"프로그램 파일 시스템 등록중..."});
  EXPECT_EQ(m_platform.calls.size(), 8u);  // cd + exec per entry, no OLE outside mode 1
  EXPECT_EQ(m_platform.calls[1], std::string("exec ") + kRegSvr32 + " /s \"c0.ocx\"");
  EXPECT_TRUE(m_log.Contains("[INFO ] ---------------------------------------------------------------------"
                             "-----------------E"));
}

TEST_F(RegistrationTest, RoutesByMode) {
  const std::string ok = "C:\\My App\\ok file.ocx", noExport = "C:\\My App\\plain.dll", failing = "C:\\My App\\bad.ocx";
  struct Case {
    int mode;
    bool oleWorks;
    std::vector<std::string> calls;
  };
  const std::string exec = std::string("exec ") + kRegSvr32 + " /s ";
  const Case cases[] = {
      {1, true,
       {"ole", "load " + ok, "load " + noExport, "cd C:\\My App", exec + "\"plain.dll\"", "load " + failing,
        "cd C:\\My App", exec + "\"bad.ocx\"", "unole"}},
      {1, false,
       {"ole", "cd C:\\My App", exec + "\"ok file.ocx\"", "cd C:\\My App", exec + "\"plain.dll\"", "cd C:\\My App",
        exec + "\"bad.ocx\""}},
      {2, true,
       {"cd C:\\My App", std::string("shell ") + kRegSvr32 + " /s \"" + ok + "\" wait=1", "cd C:\\My App",
        std::string("shell ") + kRegSvr32 + " /s \"" + noExport + "\" wait=1", "cd C:\\My App",
        std::string("shell ") + kRegSvr32 + " /s \"" + failing + "\" wait=1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ScriptedPlatform platform;
    platform.oleWorks = c.oleWorks;
    platform.loadResults = {{noExport, -2}, {failing, -3}};
    FileItemList list;
    for (const std::string& path : {ok, noExport, failing}) Add(list, FILE_KIND_REG, path);
    CComponentRegistration registration(m_display, platform, c.mode, kSystemDir, m_msg);
    EXPECT_EQ(registration.HandleRegisterTypeFilesByRegSvr32(list, 1), 0);
    EXPECT_EQ(platform.calls, c.calls);
  }
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::HandleRegisterTypeFilesByRegSvr32> "
                             "File(C:\\My App\\ok file.ocx) is registered."));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::HandleRegisterTypeFilesByRegSvr32> "
                             "ProcessRegistryFileByLoadLibrary('C:\\My App\\plain.dll') error(Return='-2')."));
  EXPECT_TRUE(m_log.Contains("[ERROR] CVantoExeDlg::HandleRegisterTypeFilesByRegSvr32> OleInitialize() is failed."));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::ProcessRegisterFileByRegSvr32> Cmd Str : C:\\Windows\\System32\\"
                             "regsvr32.exe /s C:\\My App\\plain.dll"));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::HandleRegisterTypeFilesByRegSvr32> Registered by "
                             "StartExeFileByShellExecute(C:\\My App\\bad.ocx)."));
}

TEST_F(RegistrationTest, ModeTwoCountsTheExitCodeOfTheWaitedRegsvr32) {
  Add(m_list, FILE_KIND_REG, "C:\\App\\good.ocx");
  Add(m_list, FILE_KIND_REG, "C:\\App\\fails.ocx");
  m_platform.exitCodes["/s \"C:\\App\\fails.ocx\""] = 4;
  EXPECT_EQ(Registration(2).HandleRegisterTypeFilesByRegSvr32(m_list, 1), -1);
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::HandleRegisterTypeFilesByRegSvr32> Registered by "
                             "StartExeFileByShellExecute(C:\\App\\good.ocx)."));
  EXPECT_TRUE(m_log.Contains("[ERROR] CVantoExeDlg::HandleRegisterTypeFilesByRegSvr32> regsvr32.exe failed to "
                             "register (C:\\App\\fails.ocx), ExitCode = 4"));
  EXPECT_FALSE(m_log.Contains("StartExeFileByShellExecute(C:\\App\\fails.ocx)."));
}

TEST_F(RegistrationTest, FailuresOfOneEntryDoNotStopTheOthers) {
  Add(m_list, FILE_KIND_REG, "C:\\App\\a.ocx");
  Add(m_list, FILE_KIND_REG, "\\b.ocx");  // mode 2 needs a folder
  Add(m_list, FILE_KIND_REG, "c.ocx");
  Add(m_list, FILE_KIND_REG, "C:\\App\\d.ocx");
  m_platform.shellResult = LAUNCH_NOT_STARTED;
  EXPECT_EQ(Registration(2).HandleRegisterTypeFilesByRegSvr32(m_list, 1), -1);
  EXPECT_EQ(m_platform.calls.size(), 4u);  // a and d, each cd + shell
  EXPECT_EQ(m_log.Count("Invalid registry file("), 2);
  EXPECT_TRUE(m_log.Contains("[ERROR] CVantoExeDlg::HandleRegisterTypeFilesByRegSvr32> "
                             "StartExeFileByShellExecute(C:\\App\\d.ocx) failed, GetLastError() = 2"));

  // WinExec route: the failure is logged and shown as a row with the system's text.
  m_platform.failingCommands = {std::string(kRegSvr32) + " /s \"a.ocx\""};
  EXPECT_EQ(Registration(0).HandleRegisterTypeFilesByRegSvr32(m_list, 1), -1);
  EXPECT_TRUE(
      m_log.Contains("[ERROR] CVantoExeDlg::ProcessRegisterFileByRegSvr32> WinExec(C:\\App\\a.ocx) 2, ErrCode = 2"));
  ASSERT_EQ(m_display.m_rows.size(), 1u);
  EXPECT_EQ(m_display.m_rows[0].second, std::string("파일 열기 실패(") + kRegSvr32 +
                                            "). : The system cannot find the file specified.");
  EXPECT_EQ(m_msg, m_display.m_rows[0].second);
  m_platform.errorText.clear();
  EXPECT_EQ(Registration(0).HandleRegisterTypeFilesByRegSvr32(m_list, 1), -1);
  EXPECT_EQ(m_display.m_rows.size(), 1u) << "no row without a system text";
}

TEST_F(RegistrationTest, MissingToolsStopBeforeAnyEntry) {
  EXPECT_EQ(Registration(1).HandleRegisterTypeFilesByRegSvr32(m_list, 1), 0);
  EXPECT_EQ(Registration(1).HandleRegisterTypeFilesByRegAsm(m_list, 1), 0);
  EXPECT_TRUE(m_platform.calls.empty());
  EXPECT_TRUE(m_display.m_steps.empty() && m_display.m_asks.empty());
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::HandleRegisterTypeFilesByRegSvr32> Reg file item is 0."));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::HandleRegisterTypeFilesByRegAsm> Reg Asm file item is 0."));

  Add(m_list, FILE_KIND_REG, "C:\\App\\a.ocx");
  Add(m_list, FILE_KIND_ASM, "C:\\App\\a.dll");
  m_platform.existing.clear();
  for (int show : {0, 1}) {
    EXPECT_EQ(Registration(1).HandleRegisterTypeFilesByRegSvr32(m_list, show), -2);
    EXPECT_EQ(Registration(1).HandleRegisterTypeFilesByRegAsm(m_list, show), -2);
  }
  ASSERT_EQ(m_display.m_asks.size(), 2u);
  EXPECT_EQ(m_display.m_asks[0], std::make_pair(std::string("시스템에서 regsvr32.exe 파일을 찾을 수 없어 레지스트리에 "
                                                            "파일을 등록 할 수가 없습니다."), 0x10u));
  EXPECT_EQ(m_display.m_asks[1].first,
            "시스템에서 regasm.exe 파일을 찾을 수 없어 레지스트리에 파일을 등록 할 수가 없습니다.");
  for (const std::string& call : m_platform.calls) EXPECT_EQ(call.rfind("exec", 0), std::string::npos) << call;
}

TEST_F(RegistrationTest, RegAsmIsTheFirstV20FolderThatHoldsIt) {
  const std::string framework = "C:\\Windows\\Microsoft.NET\\Framework\\";
  m_platform.windowsDir = "C:\\Windows\\";
  m_platform.found = {{".", FOUND_ATTRIBUTE_DIRECTORY},
                      {"v2.0.1", FOUND_ATTRIBUTE_DIRECTORY | FOUND_ATTRIBUTE_HIDDEN},
                      {"v2.0.2", 0},
                      {"V2.0.3", FOUND_ATTRIBUTE_DIRECTORY},
                      {"v2.0.4", FOUND_ATTRIBUTE_DIRECTORY},
                      {"v2.0.5", FOUND_ATTRIBUTE_DIRECTORY},
                      {"v2.0.6", FOUND_ATTRIBUTE_DIRECTORY}};
  m_platform.existing = {framework + "v2.0.1\\RegAsm.exe", framework + "v2.0.2\\RegAsm.exe",
                         framework + "V2.0.3\\RegAsm.exe", framework + "v2.0.5\\RegAsm.exe",
                         framework + "v2.0.6\\RegAsm.exe"};
  EXPECT_EQ(Registration(2).GetRegAsmFilePath(), framework + "v2.0.5\\RegAsm.exe");
  EXPECT_EQ(m_platform.calls.front(), "find " + framework + "*.*");

  m_platform.found.pop_back();
  m_platform.found.pop_back();
  EXPECT_EQ(Registration(2).GetRegAsmFilePath(), "");
  EXPECT_TRUE(m_log.Contains("[ERROR] CVantoExeDlg::GetRegAsmFilePath> 'RegAsm.exe' file-directory is empty."));
  m_platform.windowsDir.clear();
  EXPECT_EQ(Registration(2).GetRegAsmFilePath(), "");
  EXPECT_TRUE(m_log.Contains("[ERROR] CVantoExeDlg::GetRegAsmFilePath> Windows directory is empty."));
  m_platform.windowsDirWorks = false;
  EXPECT_EQ(Registration(2).GetRegAsmFilePath(), "");
  EXPECT_TRUE(m_log.Contains("[ERROR] CVantoExeDlg::GetRegAsmFilePath> GetWindowsDirectory() Fail, ErrCode = 2"));
}

TEST_F(RegistrationTest, AssembliesAreHandedToRegAsmInTheirFolder) {
  Add(m_list, FILE_KIND_ASM, "C:\\App\\net\\My Asm.dll");
  Add(m_list, FILE_KIND_ASM, "C:\\App\\net\\old.dll", 0);
  Add(m_list, FILE_KIND_REG, "C:\\App\\net\\x.ocx");
  Add(m_list, FILE_KIND_ASM, "C:\\App\\b.dll");
  m_platform.failingCommands = {std::string(kRegAsm) + " /silent \"b.dll\""};
  EXPECT_EQ(Registration(2).HandleRegisterTypeFilesByRegAsm(m_list, 1), -1);
  const std::vector<std::string> tail(m_platform.calls.end() - 4, m_platform.calls.end());
  const std::string exec = std::string("exec ") + kRegAsm + " /silent ";
  EXPECT_EQ(tail,
            (std::vector<std::string>{"cd C:\\App\\net", exec + "\"My Asm.dll\"", "cd C:\\App", exec + "\"b.dll\""}));
  EXPECT_TRUE(m_log.Contains(std::string("[DEBUG] CVantoExeDlg::ProcessRegisterFileByRegAsm> Cmd Str : ") + kRegAsm +
                             " /silent C:\\App\\net\\My Asm.dll"));
  EXPECT_TRUE(m_log.Contains("[INFO ] CVantoExeDlg::ProcessRegisterFileByRegAsm> File(C:\\App\\net\\My Asm.dll) is "
                             "registered. RetVal = 33"));
  EXPECT_TRUE(
      m_log.Contains("[ERROR] CVantoExeDlg::ProcessRegisterFileByRegAsm> WinExec(C:\\App\\b.dll) 2, ErrCode = 2"));
  EXPECT_TRUE(m_display.m_rows.empty());
}

TEST_F(RegistrationTest, ZipRegArchivesAreExtractedAndEveryFileRegistered) {
  Add(m_list, FILE_KIND_ZRG, "C:\\App\\bad.zip");
  Add(m_list, FILE_KIND_ZRG, "C:\\App\\ctl.zip");
  Add(m_list, FILE_KIND_ZRG, "C:\\App\\old.zip", 0);
  m_platform.zips["C:\\App\\bad.zip"] = {-1, {}};
  m_platform.zips["C:\\App\\ctl.zip"] = {1, {"C:\\App\\ocx\\a.ocx", "C:\\App\\ocx\\sub\\b b.ocx"}};
  m_platform.failingCommands = {std::string(kRegSvr32) + " /s \"b b.ocx\""};
  EXPECT_EQ(Registration(2).HandleZipRegTypeFiles(m_list, 1), -1);
  EXPECT_EQ(m_platform.calls,
            (std::vector<std::string>{"unzip C:\\App\\bad.zip", "rm C:\\App\\bad.zip", "unzip C:\\App\\ctl.zip",
                                      "cd C:\\App\\ocx", std::string("exec ") + kRegSvr32 + " /s \"a.ocx\"",
                                      "cd C:\\App\\ocx\\sub", std::string("exec ") + kRegSvr32 + " /s \"b b.ocx\"",
                                      "rm C:\\App\\ocx\\sub\\b b.ocx", "rm C:\\App\\ctl.zip"}));
  EXPECT_EQ(m_display.m_steps, std::vector<std::string>{"Zip-Reg 파일 처리중..."});
  EXPECT_TRUE(m_log.Contains("[WARN ] CVantoExeDlg::HandleZipRegTypeFiles> Delete Local Flle = C:\\App\\bad.zip"));
  EXPECT_TRUE(m_log.Contains(std::string("[DEBUG] CVantoExeDlg::ProcessRegisterFile2ByRegSvr32> Cmd Str = ") +
                             kRegSvr32 + " /s \"a.ocx\""));
  EXPECT_TRUE(m_log.Contains("[ERROR] CVantoExeDlg::ProcessRegisterFile2ByRegSvr32> "
                             "WinExec(C:\\App\\ocx\\sub\\b b.ocx) Fail, ErrCode = 2"));

  // Without regsvr32.exe the archives are still extracted, nothing is
  // registered, and the archive goes so that a later run tries again.
  m_platform.calls.clear();
  m_platform.existing.clear();
  m_list.erase(m_list.begin());
  EXPECT_EQ(Registration(2).HandleZipRegTypeFiles(m_list, 0), -1);
  EXPECT_EQ(m_platform.calls, (std::vector<std::string>{"unzip C:\\App\\ctl.zip", "rm C:\\App\\ctl.zip"}));
  EXPECT_TRUE(m_log.Contains("[WARN ] CVantoExeDlg::HandleZipRegTypeFiles> Can not find the 'regsvr32.exe' files "
                             "from your system."));
  EXPECT_TRUE(m_display.m_asks.empty());
}
}  // namespace
