"""Whole runs of VantoExe that act on entries by kind, against the publish
test server on 127.0.0.1: a font installed into the prefix's Fonts folder
and recorded under the font key (and not copied again by the next run),
programs started with their arguments and waited for, Stop during that
wait, files deleted, registry files imported, and the per-user lockdown
value set on the first start of a program run."""
import os
import re
import sys
import time
import uuid

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import vanto  # noqa: E402

NANUM = "/usr/share/fonts/truetype/nanum/NanumGothicCoding.ttf"
FONT_KEY = r"HKLM\SOFTWARE\Wow6432Node\Microsoft\Windows NT\CurrentVersion\Fonts"
LOCKDOWN_KEY = r"HKCU\Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_LOCALMACHINE_LOCKDOWN"
LOCKDOWN_READ = "CVantoExeDlg::UpdateRegisterKeyValue> iexplore.exe System Registry Value : "
WAIT_PREFIX = "CVantoExeDlg::StartExeFileByShellExecuteAndWaitClose> "
DOWN_COMPLETE = "CVantoExeDlg::OnRequestStart> Post WM_DOWN_COMPLETE Message, %d, 0"


def reg(*args):
    """wine reg ARGS; (exit code, output as text)."""
    r = harness.wine_tool(["reg", *args])
    out = r.stdout
    try:
        text = out.decode("utf-8")
    except UnicodeDecodeError:  # the console code page of the prefix
        text = out.decode("cp949", errors="replace")
    return r.returncode, text


def reg_value(key, name):
    """(type, data) of a value as `reg query` prints it, or None."""
    rc, text = reg("query", key, "/v", name)
    if rc != 0:
        return None
    for line in text.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[0] == name and parts[1].startswith("REG_"):
            return parts[1], parts[2] if len(parts) > 2 else ""
    return None


def log_time(line):
    """The time of a log line as "HH:MM:SS.mmm"."""
    return re.match(r"\d{4}/\d\d/\d\d=(\d\d:\d\d:\d\d\.\d{3})", line).group(1)


