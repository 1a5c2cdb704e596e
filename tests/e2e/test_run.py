"""Whole runs of VantoExe against the publish test server on 127.0.0.1:
first and second run, the unchanged-list shortcut, failing entries with the
user's answer, the pass option and the Stop button. The BP server runs are in
test_bp_server.py (they need a network namespace of their own)."""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import vanto  # noqa: E402

PARTIAL_QUESTION = "모든 다운로드 과정을 완료했지만,"
DOWN_COMPLETE = "CVantoExeDlg::OnDownComplete> Recv WMU_DOWN_COMPLETE Message, WPARAM = %d, LPARAM = 0"

FILES = {
    "bin/app.dll": os.urandom(9000),
    "bin/app.ocx": os.urandom(20000),
    "data/설정.ini": "[A]\r\nB=1\r\n".encode("cp949"),
    "data/sub/big.bin": os.urandom(70000),
    "html/index.html": b"<html>vanto</html>",
}


class RunTest(vanto.PublishedCase):
    def setUp(self):
        super().setUp()
        for rel, data in FILES.items():
            self.publish(rel, data)
        self.write_list(list(FILES))

    def run_once(self, answers=(), sub="app", **extra):
        """One "R" run; answers the message boxes in order; True when it ended."""
        exe = self.install(sub=sub, ini=self.ini(**extra))
        self.spawn(exe, "R")
        self.boxes = []
        for button in answers:
            self.boxes.append(self.message_box(button, folder=self.path(sub)))
        return self.wait_all(timeout=60, folder=self.path(sub))

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
        self.assertEqual(self.result_code(self.target), "2", "not finished: the final result is written at exit")

    def test_published_files_named_like_a_backup_or_a_part_file_survive_and_all_stay_current(self):
        """a.dll.dll is the usual backup name of a.dll and a.dll.part~ the file
        its new content is written to; published beside it, neither is
        deleted, overwritten or moved over a.dll when a.dll changes. The
        part-named file comes first in the list, so a download of a.dll that
        wrote into it would leave it missing at the end of the run."""
        others = {"bin/a.dll.dll": b"the other published file", "bin/a.dll.part~": b"a part-named published file"}
        for path, data in others.items():
            self.publish(path, data, 1600000000)
        self.publish("bin/a.dll", b"a version 1", 1600000000)
        self.write_list(list(FILES) + ["bin/a.dll.part~", "bin/a.dll", "bin/a.dll.dll"])
        for version, rewrite in ((1, False), (2, True), (2, False)):
            if rewrite:
                self.publish("bin/a.dll", b"a version %d" % version, 1600000000 + version * 86400)
            self.assertTrue(self.run_once(sub=f"app{version}{int(rewrite)}"))
            self.assertEqual(self.result_code(self.target), "0")
            self.assertEqual(self.read_local("bin/a.dll"), b"a version %d" % version)
            for path, data in others.items():
                self.assertEqual(self.read_local(path), data, path)
        log = self.log_text(self.target)
        local = harness.to_windows(self.local("bin/a.dll"))
        self.assertIn("CVantoExeDlg::GetFileListFileFromFile> Backup Name Is Published, Backup Of %s Goes To %s"
                      % (local, local + ".backup~"), log)
        self.assertIn("CVantoExeDlg::GetFileListFileFromFile> Part Name Is Taken, New Content Of %s Goes To %s"
                      % (local, local + ".part1~"), log)
        self.assertFalse(os.path.exists(self.local("bin/a.dll.backup~")))
        self.assertFalse(os.path.exists(self.local("bin/a.dll.part1~")))

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

    def test_stop_during_one_transfer_ends_it_and_restores_the_old_file(self):
        # 18 blocks of 4096 bytes, a second each: the transfer would take
        # 18 seconds; the window must take the click during it.
        self.stop_during_transfer(slow=1.0)

    def test_stop_while_the_server_is_silent_ends_the_run_at_once(self):
        # Two blocks, then nothing while the connection stays open: a read
        # would wait for the receive time-out (30 minutes).
        self.stop_during_transfer(silent_after=8192)

    def stop_during_transfer(self, **rule):
        old = b"the previous version"
        for rel in ("bin/app.dll", "data/sub/big.bin"):
            os.makedirs(os.path.dirname(self.local(rel)), exist_ok=True)
            with open(self.local(rel), "wb") as f:
                f.write(old)
        self.write_list(["data/sub/big.bin", "bin/app.dll", "html/index.html"])
        self.server.set_rule("vanto/data/sub/big.bin", **rule)
        exe = self.install(ini=self.ini())
        self.spawn(exe, "R")
        deadline = time.monotonic() + 60
        while self.gets("vanto/data/sub/big.bin") == 0:
            self.assertLess(time.monotonic(), deadline, "the slow download never started")
            time.sleep(0.1)
        self.click(1, expect=3)  # Close is disabled while the run works
        self.click(1004)  # Stop
        clicked = time.monotonic()
        ended = "CVantoExeDlg::DownloadFilesInListFromServer> m_nRequestStopFlag = 1"
        while ended not in self.log_text(self.target):
            # A second after the click, with room for a loaded machine.
            self.assertLess(time.monotonic() - clicked, 5, "the transfer did not end after Stop")
            time.sleep(0.05)
        self.assertIsNone(self.message_box("none", timeout=3, folder=self.path("app")), "no question after a stop")
        self.click(1)     # Close
        self.assertTrue(self.wait_all(timeout=60, folder=self.path("app")))
        self.assertEqual(self.result_code(self.target), "1")
        for rel in ("data/sub/big.bin", "bin/app.dll"):
            with open(self.local(rel), "rb") as f:
                self.assertEqual(f.read(), old, f"{rel}: the interrupted file is restored, the next one untouched")
        self.assertFalse(os.path.exists(self.local("data/sub/big.bin") + ".bin"), "no backup left behind")
        self.assertFalse(os.path.exists(self.local("html/index.html")), "nothing fetched after the stop")
        self.assertEqual(self.gets("vanto/bin/app.dll"), 0)
        log = self.log_text(self.target)
        self.assertIn("CVantoExeDlg::OnButtonStop> Set m_pVantoEngine->m_nRequestStopFlag = 1", log)
        self.assert_in_order(log, [
            "CVantoExeDlg::DownloadOneFileFromServer> File URL = /vanto/data/sub/big.bin",
            "CVantoExeDlg::DownloadOneFileFromServer> It's Time To Stop, m_nRequestStopFlag = 1",
            "CVantoExeDlg::DownloadFilesInListFromServer> DownloadOneFileFromServer() Fail, RetVal = -7",
            "CVantoExeDlg::DownloadFilesInListFromServer> m_nRequestStopFlag = 1",
            # Close may end the window before the end message is handled; the run posted it with 1.
            "CVantoExeDlg::OnRequestStart> Post WM_DOWN_COMPLETE Message, 1, 0"])
        self.assertIsNone(self.read_ini_value(os.path.join(self.target, "_UpdateD.ini"), "UPDATE",
                                              "LAST_DOWN_LOAD_YYYYMMDD"))

    def test_made_list_fetches_what_head_queries_would_and_then_nothing(self):
        self.write_list(["bin/app.dll,,,REG", "bin/app.ocx", "data/설정.ini,conf/설정.ini", "data/sub/big.bin",
                         "html/index.html,,SYS", "old/gone.txt,,,DEL"])
        pub = os.path.join(self.pub, "vanto")
        made = harness.run(harness.exe_path("vantoctl.exe"),
                           ["list", "make", harness.to_windows(pub), "--from", harness.to_windows(pub + "/Vanto.lst"),
                            "--out", harness.to_windows(pub + "/Made.lst")])
        self.assertEqual(made.returncode, 0, made.stderr)
        with open(os.path.join(pub, "Made.lst"), "rb") as f:
            self.assertIn("data/설정.ini,conf/설정.ini,,,", f.read().decode("cp949"))

        def prepare(target):
            """Every kind of local state: current, other size, other time,
            missing, a present system file, a file to delete."""
            for rel in ("bin/app.dll", "bin/app.ocx", "data/sub/big.bin", "html/index.html", "old/gone.txt"):
                local = os.path.join(target, *rel.split("/"))
                os.makedirs(os.path.dirname(local), exist_ok=True)
                shutil.copy2(os.path.join(pub, *rel.split("/")) if rel != "old/gone.txt" else __file__, local)
            with open(os.path.join(target, "bin", "app.ocx"), "ab") as f:
                f.write(b"longer")
            published = os.stat(os.path.join(pub, "data", "sub", "big.bin")).st_mtime
            os.utime(os.path.join(target, "data", "sub", "big.bin"), (published - 100, published - 100))
            with open(os.path.join(target, "html", "index.html"), "wb") as f:
                f.write(b"a system file that stays")

        def fetched(since):
            return sorted(p for m, p, _, _ in self.server.requests[since:] if m == "GET" and not p.endswith(".lst"))

        wanted = ["vanto/bin/app.ocx", "vanto/data/sub/big.bin", "vanto/data/설정.ini"]
        runs = {}
        for name, list_name in (("head", "Vanto.lst"), ("made", "Made.lst")):
            target = self.path("target_" + name)
            prepare(target)
            since = len(self.server.requests)
            self.assertTrue(self.run_once(sub="app_" + name, TARGET_DIR=harness.to_windows(target),
                                          LIST_FILE_NAME=list_name))
            self.assertEqual(self.result_code(target), "0")
            self.assertEqual(fetched(since), wanted, name)
            # The "R" copy's own self-update query is not an entry of the list.
            runs[name] = (target, [p for m, p, _, _ in self.server.requests[since:]
                                   if m == "HEAD" and not p.endswith("/VantoExe.exe")])
        self.assertEqual(len(runs["head"][1]), 6, "the list and one HEAD per entry but the DEL entry")
        self.assertEqual(runs["made"][1], ["vanto/Made.lst"], "no HEAD for the entries of a made list")
        for rel in ("bin/app.dll", "bin/app.ocx", "conf/설정.ini", "data/sub/big.bin", "html/index.html"):
            a, b = (os.path.join(runs[n][0], *rel.split("/")) for n in ("head", "made"))
            with open(a, "rb") as fa, open(b, "rb") as fb:
                self.assertEqual(fa.read(), fb.read(), rel)
            if rel != "html/index.html":  # the system file kept the time it was written with
                self.assertEqual(int(os.stat(a).st_mtime), int(os.stat(b).st_mtime), rel)

        target = runs["made"][0]
        since = len(self.server.requests)
        self.assertTrue(self.run_once(sub="app_again", TARGET_DIR=harness.to_windows(target), LIST_FILE_NAME="Made.lst"))
        self.assertEqual(self.result_code(target), "0")
        self.assertEqual(fetched(since), [], "a second run over the made list fetches nothing")


if __name__ == "__main__":
    harness.main()
