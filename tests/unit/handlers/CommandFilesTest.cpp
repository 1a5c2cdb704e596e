// Programs started (and waited for, and Stop during the wait), files
// deleted and registry files imported, with the recording test program
// standing in for the administrators' programs.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "support/FakeRunDisplay.h"
#include "support/LogCapture.h"
#include "TestRegistryKey.h"
#include "support/TempDir.h"
#include "handlers/CommandFiles.h"
#include "handlers/ShellLaunch.h"

namespace {
// The build's recording program (a Linux path; Wine shows it on Z:).
std::string RecorderExe() {
  std::string path = std::string("Z:") + VANTO_RECORDER_EXE;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// Each start of the program at exe, from its record file; empty strings
// while it is not there.
std::string Record(const std::string& exe) {
  std::string text;
  ReadWholeFile(exe + ".rec", &text);
  return text;
}

bool WaitFor(const std::function<bool()>& done, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

class CommandFilesTest : public TempDirTest {
 protected:
  // A copy of the recording program at a path with a blank in it.
  std::string Program(const std::string& name) {
    const std::string folder = m_dir.Child("bin dir");
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::string exe = folder + "\\" + name;
    EXPECT_TRUE(::CopyFileA(RecorderExe().c_str(), exe.c_str(), FALSE)) << RecorderExe();
    return exe;
  }
  FileItem& Add(FileItemList& list, int kind, const std::string& path, const std::string& argument = "", int wait = 0) {
    auto item = std::make_unique<FileItem>();
    item->m_nFileType = kind;
    item->m_strLocalPath = path;
    item->m_strArgument = argument;
    item->m_nWaitFlag = wait;
    item->m_nDownFlag = 1;
    list.push_back(std::move(item));
    return *list.back();
  }
  // Ends a program the test left running (its pid is in its record).
  static void EndProgram(const std::string& exe) {
    const std::string text = Record(exe);
    const auto at = text.find("pid=");
    if (at == std::string::npos) return;
    HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, std::stoul(text.substr(at + 4)));
    if (!process) return;
    ::TerminateProcess(process, 9);
    ::WaitForSingleObject(process, 10000);
    ::CloseHandle(process);
  }

  LogCapture m_log;
  FakeRunDisplay m_display;
  FileItemList m_items;
  int32_t m_stop = 0;
};

// Sets the stop flag when the wait dispatches its first message, as a
// click on Stop does.
class StopOnPump : public FakeRunDisplay {
 public:
  explicit StopOnPump(int32_t& flag) : m_flag(flag) {}
  void PumpWaitingMessages(int controlId) override {
    FakeRunDisplay::PumpWaitingMessages(controlId);
    m_flag = 1;
  }

 private:
  int32_t& m_flag;
};
}  // namespace

TEST_F(CommandFilesTest, ProgramsStartWithTheirArgumentsAsWrittenAndWaitWhereAsked) {
  const std::string quick = Program("quick.exe");
  const std::string waited = Program("rec wait.exe");
  Add(m_items, FILE_KIND_EXE, quick, "--exit=3 \"two words\" /x");
  Add(m_items, FILE_KIND_NORMAL, quick);  // not a program entry
  Add(m_items, FILE_KIND_EXE, m_dir.Child("missing.exe"));
  Add(m_items, FILE_KIND_EXE, waited, "--sleep=1500", 1).m_nDownFlag = 0;  // runs all the same
  EXPECT_EQ(HandleExecuteTypeFiles(m_items, m_display, m_stop), -1) << "one could not be started";

  const std::string waitedRecord = Record(waited);
  EXPECT_NE(waitedRecord.find("arg1=--sleep=1500\n"), std::string::npos) << waitedRecord;
  EXPECT_NE(waitedRecord.find("exit=0\n--\n"), std::string::npos) << "the handler returned before the program ended";
  EXPECT_NE(waitedRecord.find("cmdline=\"" + waited + "\" --sleep=1500"), std::string::npos) << waitedRecord;

  ASSERT_TRUE(WaitFor([&] { return Record(quick).find("--\n") != std::string::npos; }, 30));
  const std::string quickRecord = Record(quick);
  EXPECT_NE(quickRecord.find("arg1=--exit=3\narg2=two words\narg3=/x\n"), std::string::npos) << quickRecord;
  EXPECT_EQ(quickRecord.find("--\nstart="), std::string::npos) << "started once";

  EXPECT_EQ(m_display.m_steps.front(), "실행 파일 처리중...");
  EXPECT_EQ(m_display.m_steps.back(), "실행된 파일이 종료 되기를 기다리는 중...");
  EXPECT_TRUE(m_log.Contains("[INFO ] CVantoExeDlg::GetProcessHandleByShellExecute> File=" + quick +
                             ", Parameters=--exit=3 \"two words\" /x"));
  EXPECT_TRUE(
      m_log.Contains("[WARN ] CVantoExeDlg::HandleExecuteTypeFiles> StartExeFileByShellExecute() Fail, "
                     "RetVal = 1, File = " +
                     m_dir.Child("missing.exe")));
  EXPECT_TRUE(m_log.Contains("[ERROR] CVantoExeDlg::StartExeFileByShellExecute> ShellExecuteEx() Failed."));
  EXPECT_TRUE(
      m_log.Contains("[INFO ] CVantoExeDlg::StartExeFileByShellExecuteAndWaitClose> WaitForSingleObject "
                     "Return, nRet = WAIT_OBJECT_0"));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::StartExeFileByShellExecuteAndWaitClose> '" + waited +
                             "' > The process has been terminated."));
  EXPECT_FALSE(m_display.m_pumps.empty()) << "the window is kept alive while waiting";
}

