#include "handlers/ShellLaunch.h"

#include <shellapi.h>

#include "util/LogIfOpen.h"
#include "util/RunDisplay.h"

UniqueHandle GetProcessHandleByShellExecute(const std::string& program, const std::string& parameters) {
  LogIfOpen(LOG_INFO, "CVantoExeDlg::GetProcessHandleByShellExecute> File=%s, Parameters=%s", program.c_str(),
            parameters.c_str());
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof(info);
  // No error box from the shell: a program that cannot be started is
  // logged and skipped, and an unattended run must not wait for a click.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.hwnd = nullptr;
  info.lpVerb = "runas";
  info.lpFile = program.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpDirectory = nullptr;
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExA(&info)) {
    LogIfOpen(LOG_INFO, "CVantoExeDlg::GetProcessHandleByShellExecute> ShellExecuteEx() Fail, ErrNo = %d",
              static_cast<int>(::GetLastError()));
    return UniqueHandle();
  }
  return UniqueHandle(info.hProcess);
}

LaunchResult StartExeFileByShellExecute(const std::string& program, const std::string& parameters, int wait,
                                        unsigned long* exitCode) {
  if (exitCode) *exitCode = 0;
  UniqueHandle process = GetProcessHandleByShellExecute(program, parameters);
  if (!process) {
    LogIfOpen(LOG_ERROR, "CVantoExeDlg::StartExeFileByShellExecute> ShellExecuteEx() Failed.");
    return LAUNCH_NOT_STARTED;
  }
  LogIfOpen(LOG_DEBUG, "CVantoExeDlg::StartExeFileByShellExecute> ShellExecuteEx() Success.");
  if (wait != 0) {
    const DWORD r = ::WaitForSingleObject(process.get(), INFINITE);
    LogIfOpen(LOG_DEBUG, "CVantoExeDlg::StartExeFileByShellExecute> WaitForSingleObject Return, RetVal = %d",
              static_cast<int>(r));
    DWORD code = STILL_ACTIVE;
    if (exitCode && r == WAIT_OBJECT_0 && ::GetExitCodeProcess(process.get(), &code)) *exitCode = code;
    else if (exitCode) *exitCode = STILL_ACTIVE;
  }
  return LAUNCH_STARTED;
}

LaunchResult StartExeFileByShellExecuteAndWaitClose(const std::string& program, const std::string& parameters,
                                                    IRunDisplay& display, const int32_t& stopFlag) {
  const char kPrefix[] = "CVantoExeDlg::StartExeFileByShellExecuteAndWaitClose> ";
  UniqueHandle process = GetProcessHandleByShellExecute(program, parameters);
  if (!process) {
    LogIfOpen(LOG_ERROR, "%sShellExecuteEx() Failed.", kPrefix);
    return LAUNCH_NOT_STARTED;
  }
  LogIfOpen(LOG_DEBUG, "%sShellExecuteEx() Success. And now wait for the process to terminate.", kPrefix);
  display.ShowStepMessage("실행된 파일이 종료 되기를 기다리는 중...");
  for (;;) {
    if (stopFlag == 1) {
      process.reset();  // the program keeps running
      display.ShowStepMessage("대기 상태가 중단 되었습니다.");
      LogIfOpen(LOG_DEBUG, "%s'%s' > The end wait has been interrupted.", kPrefix, program.c_str());
      return LAUNCH_STARTED;
    }
    display.PumpWaitingMessages();
    // A Stop click is handled inside that dispatch; waiting now would miss
    // it until the next message or the program's end.
    if (stopFlag == 1) continue;
    // MWMO_INPUTAVAILABLE: messages already queued (only one is dispatched
    // per turn) wake the wait too, not only input that arrives later.
    HANDLE handle = process.get();
    const DWORD r = ::MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (r == WAIT_OBJECT_0 || r == WAIT_FAILED) {
      LogIfOpen(LOG_INFO, "%sWaitForSingleObject Return, nRet = %s", kPrefix,
                r == WAIT_OBJECT_0 ? "WAIT_OBJECT_0" : "0xFFFFFFFF");
      LogIfOpen(LOG_DEBUG, "%s'%s' > The process has been terminated.", kPrefix, program.c_str());
      return LAUNCH_STARTED;
    }
  }
}

intptr_t ShellOpenProcess(const std::string& file, const std::string& parameters, const std::string& folder, int show,
                          UniqueHandle& process) {
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = "open";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
  info.nShow = show;
  const BOOL started = ::ShellExecuteExA(&info);
  process.reset(started ? info.hProcess : nullptr);
  if (!started) return reinterpret_cast<intptr_t>(info.hInstApp) > 32 ? 0 : reinterpret_cast<intptr_t>(info.hInstApp);
  return 33;
}

ProcessWaitEnd WaitForProcessEnd(HANDLE process, IRunDisplay& display, const int32_t& stopFlag,
                                 unsigned long timeoutMs, unsigned long& exitCode) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (stopFlag == 1) return ProcessWaitEnd::Stopped;
    display.PumpWaitingMessages();
    if (stopFlag == 1) continue;
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return ProcessWaitEnd::TimedOut;
    // A slice at a time: the deadline is checked even while messages keep arriving.
    const DWORD slice = static_cast<DWORD>(deadline - now < 1000 ? deadline - now : 1000);
    const DWORD r = ::MsgWaitForMultipleObjectsEx(1, &process, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (r == WAIT_FAILED) return ProcessWaitEnd::Failed;
    if (r != WAIT_OBJECT_0) continue;
    DWORD code = 0;
    if (!::GetExitCodeProcess(process, &code)) return ProcessWaitEnd::Failed;
    exitCode = code;
    return ProcessWaitEnd::Ended;
  }
}

intptr_t ShellOpen(const std::string& file, const std::string& parameters, const std::string& folder, int show) {
  const HINSTANCE result =
      ::ShellExecuteA(nullptr, "open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                      folder.empty() ? nullptr : folder.c_str(), show);
  return reinterpret_cast<intptr_t>(result);
}
