"""VantoExe killed (TerminateProcess, as a crash or a power loss would end
it) at the three moments a download is most exposed: during a transfer, at
the move that puts the new file in place, and during a gzip decode. At the
moment of the kill every file is at its path, as its old version or
complete; the next run ends with RESULT 0, every file current and nothing
left behind. A backup that a run of an earlier version left (it wrote the
new file at the path) is settled by the next run."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import vanto  # noqa: E402

BIG = "bin/big.bin"     # killed while it transfers (the server is slowed down)
DLL = "bin/app.dll"     # killed when its backup is about to be deleted
TEXT = "data/text.txt"  # gzip, killed when the decoded file is about to replace it
OTHER = "bin/other.ocx"
FILES = [BIG, DLL, TEXT, OTHER]
BACKUPS = {BIG: "bin/big.bin.bin", DLL: "bin/app.dll.dll", TEXT: "data/text.txt.txt", OTHER: "bin/other.ocx.ocx"}


def content(rel, version):
    """Version `version` of a published file; sizes stay put between versions."""
    if rel == BIG:
        return bytes([version]) * (400 * 1024)
    if rel == TEXT:
        return b"".join(b"v%d line %06d of a text that compresses well\r\n" % (version, i) for i in range(40000))
    return (b"v%d " % version + rel.encode()) * 900


class CrashSafetyTest(vanto.PublishedCase):
    def setUp(self):
        super().setUp()
        self.write_list(FILES)
        # Compressed on the fly: chunked, so the decoded size is not checked
        # against a compressed Content-Length.
        self.server.set_rule("vanto/" + TEXT, gzip=True, chunked=True)
        self.killat = harness.exe_path("vanto_killat.exe")
        self.exe = self.install(ini=self.ini())
        self.version = 0

    # --- server and target ----------------------------------------------
    def publish_version(self, version):
        """Every file in this version, with a modification time of its own."""
        self.version = version
        for rel in FILES:
            self.publish(rel, content(rel, version), 1600000000 + version * 86400)

    def assert_nothing_lost(self, moment):
        """Each file at its path: the old version or the new one, complete."""
        old, new = self.version - 1, self.version
        for rel in FILES:
            self.assertIn(self.read_local(rel), (content(rel, old), content(rel, new)), f"{moment}: {rel} lost")
            self.assertFalse(os.path.exists(self.local(BACKUPS[rel])), f"{moment}: {rel}")

    def leftovers(self):
        found = []
        for root, _dirs, names in os.walk(self.target):
            found += [os.path.join(root, n) for n in names if n.endswith((".bin.bin", ".dll.dll", ".txt.txt", ".ocx.ocx",
                                                                          ".gunzip~", ".part~", ".lst.lst"))]
        return found

    # --- runs -----------------------------------------------------------
    def start_run(self):
        result_file = os.path.join(self.target, "VantoExe.ini")
        if os.path.exists(result_file):
            os.remove(result_file)
        self.spawn(self.exe, "R")

    def run_to_the_end(self, moment):
        """The next run after a kill: RESULT 0, every file current, nothing left behind."""
        self.start_run()
        self.assertTrue(self.wait_all(timeout=90, folder=self.path("app")), f"after {moment}: the run did not end")
        self.assertEqual(self.result_code(self.target), "0", f"after {moment}")
        for rel in FILES:
            self.assertEqual(self.read_local(rel), content(rel, self.version), f"after {moment}: {rel}")
        self.assertEqual(self.leftovers(), [], f"after {moment}")

    def run_failing(self, rel, moment, **fault):
        """A run after a kill in which rel cannot be fetched: the old file,
        not what the killed run left, is back at its path."""
        self.server.set_rule("vanto/" + rel, **fault)
        self.start_run()
        box = self.message_box("no", timeout=90, folder=self.path("app"))
        self.assertIsNotNone(box, f"after {moment}: no question about the failed file")
        rc, _ = self.driver_run("click", harness.to_windows(self.path("app")), "30000", "1", timeout=60)  # Close
        self.assertEqual(rc, 0, "no dialog to close")
        self.assertTrue(self.wait_all(timeout=60, folder=self.path("app")))
        self.assertEqual(self.read_local(rel), content(rel, self.version - 1), f"after {moment}: the old {rel} is back")
        self.assertFalse(os.path.exists(self.local(BACKUPS[rel])))
        self.server.clear_rules()
        self.server.set_rule("vanto/" + TEXT, gzip=True, chunked=True)

    def kill_at_call(self, function, path_suffix):
        """A run ended at its first call of function on a path ending so."""
        tail = self.path(f"tail_{time.monotonic_ns()}.txt")
        with open(tail, "wb") as f:
            f.write(b"R")
        out_file = self.path(f"killat_{time.monotonic_ns()}.out")
        with open(out_file, "wb") as out:
            rc = subprocess.run(
                [harness.loader_for(self.killat), self.killat, harness.to_windows(self.exe), harness.to_windows(tail),
                 "90000", function, path_suffix], env=harness.env(), stdin=subprocess.DEVNULL, stdout=out,
                stderr=subprocess.DEVNULL, timeout=150).returncode
        with open(out_file, "rb") as f:
            text = f.read().decode("cp949", errors="replace")
        self.assertEqual(rc, 0, f"not killed at {function}(...{path_suffix}): {text}")
        self.assertTrue(self.wait_all(timeout=30, folder=self.path("app")))

    def test_killed_at_three_moments_the_next_run_puts_everything_right(self):
        self.publish_version(1)
        self.run_to_the_end("the first run")

        # 1. During a transfer: the new content grows beside the old file.
        self.publish_version(2)
        self.server.set_rule("vanto/" + BIG, slow=0.1, times=1)
        self.start_run()
        part = self.local(BIG) + ".part~"
        deadline = time.monotonic() + 90
        while not (os.path.exists(part) and os.path.getsize(part) >= 8192):
            self.assertLess(time.monotonic(), deadline, "the slow transfer never started")
            time.sleep(0.05)
        self.stop_all()
        self.assertLess(len(self.read_local(BIG + ".part~")), len(content(BIG, 2)), "killed during the transfer")
        self.assert_nothing_lost("during a transfer")
        self.assertEqual(self.read_local(BIG), content(BIG, 1))
        self.run_failing(BIG, "a kill during a transfer", close_after=5000)
        self.run_to_the_end("a kill during a transfer")

        # 2. At the move that puts the new file in place: it is complete and
        # dated beside the path, the old one still at it.
        self.publish_version(3)
        self.kill_at_call("MoveFileExA", "\\" + DLL.replace("/", "\\") + ".part~")
        self.assertEqual(self.result_code(self.target), "2", "a killed run reads as not finished")
        self.assertEqual(self.read_local(DLL), content(DLL, 2))
        self.assertEqual(self.read_local(DLL + ".part~"), content(DLL, 3))
        self.assert_nothing_lost("at the move")
        self.run_to_the_end("a kill at the move")

        # 3. During a gzip decode, which runs while the answer arrives: part
        # of the decoded content beside the file, the old file at its path.
        self.publish_version(4)
        self.server.set_rule("vanto/" + TEXT, gzip=True, chunked=True, slow=0.1, times=1)
        self.start_run()
        deadline = time.monotonic() + 90
        part = TEXT + ".part~"
        while not (os.path.exists(self.local(part)) and os.path.getsize(self.local(part)) >= 65536):
            self.assertLess(time.monotonic(), deadline, "the slow gzip answer never started")
            time.sleep(0.05)
        self.stop_all()
        partial = self.read_local(part)
        self.assertNotIn(partial, (content(TEXT, 3), content(TEXT, 4)), "killed during the decode")
        self.assertTrue(content(TEXT, 4).startswith(partial[:65536]), "decoded while it arrived, not encoded")
        self.assertEqual(self.read_local(TEXT), content(TEXT, 3))
        self.assert_nothing_lost("during a gzip decode")
        self.run_failing(TEXT, "a kill during a gzip decode", gzip=True, chunked=True, reset_after=0)
        self.run_to_the_end("a kill during a gzip decode")

        # 4. What a run of an earlier version left when it was killed: the
        # old file as the backup beside a current file (killed before its
        # clean-up) or beside a half-written one (killed during a transfer).
        harness.write_file(self.local(BACKUPS[DLL]), content(DLL, 3))
        harness.write_file(self.local(BACKUPS[OTHER]), content(OTHER, 3))
        harness.write_file(self.local(OTHER), content(OTHER, 4)[:1000])
        self.run_to_the_end("backups of an earlier version")
        log = self.log_text(self.target)
        self.assertIn("CVantoExeDlg::IsFileToDownload> Delete Backup File Of A Finished Download(" +
                      harness.to_windows(self.local(BACKUPS[DLL])) + ")", log)
        self.assertIn("CVantoExeDlg::IsFileToDownload> Put Back Backup File Of An Interrupted Download(" +
                      harness.to_windows(self.local(BACKUPS[OTHER])), log)


if __name__ == "__main__":
    harness.main()
