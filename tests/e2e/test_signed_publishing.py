"""Signed publishing in whole runs under Wine: Vanto.ini carries
PUBLISHER_KEY, the publisher signs with the minisign program, and the
publish test server plays the hostile network between client and files.

- An honest, signed release succeeds: files fetched, the recorder program
  run, the accepted timestamp kept in the machine's registry; a newer
  release succeeds too.
- Each attack is refused before anything is fetched, written or started:
  no .minisig, the list changed on the way (one byte), the .minisig of
  another list, the older release replayed, an entry without SHA-256 (not
  fetched, the run partial). The previous list and files stay as they were,
  the recorder does not run, each refusal logs its own line.
- A newer VantoExe.exe without its .minisig never replaces the installed one.
- The next honest run succeeds again.
- Without PUBLISHER_KEY no signature is ever asked for.
"""
import hashlib
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import vanto  # noqa: E402

REFUSED = "CVantoExeDlg::IsAlreadyLastVersion> List file signature refused : "
REPLAYED = "CVantoExeDlg::IsAlreadyLastVersion> Older list file refused (replayed release) : "
VERIFIED = "CVantoExeDlg::IsAlreadyLastVersion> List file signature verified, key id "
FATAL = "CVantoExeDlg::OnRequestStart> IsAlreadyLastVersion() Fail, RetVal = -3, Set g_nResult = VANTO_FATAL_ERROR"
NO_DIGEST = "CVantoExeDlg::GetFileListFileFromFile> Entry without SHA-256 refused (signed list) : "
PROGRAM_REFUSED = "CVantoExeDlg::IsSelfFileUpdated> Program file signature refused, the installed program stays : "
DOWN_COMPLETE = "CVantoExeDlg::OnDownComplete> Recv WMU_DOWN_COMPLETE Message"
REGISTRY_KEY = r"HKLM\SOFTWARE\VantoExe\AcceptedLists"
MINISIGN = shutil.which("minisign")
A1 = b"first release of the data\r\n" * 50
A2 = b"second release of the data\r\n" * 50


def sha(data):
    return hashlib.sha256(data).hexdigest()


