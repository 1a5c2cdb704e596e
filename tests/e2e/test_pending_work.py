"""VantoExe killed (as a crash or a power loss ends it) while it installs
what it fetched: during a program's wait, which comes first, and in the zip
extraction, the component registration, the assembly registration and the
extraction of a component archive. Each time the next run does the work
the killed run left, exactly once, and ends with RESULT 0 and no pending
work left; work the killed run finished is not done again."""
import os
import shutil
import sys
import time
import uuid

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import test_crash_safety as crash  # noqa: E402
import test_registration_archives as archives  # noqa: E402
import vanto  # noqa: E402

REGASM = os.path.join("drive_c", "windows", "Microsoft.NET", "Framework", "v2.0.50727", "RegAsm.exe")
VALUES_KEY = "HKCU\\Software\\VantoTest\\PendingWork"
ENTRIES = ["pkg/tree.zip,,,ZIP", "cfg/set.reg,,,REF", "com/comp.ocx,,,REG", "net/asm.dll,,,ASM", "ctl/parts.zip,,,ZRG"]


class PendingWorkTest(vanto.PublishedCase):
    fixture = staticmethod(archives.RegistrationArchivesTest.fixture)
    calls = archives.RegistrationArchivesTest.calls
    wait_calls = archives.RegistrationArchivesTest.wait_calls
    kill_at_call = crash.CrashSafetyTest.kill_at_call

    def setUp(self):
        super().setUp()
        regasm = os.path.join(harness.prefix(), REGASM)
        os.makedirs(os.path.dirname(regasm), exist_ok=True)
        shutil.copy2(harness.exe_path("vanto_recorder.exe"), regasm)
        self.regasm = regasm
        self.addCleanup(lambda: [os.remove(p) for p in (regasm, regasm + ".rec") if os.path.exists(p)])
        self.value = "v_" + uuid.uuid4().hex[:8]
        self.addCleanup(harness.wine_tool, ["reg", "delete", VALUES_KEY, "/v", self.value, "/f"])
        self.killat = harness.exe_path("vanto_killat.exe")
        self.exe = self.install(ini=self.ini(OCX_FILE_REGISTRY_MODE=2))
        self.version = 0

    def publish_version(self, version, extra=()):
        self.version = version
        mtime = 1600000000 + version * 86400
        ok = self.fixture("registers")
        self.publish("pkg/tree.zip", archives.make_zip([("tree/a.txt", b"v%d" % version)]), mtime)
        reg = 'REGEDIT4\r\n\r\n[%s]\r\n"%s"="v%d"\r\n' % (VALUES_KEY.replace("HKCU", "HKEY_CURRENT_USER"),
                                                          self.value, version)
        self.publish("cfg/set.reg", reg.encode(), mtime)
        self.publish("com/comp.ocx", ok, mtime)
        self.publish("net/asm.dll", b"MZ assembly v%d" % version, mtime)
        self.publish("ctl/parts.zip", archives.make_zip([("parts/p.ocx", ok + b"\0" * version)]), mtime)
        self.write_list(list(extra) + ENTRIES, mtime)

    def start_run(self):
        result_file = os.path.join(self.target, "VantoExe.ini")
        if os.path.exists(result_file):
            os.remove(result_file)
        self.spawn(self.exe, "R")

    # --- what was installed ----------------------------------------------
    def imported(self):
        out = harness.wine_tool(["reg", "query", VALUES_KEY, "/v", self.value]).stdout.decode("cp949", "replace")
        return out.split("REG_SZ", 1)[1].strip() if "REG_SZ" in out else None

    def asm_starts(self):
        if not os.path.exists(self.regasm + ".rec"):
            return 0
        with open(self.regasm + ".rec", "rb") as f:
            text = f.read().decode("cp949")
        return text.count("cwd=%s\n" % harness.to_windows(self.local("net")))

    def assert_installed_once(self, moment):
        """Every kind's work of every published version done exactly once."""
        n = self.version
        self.assertEqual(self.read_local("pkg/tree/a.txt"), b"v%d" % n, moment)
        self.assertEqual(self.imported(), "v%d" % n, moment)
        self.assertEqual(self.calls("com/comp.ocx").count("register regsvr32.exe"), n, moment)
        self.wait_calls("ctl/parts/p.ocx", "register regsvr32.exe", times=n)
        deadline = time.monotonic() + 30
        while self.asm_starts() < n and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertEqual(self.asm_starts(), n, moment)
        time.sleep(1)  # a start too many would show by now
        self.assertEqual(self.calls("ctl/parts/p.ocx").count("register regsvr32.exe"), n, moment)
        self.assertEqual(self.asm_starts(), n, moment)
        self.assertFalse(os.path.exists(self.local("Vanto.lst.pending")), moment)

    def run_to_the_end(self, moment):
        self.start_run()
        self.assertTrue(self.wait_all(timeout=120, folder=self.path("app")), f"after {moment}: the run did not end")
        self.assertEqual(self.result_code(self.target), "0", f"after {moment}")
        self.assert_installed_once(f"after {moment}")

    def test_killed_at_each_handler_the_next_run_installs_what_was_left(self):
        self.publish_version(1)
        self.run_to_the_end("the first run")

        # During a program's wait, before every other handler.
        self.publish_version(2, extra=['bin/wait.exe,,,EXE|w=1/a="--sleep=60000"'])
        with open(harness.exe_path("vanto_recorder.exe"), "rb") as f:
            self.publish("bin/wait.exe", f.read())
        self.start_run()
        deadline = time.monotonic() + 120
        while "wait.exe" not in " ".join(self.running(self.target).values()):
            self.assertLess(time.monotonic(), deadline, "the program to wait for never started")
            time.sleep(0.3)
        self.stop_all()
        self.assertTrue(os.path.exists(self.local("Vanto.lst.pending")), "work recorded before the handlers")
        self.publish_version(2)  # the program is not listed any more
        self.run_to_the_end("a kill during a program's wait")

        # In each handler in turn: the work before it is done and not done
        # again, the work from it on is left to the next run.
        moments = [("DeleteFileA", "\\tree\\a.txt", "the zip extraction"),
                   ("SetCurrentDirectoryA", "\\com", "the component registration"),
                   ("SetCurrentDirectoryA", "\\net", "the assembly registration"),
                   ("DeleteFileA", "\\parts\\p.ocx", "the component archive")]
        for version, (function, suffix, moment) in enumerate(moments, start=3):
            self.publish_version(version)
            self.kill_at_call(function, suffix)
            self.assertTrue(os.path.exists(self.local("Vanto.lst.pending")), moment)
            self.run_to_the_end("a kill in " + moment)


if __name__ == "__main__":
    harness.main()