TEST_F(CommandFilesTest, StopEndsTheWaitAndTheProgramKeepsRunning) {
  const std::string slow = Program("slow.exe");
  const std::string next = Program("next.exe");
  StopOnPump display(m_stop);
  Add(m_items, FILE_KIND_EXE, slow, "--sleep=30000", 1);
  Add(m_items, FILE_KIND_EXE, next);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(HandleExecuteTypeFiles(m_items, display, m_stop), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15)) << "the wait ignored the stop";
  EXPECT_EQ(display.m_steps.back(), "대기 상태가 중단 되었습니다.");
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::StartExeFileByShellExecuteAndWaitClose> '" + slow +
                             "' > The end wait has been interrupted."));
  EXPECT_TRUE(WaitFor([&] { return !Record(next).empty(); }, 30)) << "the handler goes on with the next entry";
  ASSERT_TRUE(WaitFor([&] { return !Record(slow).empty(); }, 30));
  EXPECT_EQ(Record(slow).find("end="), std::string::npos) << "the program was left running";
  EndProgram(slow);
}

TEST_F(CommandFilesTest, StartWithWaitBlocksUntilTheProgramEnds) {
  const std::string exe = Program("block.exe");
  EXPECT_EQ(StartExeFileByShellExecute(exe, "--sleep=800 --exit=4", 1), 0);
  EXPECT_NE(Record(exe).find("exit=4\n--\n"), std::string::npos);
  EXPECT_NE(Record(exe).find("cmdline=\"" + exe + "\" --sleep=800 --exit=4"), std::string::npos) << Record(exe);
  EXPECT_TRUE(
      m_log.Contains("[DEBUG] CVantoExeDlg::StartExeFileByShellExecute> WaitForSingleObject Return, RetVal = 0"));
  EXPECT_EQ(StartExeFileByShellExecute(m_dir.Child("none.exe"), "", 0), 1);
}

