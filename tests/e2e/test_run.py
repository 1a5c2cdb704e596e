"""Whole runs of VantoExe against the publish test server on 127.0.0.1:
first and second run, the unchanged-list shortcut, failing entries with the
user's answer, the pass option and the Stop button. The BP server runs are in
test_bp_server.py (they need a network namespace of their own)."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "server"))
import harness  # noqa: E402
import vanto  # noqa: E402

try:
    from publish_server import PublishServer  # noqa: E402
except ImportError:  # the test server arrives with the HTTP layer
    PublishServer = None

PARTIAL_QUESTION = "모든 다운로드 과정을 완료했지만,"
DOWN_COMPLETE = "CVantoExeDlg::OnDownComplete> Recv WMU_DOWN_COMPLETE Message, WPARAM = %d, LPARAM = 0"

FILES = {
    "bin/app.dll": os.urandom(9000),
    "bin/app.ocx": os.urandom(20000),
    "data/설정.ini": "[A]\r\nB=1\r\n".encode("cp949"),
    "data/sub/big.bin": os.urandom(70000),
    "html/index.html": b"<html>vanto</html>",
}


class RunTest(vanto.VantoCase):
    def setUp(self):
        super().setUp()
        if PublishServer is None:
            self.skipTest("publish test server not in this tree")
        self.pub = self.path("pub")
        for rel, data in FILES.items():
            full = os.path.join(self.pub, "vanto", *rel.split("/"))
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "wb") as f:
                f.write(data)
        self.write_list(list(FILES))
        self.server = PublishServer(self.pub).start()
        self.addCleanup(self.server.stop)
        self.target = self.path("target")

    def write_list(self, lines):
        with open(os.path.join(self.pub, "vanto", "Vanto.lst"), "wb") as f:
            f.write(("# test list\r\n" + "\r\n".join(lines) + "\r\n").encode("cp949"))

    def ini(self, **extra):
        values = {"TARGET_DIR": harness.to_windows(self.target), "SVR_IP_ADDR": "127.0.0.1",
                  "SVR_PORT_NO": str(self.server.port), "DOWNLOAD_BASE_URL": "/vanto", "LIST_FILE_NAME": "Vanto.lst",
                  "LOG_ENCODE_FLAG": "0"}
        values.update({k: str(v) for k, v in extra.items()})
        return values

    def run_once(self, answers=(), sub="app", **extra):
        """One "R" run; answers the message boxes in order; True when it ended."""
        exe = self.install(sub=sub, ini=self.ini(**extra))
        self.spawn(exe, "R")
        self.boxes = []
        for button in answers:
            self.boxes.append(self.message_box(button, folder=self.path(sub)))
        return self.wait_all(timeout=60, folder=self.path(sub))

    def local(self, rel):
        return os.path.join(self.target, *rel.split("/"))

    def assert_synchronised(self):
        for rel, data in FILES.items():
            with open(self.local(rel), "rb") as f:
                self.assertEqual(f.read(), data, rel)

    def gets(self, path=None):
        return self.server.count("GET", path)

    def test_first_run_fetches_everything_second_run_nothing(self):
        self.assertTrue(self.run_once())
        self.assertEqual(self.result_code(self.target), "0")
        self.assertEqual(self.read_ini_value(os.path.join(self.target, "_UpdateD.ini"), "UPDATE",
                                             "LAST_DOWN_LOAD_YYYYMMDD"), self.today())
        self.assert_synchronised()
        self.assertEqual(self.gets(), len(FILES) + 1)
        log = self.log_text(self.target)
        self.assert_in_order(log, ["CVantoExeDlg::OnRequestStart> IsAlreadyLastVersion() RetVal = 0",
                                   "CVantoExeDlg::DownloadFilesInListFromServer> Total File Count = %d" % len(FILES),
                                   DOWN_COMPLETE % 0, "CVantoExeDlg::OnDownComplete> Post WM_CLOSE Message"])

        before = self.gets()
        self.assertTrue(self.run_once(sub="app2"))
        self.assertEqual(self.result_code(self.target), "0")
        self.assertEqual(self.gets() - before, 1, "only the list file is fetched again")
        self.assertIn("CVantoExeDlg::OnRequestStart> IsAlreadyLastVersion() RetVal = 1", self.log_text(self.target))

    def test_unchanged_list_ends_after_the_list_query(self):
        self.assertTrue(self.run_once(CHECK_LIST_FILE_FLAG=1))
        self.assertEqual(self.result_code(self.target), "0")
        before = self.gets()
        self.assertTrue(self.run_once(sub="app2", CHECK_LIST_FILE_FLAG=1))
        self.assertEqual(self.gets(), before, "no download at all")
        self.assertIn("CVantoExeDlg::IsAlreadyLastVersion> Already Last Version.", self.log_text(self.target))
        self.assertEqual(self.result_code(self.target), "0")

    def test_failed_entry_continued_with_yes(self):
        self.write_list(list(FILES) + ["bin/missing.dll"])
        self.assertTrue(self.run_once(answers=["yes"]))
        self.assertIsNotNone(self.boxes[0])
        self.assertTrue(self.boxes[0].startswith(PARTIAL_QUESTION), self.boxes[0])
        self.assertEqual(self.result_code(self.target), "0")
        self.assert_synchronised()
        self.assertIn("CVantoExeDlg::DownloadOneFileFromServer> GetServerFileInfo() Fail, RetVal = -5",
                      self.log_text(self.target))

    def test_failed_entry_refused_with_no_keeps_the_dialog(self):
        self.write_list(list(FILES) + ["bin/missing.dll"])
        exe = self.install(ini=self.ini())
        self.spawn(exe, "R")
        box = self.message_box("no", folder=self.path("app"))
        self.assertIsNotNone(box)
        self.assertTrue(box.startswith(PARTIAL_QUESTION), box)
        # The run has ended with 3 and the window stays open for the user.
        self.assertFalse(self.wait_all(timeout=5, folder=self.path("app")), "the dialog must stay open")
        log = self.log_text(self.target)
        self.assertIn(DOWN_COMPLETE % 3, log)
        self.assertNotIn("CVantoExeDlg::OnDownComplete> Post WM_CLOSE Message", log)
        self.assertIsNone(self.result_code(self.target), "the result is written at exit")

    def test_pass_entry_failure_does_not_fail_the_run(self):
        self.write_list(list(FILES) + ["bin/optional.dll,,,EXE|PASS"])
        self.assertTrue(self.run_once())
        self.assertEqual(self.result_code(self.target), "0")
        self.assertIn(DOWN_COMPLETE % 0, self.log_text(self.target))

    def click(self, control_id, sub="app", expect=0):
        """Clicks a button of the dialog as a user would; exit code 3 means
        the button was disabled or hidden and nothing was clicked."""
        rc, _ = self.driver_run("click", harness.to_windows(self.path(sub)), "30000", str(control_id), timeout=60)
        self.assertEqual(rc, expect, f"click on {control_id}: 0 clicked, 2 no dialog, 3 disabled or hidden")

    def test_stop_during_downloads_restores_the_interrupted_file(self):
        old = b"the previous version"
        for rel in ("bin/app.dll", "data/sub/big.bin"):
            os.makedirs(os.path.dirname(self.local(rel)), exist_ok=True)
            with open(self.local(rel), "wb") as f:
                f.write(old)
        self.write_list(["data/sub/big.bin", "bin/app.dll", "html/index.html"])
        # Slow enough (about 9 s) for two driver clicks even on a loaded machine.
        self.server.set_rule("vanto/data/sub/big.bin", slow=0.5)
        self.server.set_rule("vanto/bin/app.dll", slow=0.2)
        exe = self.install(ini=self.ini())
        self.spawn(exe, "R")
        deadline = time.monotonic() + 60
        while self.gets("vanto/data/sub/big.bin") == 0:
            self.assertLess(time.monotonic(), deadline, "the slow download never started")
            time.sleep(0.1)
        self.click(1, expect=3)  # Close is disabled while the run works
        self.click(1004)  # Stop: noticed before the next entry, whose transfer ends after one block
        self.assertIsNone(self.message_box("none", timeout=3, folder=self.path("app")), "no question after a stop")
        self.click(1)     # Close
        self.assertTrue(self.wait_all(timeout=60, folder=self.path("app")))
        self.assertEqual(self.result_code(self.target), "1")
        with open(self.local("bin/app.dll"), "rb") as f:
            self.assertEqual(f.read(), old, "the interrupted file is restored")
        self.assertFalse(os.path.exists(self.local("bin/app.dll") + ".dll"), "no backup left behind")
        self.assertFalse(os.path.exists(self.local("html/index.html")), "nothing fetched after the stop")
        log = self.log_text(self.target)
        self.assertIn("CVantoExeDlg::OnButtonStop> Set m_pVantoEngine->m_nRequestStopFlag = 1", log)
        self.assertIn("CVantoExeDlg::DownloadFilesInListFromServer> DownloadOneFileFromServer() Fail, RetVal = -7", log)
        # Close may end the window before the end message is handled; the run posted it with 1.
        self.assertIn("CVantoExeDlg::OnRequestStart> Post WM_DOWN_COMPLETE Message, 1, 0", log)
        self.assertIsNone(self.read_ini_value(os.path.join(self.target, "_UpdateD.ini"), "UPDATE",
                                              "LAST_DOWN_LOAD_YYYYMMDD"))


if __name__ == "__main__":
    harness.main()
