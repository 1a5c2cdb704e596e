"""Start mode "1": companion programs stopped at start-up and started again
at exit, the result file, the download date, the agent and the desktop
links."""
import os
import sys
import uuid

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import vanto  # noqa: E402


def base(path):
    return path.replace("\\", "/").rsplit("/", 1)[-1]


class StartModeOneTest(vanto.VantoCase):
    def setUp(self):
        super().setUp()
        self.links = []
        self.addCleanup(self.remove_links)

    def remove_links(self):
        for link in self.links:
            if os.path.exists(link):
                os.remove(link)

    def test_start_mode_1_restarts_companions_and_reports_success(self):
        browser = self.install_probe("bin", "loomBrowser.exe")
        browser_run = self.install_probe("bin", "loomBrowserRun.exe")
        browser5 = self.install_probe("bin5", "loom5Browser.exe")
        agent = self.install_probe("agent", "Agent.exe")
        stranger = self.install_probe("other", "loomBrowserRun.exe")
        # Started first, so the process list shows the stranger first.
        stranger_pid = self.spawn(stranger, "sleep 300")
        old_browser_pid = self.spawn(browser_run, "sleep 300")
        old_browser5_pid = self.spawn(browser5, "sleep 300")
        self.assertIn(old_browser_pid, self.running(self.path("bin")))

        tag = uuid.uuid4().hex[:8]
        web_link, prog_link = "VantoWeb_" + tag, "VantoProg_" + tag
        desktop = self.desktop_dir()
        self.links = [os.path.join(desktop, web_link + ".lnk"), os.path.join(desktop, prog_link + ".lnk")]
        target = self.path("target")
        exe = self.install()
        line = vanto.long_command_line(
            m_strStartMode="1", LOG_ENCODE_FLAG="1", SVR_IP_ADDR="127.0.0.1", SVR_PORT_NO="8080",
            TARGET_DIR=harness.to_windows(target) + "\\",
            KILL_LOOMBROWSER_FLAG="1", LOOMBROWSER_PROG_FILE_PATH=harness.to_windows(browser),
            LOOMBROWSER_PROG_ARGUMENT="sleep 300",
            KILL_LOOMBROWSER5_FLAG="1", LOOMBROWSER5_PROG_FILE_PATH=harness.to_windows(browser5),
            LOOMBROWSER5_PROG_ARGUMENT="sleep 300",
            AGENT_PROG_FILE_PATH=harness.to_windows(agent), AGENT_PROG_ARGUMENT="sleep 300",
            DESKTOP_LINK_NAME=web_link, DESKTOP_LINK_URL="http://127.0.0.1/portal",
            PROGRAM_LINK_NAME=prog_link, PROGRAM_FILE_PATH="%SystemDir%\\notepad.exe", PROGRAM_ARGUMENT="/x")
        self.spawn(exe, line)
        self.assertTrue(self.wait_all(timeout=90, folder=self.path("app")), "VantoExe did not end")

        # Browsers: stopped at start-up, started again at exit.
        bin_now = self.running(self.path("bin"))
        self.assertNotIn(old_browser_pid, bin_now)
        self.assertEqual([base(p) for p in bin_now.values()], ["loomBrowserRun.exe"])
        bin5_now = self.running(self.path("bin5"))
        self.assertNotIn(old_browser5_pid, bin5_now)
        self.assertEqual([base(p) for p in bin5_now.values()], ["loom5Browser.exe"])
        # Same program name in another folder: left alone.
        self.assertIn(stranger_pid, self.running(self.path("other")))
        # Agent started from its Run twin.
        self.assertTrue(os.path.exists(self.path("agent", "AgentRun.exe")))
        self.assertEqual([base(p) for p in self.running(self.path("agent")).values()], ["AgentRun.exe"])

        self.assertEqual(self.result_code(target), "0")
        self.assertEqual(self.read_ini_value(os.path.join(target, "_UpdateD.ini"), "UPDATE",
                                             "LAST_DOWN_LOAD_YYYYMMDD"), self.today())
        for link in self.links:
            self.assertTrue(os.path.exists(link), link)

        with open(os.path.join(target, "log", os.listdir(os.path.join(target, "log"))[0]), "rb") as f:
            self.assertNotIn(b"VantoExe Start", f.read(), "LOG_ENCODE_FLAG 1 inverts the file")
        log = self.log_text(target)
        self.assert_startup_log(target)
        program_files = "C:\\Program Files (x86)" if harness.pe_machine(self.vanto) == "i386" else "C:\\Program Files"
        self.assert_in_order(log, [
            "CVantoCfg::LogConfigInfo> TARGET_DIR : " + harness.to_windows(target) + "\n",
            "CVantoExeApp::InitInstance> Call KillLoomBrowserRun() Func",
            "CKillUtil::THFindProcess> Find Matching Process Path",
            "CVantoExeApp::KillLoomBrowserRun> KillProcess Return Value = 1",
            "CVantoExeApp::InitInstance> Call KillLoomBrowser5Run() Func",
            "CVantoExeApp::KillLoomBrowser5Run> KillProcess Return Value = 1",
            "CVantoExeApp::ExitInstance> pResultValue = 0",
            "CVantoExeApp::CreateEnvLink> szIePath1 = " + program_files + " (x86)\\Internet Explorer\\IEXPLORE.EXE\n",
            "CVantoExeApp::CreateEnvLink> After Replace : C:\\windows\\system32\\notepad.exe",
            "CVantoExeApp::ExitInstance> Try to Run Corvo",
            "CVantoExeApp::CopyAndRun> Agent Start, PID = ",
            "CVantoExeApp::WriteDownloadDate> section=UPDATE, date=" + self.today(),
            "CVantoExeApp::ExitInstance> Try to Run loom5Browser",
            "CVantoExeApp::StartExeByCreateProcess> Success.",
            "CVantoExeApp::ExitInstance> Try to Run LoomBrowser",
            "CVantoExeApp::CopyAndRunLoomBrowser> After WaitForInputIdle(INFINITE)",
            "CVantoExeApp::ExitInstance> Delete g_pMyLog Object",
        ])
        self.assertIn("Process Path is Not Matching", log, "the stranger was looked at and skipped")


if __name__ == "__main__":
    harness.main()