TEST_F(CommandFilesTest, DeletionsFailOnlyAsRows) {
  const std::string present = m_dir.Child("old.txt");
  const std::string kept = m_dir.Child("kept.txt");
  ASSERT_TRUE(WriteWholeFile(present, "x"));
  ASSERT_TRUE(WriteWholeFile(kept, "x"));
  Add(m_items, FILE_KIND_DEL, m_dir.Child("missing.txt")).m_nDownFlag = 0;
  Add(m_items, FILE_KIND_DEL, present).m_nDownFlag = 0;
  Add(m_items, FILE_KIND_NORMAL, kept);
  EXPECT_EQ(HandleDeleteTypeFiles(m_items, m_display), 0);
  EXPECT_FALSE(FileExists(present));
  EXPECT_TRUE(FileExists(kept));
  EXPECT_TRUE(m_log.Contains("[INFO ] CVantoExeDlg::HandleDeleteTypeFiles> Delete Local Flle = " + present));
  EXPECT_TRUE(m_log.Contains("[INFO ] CVantoExeDlg::HandleDeleteTypeFiles> DeleteFile(" + m_dir.Child("missing.txt") +
                             ") Error, ErrCode = 2"));
  ASSERT_EQ(m_display.m_rows.size(), 1u);
  EXPECT_EQ(m_display.m_rows[0].first, 1);
  EXPECT_EQ(m_display.m_rows[0].second.rfind("파일 삭제 실패(" + m_dir.Child("missing.txt") + "). : ", 0), 0u);
  EXPECT_EQ(m_display.m_steps, (std::vector<std::string>{"삭제 파일 처리중..."}));
}

namespace {
int FailingImport(const FileItem& item) { return item.m_strLocalPath.find("bad") != std::string::npos ? -1 : 1; }

std::string WindowsDir() {
  char dir[MAX_PATH] = {};
  ::GetWindowsDirectoryA(dir, sizeof(dir));
  return dir;
}
}  // namespace

TEST_F(CommandFilesTest, RegistryFileThatCannotBeImportedIsDeleted) {
  const std::string good = m_dir.Child("good.reg");
  const std::string bad = m_dir.Child("bad.reg");
  const std::string stale = m_dir.Child("bad_stale.reg");
  for (const std::string& path : {good, bad, stale}) ASSERT_TRUE(WriteWholeFile(path, "REGEDIT4\r\n"));
  Add(m_items, FILE_KIND_REF, good);
  Add(m_items, FILE_KIND_REF, bad);
  Add(m_items, FILE_KIND_REF, stale).m_nDownFlag = 0;  // neither imported nor deleted
  EXPECT_EQ(HandleRegistryTypeFiles(m_items, m_display, m_stop, "C:\\windows", FailingImport), -1);
  EXPECT_TRUE(FileExists(good));
  EXPECT_FALSE(FileExists(bad));
  EXPECT_TRUE(FileExists(stale));
  EXPECT_TRUE(m_log.Contains("[WARN ] CSyncEngine::HandleRegistryTypeFiles> Delete Local Flle = " + bad));
  EXPECT_EQ(m_display.m_steps, (std::vector<std::string>{"레지스트리 파일 처리중..."}));
  m_items.pop_back();
  m_items.erase(m_items.begin() + 1);
  EXPECT_EQ(HandleRegistryTypeFiles(m_items, m_display, m_stop, "C:\\windows", FailingImport), 0);
}

// After Stop the remaining files are neither imported nor deleted: the next
// run imports them. A wait given up for Stop keeps the file too.
TEST_F(CommandFilesTest, RegistryFilesAfterStopWaitForTheNextRun) {
  const std::string first = m_dir.Child("first.reg");
  const std::string second = m_dir.Child("second.reg");
  for (const std::string& path : {first, second}) ASSERT_TRUE(WriteWholeFile(path, "REGEDIT4\r\n"));
  Add(m_items, FILE_KIND_REF, first);
  Add(m_items, FILE_KIND_REF, second);
  std::vector<std::string> imported;
  const RegistryFileImport stoppedDuringTheWait = [&](const FileItem& item) {
    imported.push_back(item.m_strLocalPath);
    m_stop = 1;
    return 0;
  };
  EXPECT_EQ(HandleRegistryTypeFiles(m_items, m_display, m_stop, "C:\\windows", stoppedDuringTheWait), -1);
  EXPECT_EQ(imported, std::vector<std::string>{first});
  EXPECT_TRUE(FileExists(first));
  EXPECT_TRUE(FileExists(second));
}