class HandlersTest(vanto.PublishedCase):
    def assert_logged(self, needle, log, logged=True):
        """Short failure messages: the log itself is long."""
        self.assertEqual(needle in log, logged, ("not logged: " if logged else "logged: ") + needle)

    def setUp(self):
        super().setUp()
        self.recorder = harness.exe_path("vanto_recorder.exe")

    def publish(self, rel, data=None, source=None):
        if source:
            with open(source, "rb") as f:
                data = f.read()
        return super().publish(rel, data)

    def record(self, *parts):
        """Starts recorded by the program at target/parts, one dict each."""
        path = self.local(*parts) + ".rec"
        if not os.path.exists(path):
            return []
        with open(path, "rb") as f:
            blocks = f.read().decode("cp949").split("--\n")
        starts = []
        for block in blocks:
            fields = dict(line.split("=", 1) for line in block.splitlines() if "=" in line)
            if "start" in fields:
                starts.append(fields)
        return starts

    def start_run(self, sub):
        exe = self.install(sub=sub, ini=self.ini())
        self.spawn(exe, "R")

    def click(self, control_id, sub):
        rc, _ = self.driver_run("click", harness.to_windows(self.path(sub)), "30000", str(control_id), timeout=60)
        self.assertEqual(rc, 0, "no progress dialog to click")

    def wait_until(self, what, condition, timeout=60):
        deadline = time.monotonic() + timeout
        while not condition():
            self.assertLess(time.monotonic(), deadline, what)
            time.sleep(0.2)

    def test_fonts_programs_deletions_registry_files_and_the_lockdown_value(self):
        tag = uuid.uuid4().hex[:8]
        font = f"VantoE2E_{tag}.ttf"
        fonts_dir = os.path.join(harness.prefix(), "drive_c", "windows", "Fonts")
        reg_root = rf"HKCU\Software\VantoE2E\{tag}"
        self.addCleanup(os.remove, os.path.join(fonts_dir, font))
        self.addCleanup(reg, "delete", FONT_KEY, "/v", font[:-4], "/f")
        self.addCleanup(reg, "delete", reg_root, "/f")

        self.publish("font/published.ttf", source=NANUM)
        self.publish("bin/rec.exe", source=self.recorder)
        self.publish("bin/recw.exe", source=self.recorder)
        self.publish("reg/a4.reg", ("REGEDIT4\r\n\r\n"
                                    f"[{reg_root.replace('HKCU', 'HKEY_CURRENT_USER')}\\Four]\r\n"
                                    "\"Name\"=\"한글 값\"\r\n\"Count\"=dword:0000002a\r\n\r\n").encode("cp949"))
        self.publish("reg/a5.reg", b"\xff\xfe" + ("Windows Registry Editor Version 5.00\r\n\r\n"
                                                  f"[{reg_root.replace('HKCU', 'HKEY_CURRENT_USER')}\\Five]\r\n"
                                                  "\"이름\"=\"다섯\"\r\n\r\n").encode("utf-16-le"))
        self.write_list([
            f"font/published.ttf,font\\{font},,FNT",
            'bin/rec.exe,,,EXE|a="--exit=3 /x first"',
            'bin/recw.exe,tools dir\\rec wait.exe,,EXE|w=1/a="--sleep=2500"',
            "reg/a4.reg,,,REF",
            "reg/a5.reg,,,REF",
            "del/old.txt,,,DEL",
            "del/missing.txt,,,DEL",
        ])
        os.makedirs(self.local("del"))
        with open(self.local("del", "old.txt"), "wb") as f:
            f.write(b"old")
        reg("delete", LOCKDOWN_KEY, "/v", "iexplore.exe", "/f")

        # First run.
        self.start_run("app")
        self.assertTrue(self.wait_all(timeout=90, folder=self.path("app")))
        self.assertEqual(self.result_code(self.target), "0")
        first = self.log_text(self.target)
        self.assert_logged(DOWN_COMPLETE % 0, first)

        # The font: copied, loaded, recorded under the key of 64-bit Windows.
        with open(os.path.join(fonts_dir, font), "rb") as f, open(NANUM, "rb") as g:
            self.assertEqual(f.read(), g.read())
        self.assert_logged(rf"CVantoExeDlg::ProcessFontFile> CopyFile(C:\windows\fonts\{font}) Success", first)
        loaded = f"CVantoExeDlg::ProcessFontFile> AddFontRecource({font}) Success, nRet = "
        self.assertTrue(re.search(re.escape(loaded) + "[1-9]", first), "not loaded")
        self.assertEqual(reg_value(FONT_KEY, font[:-4]), ("REG_SZ", font))

        # Programs: arguments as written; the waited one ended before the run did.
        # Started without a wait: its record may come after the run's end.
        self.wait_until("the program never started", lambda: self.record("bin", "rec.exe"), 30)
        quick = self.record("bin", "rec.exe")
        self.assertEqual(len(quick), 1)
        self.assertEqual([quick[0].get(f"arg{i}") for i in (1, 2, 3)], ["--exit=3", "/x", "first"])
        waited = self.record("tools dir", "rec wait.exe")
        self.assertEqual(len(waited), 1)
        self.assertEqual(waited[0]["arg1"], "--sleep=2500")
        waited_path = harness.to_windows(self.local("tools dir", "rec wait.exe"))
        ended = [line for line in first.splitlines()
                 if f"{WAIT_PREFIX}'{waited_path}' > The process has been terminated." in line]
        self.assertEqual(len(ended), 1)
        self.assertLessEqual(waited[0]["end"].split()[1][:12], log_time(ended[0]))
        self.assert_in_order(first, [ended[0], "CVantoExeDlg::ProcessFontFile> m_strTargetFile", DOWN_COMPLETE % 0])

        # Deletions: the present file is gone, the missing one only logged.
        self.assertFalse(os.path.exists(self.local("del", "old.txt")))
        missing = harness.to_windows(self.local("del", "missing.txt"))
        self.assert_logged(f"CVantoExeDlg::HandleDeleteTypeFiles> DeleteFile({missing}) Error, ErrCode = 2", first)

        # Registry files of both formats, imported silently (not waited for).
        self.wait_until("REGEDIT4 file not imported", lambda: reg_value(reg_root + r"\Four", "Count") is not None, 30)
        self.assertEqual(reg_value(reg_root + r"\Four", "Count"), ("REG_DWORD", "0x2a"))
        self.assertEqual(reg_value(reg_root + r"\Four", "Name"), ("REG_SZ", "한글 값"))
        self.wait_until("version 5 file not imported", lambda: reg_value(reg_root + r"\Five", "이름") is not None, 30)
        self.assertEqual(reg_value(reg_root + r"\Five", "이름"), ("REG_SZ", "다섯"))
        a4 = harness.to_windows(self.local("reg", "a4.reg"))
        self.assert_logged(f"CSyncEngine::ProcessRegistryFile> Cmd Str : regedit -s {a4} ", first)

        # The lockdown value was missing: read as -1, written as 0.
        self.assert_logged(LOCKDOWN_READ + "-1", first)
        self.assert_logged("CVantoExeDlg::UpdateRegisterKeyValue> Success To Set System Registry Value, Value = -1",
                           first)
        self.assertEqual(reg_value(LOCKDOWN_KEY, "iexplore.exe"), ("REG_DWORD", "0x0"))

        # Second run: the font is there and recorded; programs run again;
        # the lockdown value is 0 and left alone.
        before = self.log_snapshot(self.target)
        self.start_run("app2")
        self.assertTrue(self.wait_all(timeout=90, folder=self.path("app2")))
        self.assertEqual(self.result_code(self.target), "0")
        second = self.log_since(self.target, before)
        self.assert_logged(rf"CVantoExeDlg::ProcessFontFile> Previous Font(C:\windows\fonts\{font}) is Already Exist",
                           second)
        self.assert_logged("CVantoExeDlg::ProcessFontFile> CopyFile(", second, logged=False)
        self.assert_logged("SetRegistryValue(", second, logged=False)
        self.assert_logged(LOCKDOWN_READ, second, logged=False)
        self.wait_until("the program did not start again", lambda: len(self.record("bin", "rec.exe")) >= 2, 30)
        self.assertEqual(len(self.record("bin", "rec.exe")), 2)

    def test_stop_during_the_wait_ends_the_run(self):
        self.publish("bin/slow.exe", source=self.recorder)
        self.publish("bin/next.exe", source=self.recorder)
        self.write_list(['bin/slow.exe,,,EXE|w=1/a="--sleep=60000"', "bin/next.exe,,,EXE", "del/kept.txt,,,DEL"])
        os.makedirs(self.local("del"))
        with open(self.local("del", "kept.txt"), "wb") as f:
            f.write(b"kept")

        self.start_run("app")
        self.wait_until("the waited program never started", lambda: self.record("bin", "slow.exe"))
        self.click(1004, "app")  # Stop
        self.wait_until("the run did not end", lambda: DOWN_COMPLETE % 1 in self.log_text(self.target))
        log = self.log_text(self.target)
        slow = harness.to_windows(self.local("bin", "slow.exe"))
        self.assert_in_order(log, ["CVantoExeDlg::OnButtonStop> Set m_pVantoEngine->m_nRequestStopFlag = 1",
                                   f"{WAIT_PREFIX}'{slow}' > The end wait has been interrupted.",
                                   "CVantoExeDlg::GetProcessHandleByShellExecute> File=" +
                                   harness.to_windows(self.local("bin", "next.exe")),
                                   "CVantoExeDlg::OnRequestStart> nAllSequenceSuccessFlag = 1"])
        self.assert_logged("CVantoExeDlg::HandleDeleteTypeFiles>", log, logged=False)  # no handler after the stop
        self.assertTrue(os.path.exists(self.local("del", "kept.txt")))
        self.wait_until("the next program never started", lambda: self.record("bin", "next.exe"))

        self.click(1, "app")  # Close
        self.assertTrue(self.wait_all(timeout=60, folder=self.path("app")))
        self.assertEqual(self.result_code(self.target), "1")
        self.assertIn(slow, self.running(folder=self.local("bin")).values(), "the waited program keeps running")
        self.assertNotIn("end", self.record("bin", "slow.exe")[0])


if __name__ == "__main__":
    harness.main()