class SignedPublishingTest(vanto.PublishedCase):
    def setUp(self):
        super().setUp()
        if not MINISIGN:
            self.skipTest("minisign is not installed (scripts/setup.sh)")
        self.key_dir = self.path("keys")
        os.makedirs(self.key_dir)
        self.minisign("-G", "-W", "-p", self.keyfile("pub"), "-s", self.keyfile("key"))
        with open(self.keyfile("pub")) as f:
            self.public_key = f.read().splitlines()[1]
        with open(harness.exe_path("vanto_recorder.exe"), "rb") as f:
            self.recorder = f.read()
        self.runs = 0
        self.list_key = f"127.0.0.1:{self.server.port}/vanto/Vanto.lst"
        self.addCleanup(vanto_reg, "delete", REGISTRY_KEY, "/v", self.list_key, "/f")

    def keyfile(self, ext):
        return os.path.join(self.key_dir, "publisher." + ext)

    def minisign(self, *args):
        r = subprocess.run([MINISIGN, *args], capture_output=True, timeout=60)
        self.assertEqual(r.returncode, 0, r.stderr)

    def release(self, name, lines, timestamp, signed_name=None):
        """A list published as name, signed by minisign with the timestamp
        (for the file signed_name, default name)."""
        path = self.publish(name, "".join(l + "\r\n" for l in ["# signed list", *lines]).encode("cp949"))
        self.minisign("-S", "-s", self.keyfile("key"), "-m", path, "-t",
                      f"timestamp:{timestamp}\tfile:{signed_name or name}\thashed")
        return path

    def entries(self, data):
        return [f"bin/rec.exe,,,EXE,,,sha256:{sha(self.recorder)}", f"data/a.txt,,,,,,sha256:{sha(data)}"]

    def run_vanto(self, expect_ok, answer=None, **extra):
        """One run from a fresh copy; closes the dialog of a failed run.
        Returns the run's log text."""
        self.runs += 1
        sub = f"app{self.runs}"
        before = self.log_snapshot(self.target)
        ini = self.ini(**extra)
        exe = self.install(sub=sub, ini=ini)
        self.spawn(exe, "R")
        if answer:
            self.assertIsNotNone(self.message_box(answer, timeout=150, folder=self.path(sub)), "no question")
        if not expect_ok:
            # Close is enabled once the run has ended.
            deadline = time.monotonic() + 150
            while DOWN_COMPLETE not in self.log_since(self.target, before):
                self.assertLess(time.monotonic(), deadline, "the run did not end")
                time.sleep(0.5)
            rc, _ = self.driver_run("click", harness.to_windows(self.path(sub)), "60000", "1", timeout=90)
            self.assertEqual(rc, 0, "no progress dialog to close")
        self.assertTrue(self.wait_all(timeout=120, folder=self.path(sub)))
        log = self.log_since(self.target, before)
        if expect_ok:
            self.assertEqual(self.result_code(self.target), "0", log[-3000:])
        return log

    def recorded(self):
        path = self.local("bin", "rec.exe") + ".rec"
        if not os.path.exists(path):
            return 0
        with open(path, "rb") as f:
            return f.read().count(b"start=")

    def assert_recorded(self, count):
        """The recorder started count times. It is started without a wait, so
        its record may be written after the run has ended."""
        deadline = time.monotonic() + 30
        while self.recorded() < count and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertEqual(self.recorded(), count)

    def test_signed_releases_attacks_and_recovery(self):
        now = int(time.time())
        self.publish("bin/rec.exe", self.recorder)
        self.publish("data/a.txt", A1)
        self.release("Vanto.lst", self.entries(A1), now - 7200)
        # A newer program file on the server, without its signature.
        with open(self.vanto, "rb") as f:
            self.publish("VantoExe.exe", f.read() + b"\0" * 16, now + 60)
        signed = {"PUBLISHER_KEY": self.public_key}

        # 1. Honest release: verified (signed by minisign), fetched, run; the program file refused.
        log = self.run_vanto(True, **signed)
        self.assertIn(VERIFIED, log)
        self.assertIn(f"CVantoCfg::LogConfigInfo> PUBLISHER_KEY : key id ", log)
        self.assertIn(PROGRAM_REFUSED + "no signature file /vanto/VantoExe.exe.minisig", log)
        with open(self.vanto, "rb") as f, open(self.path("app1", "VantoExe.exe"), "rb") as g:
            self.assertEqual(f.read(), g.read(), "the installed program was replaced")
        self.assertFalse(os.path.exists(self.path("app1", "VantoExe.exe.unverified")))
        self.assertEqual(self.read_local("data/a.txt"), A1)
        self.assert_recorded(1)
        self.assertEqual(registry_value(self.list_key), str(now - 7200))

        # 2. A newer release.
        old_list = self.release("old.lst", self.entries(A1), now - 7200, "Vanto.lst")  # release 1, for the replay
        os.replace(old_list + ".minisig", self.pub + "/vanto/old.lst.minisig")
        self.publish("data/a.txt", A2)
        self.release("Vanto.lst", self.entries(A2), now - 3600)
        log = self.run_vanto(True, **signed)
        self.assertIn(VERIFIED, log)
        self.assertEqual(self.read_local("data/a.txt"), A2)
        self.assert_recorded(2)
        self.assertEqual(registry_value(self.list_key), str(now - 3600))
        with open(self.local("Vanto.lst"), "rb") as f:
            good_list = f.read()
        # The next release is on the server; every attack below keeps the client on release 2.
        self.publish("data/a.txt", A1)
        self.release("Vanto.lst", self.entries(A1), now - 1800)
        self.release("other.lst", ["bin/other.exe,,,EXE,,,sha256:" + "0" * 64], now - 1800)

        attacks = [
            ("no signature", {"vanto/Vanto.lst.minisig": {"status": 404}},
             REFUSED + "no signature file /vanto/Vanto.lst.minisig"),
            ("list changed on the way", {"vanto/Vanto.lst": {"tamper": True}},
             REFUSED + "signature does not match the file"),
            ("another list's signature", {"vanto/Vanto.lst.minisig": {"serve_from": "vanto/other.lst.minisig"}},
             REFUSED + "signature does not match the file"),
            ("older release replayed", {"vanto/Vanto.lst": {"serve_from": "vanto/old.lst"},
                                        "vanto/Vanto.lst.minisig": {"serve_from": "vanto/old.lst.minisig"}},
             REPLAYED + f"timestamp {now - 7200} is older than the last accepted {now - 3600}"),
        ]
        for name, rules, line in attacks:
            with self.subTest(name):
                self.server.clear_rules()
                for path, switches in rules.items():
                    self.server.set_rule(path, **switches)
                log = self.run_vanto(False, **signed)
                self.assertIn(line, log)
                self.assertIn(FATAL, log)
                self.assertNotIn("Try to GetServerFileInfo()", log.split(line)[1], "something was asked for after")
                self.assertEqual(self.read_local("data/a.txt"), A2, "a file changed")
                self.assertEqual(self.recorded(), 2, "the recorder ran")
                with open(self.local("Vanto.lst"), "rb") as f:
                    self.assertEqual(f.read(), good_list, "the previous list was replaced")
                self.assertFalse(os.path.exists(self.local("Vanto.lst.unverified")))
                self.assertEqual(registry_value(self.list_key), str(now - 3600))
        self.server.clear_rules()

        # An entry without SHA-256 in a correctly signed list: not fetched, the run partial.
        self.publish("bin/plain.exe", self.recorder)
        self.release("Vanto.lst", ["bin/plain.exe,,,EXE", *self.entries(A2)], now - 1700)
        log = self.run_vanto(False, answer="no", **signed)
        self.assertIn(NO_DIGEST + "bin/plain.exe,,,EXE", log)
        self.assertIsNone(self.read_local("bin/plain.exe"))
        self.assertFalse(os.path.exists(self.local("bin/plain.exe") + ".rec"))
        self.assertIn("CVantoExeDlg::OnRequestStart> Post WM_DOWN_COMPLETE Message, 3, 0", log)

        # The honest server again: the next release goes through.
        self.release("Vanto.lst", self.entries(A1), now - 1600)
        log = self.run_vanto(True, **signed)
        self.assertIn(VERIFIED, log)
        self.assertEqual(self.read_local("data/a.txt"), A1)
        self.assertEqual(registry_value(self.list_key), str(now - 1600))

        # Without PUBLISHER_KEY no signature is asked for.
        self.server.requests.clear()
        self.run_vanto(True)
        paths = [path for _, path, _, _ in self.server.requests]
        self.assertFalse([p for p in paths if "minisig" in p], paths)
        self.assertIn(("GET", "vanto/Vanto.lst"), [(m, p) for m, p, _, _ in self.server.requests])


def vanto_reg(*args):
    r = harness.wine_tool(["reg", *args])
    try:
        return r.returncode, r.stdout.decode("utf-8")
    except UnicodeDecodeError:
        return r.returncode, r.stdout.decode("cp949", errors="replace")


def registry_value(name):
    """The accepted timestamp stored for name (32-bit view), or None."""
    rc, out = vanto_reg("query", REGISTRY_KEY, "/v", name, "/reg:32")
    if rc != 0:
        return None
    for line in out.splitlines():
        parts = line.split()
        if len(parts) >= 3 and parts[-2] == "REG_SZ":
            return parts[-1]
    return None


if __name__ == "__main__":
    harness.main()
