"""PARALLEL_CONNECTIONS in whole runs against the publish test server: eight
connections leave the same files, result code and per-entry log lines as
one, with the server's faults (a 404, a short body, a reset) among the
entries; Stop during an eight-connection run leaves every file old or new."""
import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import vanto  # noqa: E402

STAMP = 1700000000
OLD = b"the previous version"


def published():
    files = {}
    for i in range(24):
        files[f"d{i % 3}/f{i:02d}.dat"] = bytes([i]) * (3000 + 997 * i)
    return files


class ParallelTest(vanto.PublishedCase):
    def setUp(self):
        super().setUp()
        self.files = published()
        for rel, data in self.files.items():
            self.publish(rel, data, STAMP)
        self.publish("d0/short.dat", os.urandom(20000), STAMP)
        self.publish("d1/reset.dat", os.urandom(20000), STAMP)
        # A short body: the answer announces more than it sends.
        self.server.set_rule("vanto/d0/short.dat", content_length=30000)
        # A reset in the middle of the body.
        self.server.set_rule("vanto/d1/reset.dat", reset_after=5000)
        self.write_list(list(self.files) + ["d0/short.dat", "d1/reset.dat", "d2/missing.dat", "gone/old.txt,,,DEL"])

    def prepare(self, target):
        """The same client folder for every run: some files old, one current,
        one with a backup an interrupted download left."""
        for i, rel in enumerate(sorted(self.files)):
            path = os.path.join(target, *rel.split("/"))
            if i % 4 == 1:
                harness.write_file(path, OLD)
            elif i % 4 == 2:
                harness.write_file(path, self.files[rel], STAMP)
        harness.write_file(os.path.join(target, "d0", "short.dat"), OLD)
        harness.write_file(os.path.join(target, "d2", "f05.dat.dat"), OLD)

    def run_with(self, connections):
        target = self.path(f"target{connections}")
        self.prepare(target)
        sub = f"app{connections}"
        exe = self.install(sub=sub, ini=self.ini(TARGET_DIR=harness.to_windows(target),
                                                 PARALLEL_CONNECTIONS=connections))
        self.spawn(exe, "R")
        box = self.message_box("yes", folder=self.path(sub))  # some entries failed: go on
        self.assertIsNotNone(box, "the question after failed entries")
        self.assertTrue(self.wait_all(timeout=120, folder=self.path(sub)))
        return target

    def entry_lines(self, target):
        """The entries' lines from the list's reading to the end of the
        handlers, without times, the target as <target>."""
        log = self.log_text(target)
        start = log.index("Download List : S")
        end = log.index("CVantoExeDlg::OnRequestStart> Register Download Info Complete", start)
        # The lanes' own connections, opened before the first entry of the
        # reading and of the loop, are not lines of an entry.
        lanes = ("Parallel Connections", "CVantoExeDlg::DownloadFilesInListFromServer> m_dwConnectTimeOut")
        return [re.sub(r"^\S+ ", "", line).replace(harness.to_windows(target), "<target>")  # no time
                for line in log[start:end].splitlines() if not any(lane in line for lane in lanes)]

    def tree(self, target):
        found = {}
        for folder, dirs, names in os.walk(target):
            dirs[:] = [d for d in dirs if d != "log"]
            for name in names:
                if name in ("VantoExe.ini", "_UpdateD.ini") or name.startswith("Vanto.lst"):
                    continue
                path = os.path.join(folder, name)
                with open(path, "rb") as f:
                    found[os.path.relpath(path, target)] = f.read()
        return found

    def test_eight_connections_leave_what_one_leaves(self):
        one = self.run_with(1)
        eight = self.run_with(8)
        self.assertEqual(self.result_code(eight), self.result_code(one))
        self.assertEqual(self.result_code(one), "0")
        self.assertEqual(self.tree(eight), self.tree(one))
        for rel, data in self.files.items():
            self.assertEqual(self.read_local_in(eight, rel), data, rel)
        self.assertEqual(self.read_local_in(eight, "d0/short.dat"), OLD, "the short body restored the old file")
        self.assertFalse(os.path.exists(os.path.join(eight, "d1", "reset.dat")), "no partial file after a reset")
        self.assertEqual(self.entry_lines(eight), self.entry_lines(one))
        for fault in ("GetServerFileInfo() Fail, RetVal = -5", "DownloadOneFileFromServer() Fail, RetVal = -4",
                      "DownloadOneFileFromServer() Fail, RetVal = -6"):
            self.assertIn(fault, "\n".join(self.entry_lines(eight)))
        self.assertIn("CVantoExeDlg::DownloadFilesInListFromServer> Parallel Connections = 8", self.log_text(eight))

    def read_local_in(self, target, rel):
        try:
            with open(os.path.join(target, *rel.split("/")), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def test_stop_with_eight_connections_leaves_every_file_old_or_new(self):
        target = self.path("target")
        for i, rel in enumerate(sorted(self.files)):
            if i % 2:
                harness.write_file(os.path.join(target, *rel.split("/")), OLD)
            # Two seconds per 4096-byte block: every transfer is still running at the click.
            self.server.set_rule("vanto/" + rel, slow=2.0)
        exe = self.install(ini=self.ini(PARALLEL_CONNECTIONS=8))
        self.spawn(exe, "R")
        deadline = time.monotonic() + 60
        while self.server.count("GET", None) < 1 + 8:
            self.assertLess(time.monotonic(), deadline, "the downloads never started")
            time.sleep(0.1)
        rc, _ = self.driver_run("click", harness.to_windows(self.path("app")), "30000", "1004", timeout=60)
        self.assertEqual(rc, 0, "Stop clicked")
        end_line = "CVantoExeDlg::OnRequestStart> Post WM_DOWN_COMPLETE Message, 1, 0"
        deadline = time.monotonic() + 60
        while end_line not in self.log_text(target):
            self.assertLess(time.monotonic(), deadline, "the run did not end after Stop")
            time.sleep(0.1)
        rc, _ = self.driver_run("click", harness.to_windows(self.path("app")), "30000", "1", timeout=60)  # Close
        self.assertTrue(self.wait_all(timeout=60, folder=self.path("app")))
        self.assertEqual(self.result_code(target), "1")
        for i, rel in enumerate(sorted(self.files)):
            data = self.read_local_in(target, rel)
            self.assertIn(data, (OLD if i % 2 else None, self.files[rel]), f"{rel}: old or new, never partial")
            self.assertIsNone(self.read_local_in(target, rel + rel[rel.rindex("."):]), f"{rel}: no backup left")
        self.assertIn("CVantoExeDlg::DownloadFilesInListFromServer> m_nRequestStopFlag = 1", self.log_text(target))


if __name__ == "__main__":
    harness.main()