TEST_F(CommandFilesTest, RegistryFileImportedSilentlyFromAFolderWithABlank) {
  TestRegistryKey reg;
  const std::string folder = m_dir.Child("reg files");
  ::CreateDirectoryA(folder.c_str(), nullptr);
  const std::string file = folder + "\\설정 값.reg";
  ASSERT_TRUE(WriteWholeFile(
      file, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + reg.path() + "\\Imported]\r\n\"Name\"=\"가나다\"\r\n\r\n"));
  FileItem item;
  item.m_strLocalPath = file;
  EXPECT_EQ(ProcessRegistryFile(item, m_display, m_stop, WindowsDir()), 1);
  EXPECT_TRUE(m_log.Contains("[DEBUG] CSyncEngine::ProcessRegistryFile> Cmd Str : regedit -s " + file + " "));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CSyncEngine::ProcessRegistryFile> " + file + " Success To Regist File."));
  std::string text;
  // The registry editor was waited for: the value is there already.
  EXPECT_TRUE(reg.ReadText("Imported", "Name", &text));
  EXPECT_EQ(text, "가나다");
  EXPECT_GT(m_display.m_pumps.size(), 0u);
}

// The registry editor comes from the Windows folder by its full path: a
// regedit.exe beside the registry file (the working folder the editor gets)
// or in the current folder is never started.
TEST_F(CommandFilesTest, RegistryEditorOnlyFromTheWindowsFolder) {
  const std::string windows = m_dir.Child("windows");
  const std::string files = m_dir.Child("reg files");
  for (const std::string& folder : {windows, files}) ::CreateDirectoryA(folder.c_str(), nullptr);
  const std::string editor = windows + "\\regedit.exe";
  const std::string planted = files + "\\regedit.exe";
  const std::string plantedHere = m_dir.Child("regedit.exe");
  for (const std::string& exe : {editor, planted, plantedHere})
    ASSERT_TRUE(::CopyFileA(RecorderExe().c_str(), exe.c_str(), FALSE));
  const std::string file = files + "\\a.reg";
  ASSERT_TRUE(WriteWholeFile(file, "REGEDIT4\r\n"));
  FileItem item;
  item.m_strLocalPath = file;

  char saved[MAX_PATH] = {};
  ::GetCurrentDirectoryA(sizeof(saved), saved);
  ::SetCurrentDirectoryA(m_dir.path().c_str());
  const int imported = ProcessRegistryFile(item, m_display, m_stop, windows);
  ::SetCurrentDirectoryA(saved);

  EXPECT_EQ(imported, 1);
  ASSERT_TRUE(WaitFor([&] { return Record(editor).find("end=") != std::string::npos; }, 30));
  EXPECT_NE(Record(editor).find("arg1=-s\narg2=" + file + "\n"), std::string::npos) << Record(editor);
  EXPECT_EQ(Record(planted), "");
  EXPECT_EQ(Record(plantedHere), "");
  EXPECT_TRUE(m_log.Contains("[DEBUG] CSyncEngine::ProcessRegistryFile> Cmd Str : regedit -s " + file + " "));
}

TEST_F(CommandFilesTest, CommandFileRunsThroughTheShell) {
  const std::string script = m_dir.Child("job.cmd");
  ASSERT_TRUE(WriteWholeFile(script, "@echo %1> \"%~dp0out.txt\"\r\n"));
  Add(m_items, FILE_KIND_EXE, script, "hello", 1);
  EXPECT_EQ(HandleExecuteTypeFiles(m_items, m_display, m_stop), 0);
  std::string text;
  EXPECT_TRUE(ReadWholeFile(m_dir.Child("out.txt"), &text));
  EXPECT_EQ(text, "hello\r\n");
}
