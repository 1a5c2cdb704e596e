"""Helpers for end-to-end scenarios of VantoExe under Wine.

A VantoCase gets a fresh folder on the prefix's C: drive; it installs the
program there, starts it with a command line, answers its message boxes
through the UI driver (tests/tools/vanto_uidriver.exe), waits until every
process started from the folder has ended, and reads the result file and
the log.
"""
import datetime
import glob
import os
import shutil
import subprocess
import time

import harness

# Field order of the 40-field command line of start modes "0" and "1".
LONG_FIELDS = [
    "m_strStartMode", "LOG_ENCODE_FLAG", "SVR_IP_ADDR", "SVR_PORT_NO", "DOWNLOAD_BASE_URL", "LIST_FILE_NAME",
    "TARGET_DIR", "CHECK_LIST_FILE_FLAG", "ALL_REG_FLAG", "EXCLUDE_DIRS", "TIME_CHECK_SPAN", "RUN_MODE",
    "LOOMBROWSER_PROG_FILE_PATH", "LOOMBROWSER_PROG_ARGUMENT", "AGENT_PROG_FILE_PATH", "AGENT_PROG_ARGUMENT",
    "DESKTOP_LINK_NAME", "DESKTOP_LINK_URL", "DESKTOP_LINK_ICON_LOCATION", "PROGRAM_LINK_NAME",
    "PROGRAM_FILE_PATH", "PROGRAM_ARGUMENT", "PROGRAM_LINK_ICON_LOCATION", "KILL_LOOMBROWSER_FLAG", "SVR_HTTPS",
    "DELETE_LOCAL_LIST_FILE", "PROXY_IP_ADDR", "PROXY_USER_NAME", "PROXY_USER_PASSWORD", "PROXY_AUTH_MODE",
    "OCX_FILE_REGISTRY_MODE", "DOWNLOAD_FROM_BP_SERVER", "BP_SERVER_PORT_NO", "LAST_LIST_FILE_NAME",
    "KILL_LOOMBROWSER5_FLAG", "LOOMBROWSER5_PROG_FILE_PATH", "LOOMBROWSER5_PROG_ARGUMENT",
    "LAST_CHECK_DAY_INTERVAL", "ENCODE_URL_UTF", "FILE_COMPARE_GMT_TIME",
]
assert len(LONG_FIELDS) == 40

# Start-up lines every run that got as far as the log writes, in order.
STARTUP_LINES = [
    "[INFO ] " + "=" * 86,
    "CVantoExeApp::InitInstance> VantoExe Start, Version = 11.11.7.1",
    "CVantoExeApp::LoadSpecialDirMap> _WINDOWS = [",
    "CVantoExeApp::InitInstance> Current Directory = ",
    "-" * 86 + "S",
    "CVantoCfg::LogConfigInfo> TARGET_DIR : ",
    "-" * 86 + "E",
    "CVantoExeApp::InitInstance> Windows Directory : ",
    "CVantoExeApp::InitInstance> System Directory : ",
    "CVantoExeApp::InitInstance> m_nKillLoomBrowserFlag : ",
    "CVantoExeApp::InitInstance> m_nKillLoomBrowser5Flag : ",
]


def long_command_line(**fields):
    """The 40 fields joined by 0x1A; fields not given are empty."""
    unknown = set(fields) - set(LONG_FIELDS)
    if unknown:
        raise KeyError(unknown)
    return "\x1a".join(str(fields.get(name, "")) for name in LONG_FIELDS)


def decode_log(data):
    """Log bytes as text: byte-inverted files are turned back first."""
    # Text mode turned every 0x0A byte into CR LF after the inversion.
    data = data.replace(b"\r\n", b"\n")
    if data and data[0] == 0xFF - ord("2"):
        data = bytes(0xFF - b for b in data)
    return data.decode("cp949", errors="replace")


_SERVER_STARTED = False


def ensure_wineserver():
    """A persistent Wine server and desktop holding no pipes of ours:
    otherwise the first Wine program starts them, they inherit its output
    pipes, and whoever reads those pipes waits for as long as they live."""
    global _SERVER_STARTED
    if not _SERVER_STARTED:
        e = harness.env()
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([e["WINESERVER"], "-p"], env=e, **quiet)
        # The prefix's helper processes (desktop, services) likewise start
        # with the first program that needs them and keep its descriptors.
        driver = harness.exe_path("vanto_uidriver.exe")
        subprocess.run([harness.loader_for(driver), driver, "desktop", "-"], env=e, timeout=120, **quiet)
        _SERVER_STARTED = True


class VantoCase(harness.WineTestCase):
    """A test folder with VantoExe, the UI driver and a test program."""

    def setUp(self):
        super().setUp()
        self.vanto = harness.exe_path("VantoExe.exe")
        if not harness.can_run(self.vanto):
            self.skipTest(harness.skip_reason(self.vanto))
        ensure_wineserver()
        self.driver = harness.exe_path("vanto_uidriver.exe")
        self.probe = harness.exe_path("vanto_probe_exit.exe")
        self.procs = []
        # Runs before the folder is removed: nothing started here survives.
        self.addCleanup(self.stop_all)

    # --- installation ---------------------------------------------------
    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def install(self, name="VantoExe.exe", sub="app", ini=None):
        """Copies the program into sub/name; writes Vanto.ini from a dict."""
        folder = self.path(sub)
        os.makedirs(folder, exist_ok=True)
        target = os.path.join(folder, name)
        shutil.copy2(self.vanto, target)
        if ini is not None:
            self.write_ini(os.path.join(folder, "Vanto.ini"), "VANTO", ini)
        return target

    def install_probe(self, *parts):
        """A copy of the console test program (it can sleep) at parts."""
        target = self.path(*parts)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy2(self.probe, target)
        return target

    @staticmethod
    def write_ini(path, section, values):
        lines = [f"[{section}]"] + [f"{k}={v}" for k, v in values.items()]
        with open(path, "wb") as f:
            f.write(("\r\n".join(lines) + "\r\n").encode("cp949"))

    # --- processes ------------------------------------------------------
    def driver_run(self, *args, timeout=60):
        """Runs the UI driver; (exit code, output). Output goes through a
        file: a Wine process may hand its pipes on to processes that outlive
        it, and waiting for the pipe's end would then wait for them."""
        out_file = self.path(f"driver_{time.monotonic_ns()}.out")
        with open(out_file, "wb") as out:
            p = subprocess.Popen([harness.loader_for(self.driver), self.driver, *args], env=harness.env(),
                                 stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL)
            try:
                rc = p.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
                rc = -1
        with open(out_file, "rb") as f:
            text = f.read().decode("utf-8", errors="replace")
        os.remove(out_file)
        return rc, text

    def start(self, exe, *args):
        """Starts exe under Wine (arguments as Wine quotes them); no wait."""
        p = subprocess.Popen([harness.loader_for(exe), exe, *args], env=harness.env(), cwd=os.path.dirname(exe),
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(p)
        return p

    def spawn(self, exe, tail):
        """Starts exe with exactly '"exe" tail' as its command line (tail in
        CP949); returns the Windows process id."""
        tail_file = self.path(f"tail_{len(self.procs)}_{time.monotonic_ns()}.txt")
        with open(tail_file, "wb") as f:
            f.write(tail.encode("cp949"))
        rc, out = self.driver_run("spawn", harness.to_windows(exe), harness.to_windows(tail_file))
        self.assertEqual(rc, 0, f"spawn of {exe} failed")
        return int(out.split()[0])

    def message_box(self, button="ok", timeout=30, folder=None):
        """Text of the next message box of a program below folder (default:
        the test folder), after pressing button; None on time-out."""
        rc, out = self.driver_run("msgbox", harness.to_windows(folder or self.dir), str(timeout * 1000), button,
                                  timeout=timeout + 30)
        return out.replace("\r\n", "\n") if rc == 0 else None

    def running(self, folder=None):
        """{pid: windows path} of processes started from below folder."""
        rc, out = self.driver_run("list", harness.to_windows(folder or self.dir))
        result = {}
        for line in out.splitlines():
            pid, _, path = line.partition(" ")
            if pid.isdigit():
                result[int(pid)] = path
        return result

    def wait_all(self, timeout=60, folder=None):
        """Waits until no process of the folder runs; False on time-out."""
        rc, _ = self.driver_run("waitgone", harness.to_windows(folder or self.dir), str(timeout * 1000),
                                timeout=timeout + 30)
        for p in self.procs:
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        return rc == 0

    def stop_all(self):
        self.driver_run("kill", harness.to_windows(self.dir))
        for p in self.procs:
            if p.poll() is None:
                p.kill()
                p.wait()

    # --- results --------------------------------------------------------
    @staticmethod
    def read_ini_value(path, section, key):
        if not os.path.exists(path):
            return None
        current = None
        with open(path, "rb") as f:
            for raw in f.read().decode("cp949").splitlines():
                line = raw.strip()
                if line.startswith("[") and line.endswith("]"):
                    current = line[1:-1]
                elif current == section and "=" in line:
                    k, _, v = line.partition("=")
                    if k.strip() == key:
                        return v.strip()
        return None

    def result_code(self, target):
        """RESULT of target/VantoExe.ini, or None without the file."""
        return self.read_ini_value(os.path.join(target, "VantoExe.ini"), "VANTOEXE", "RESULT")

    def log_text(self, target):
        """All log files of target/log, oldest first, as one text."""
        return "".join(decode_log(data) for _, data in sorted(self.log_snapshot(target).items()))

    def log_snapshot(self, target):
        """The log files of target/log and their bytes now."""
        files = {}
        for name in glob.glob(os.path.join(target, "log", "VantoExe_*.log")):
            with open(name, "rb") as f:
                files[name] = f.read()
        return files

    def log_since(self, target, before):
        """What the log files of target gained since before (a log_snapshot
        result). Each process writes a file of its own, named by time and
        process id, so a later run's file can sort before an earlier one's:
        compare file by file, never slice the joined text by length."""
        parts = []
        for name, data in sorted(self.log_snapshot(target).items()):
            old = before.get(name)
            text = decode_log(data)
            parts.append(text if old is None else text[len(decode_log(old)):])
        return "".join(parts)

    def assert_in_order(self, text, needles):
        pos = 0
        for needle in needles:
            found = text.find(needle, pos)
            self.assertNotEqual(found, -1, f"missing or out of order: {needle!r}")
            pos = found + len(needle)

    def assert_startup_log(self, target):
        self.assert_in_order(self.log_text(target), STARTUP_LINES)

    @staticmethod
    def today():
        return datetime.date.today().strftime("%Y%m%d")

    def desktop_dir(self):
        """Linux path of the prefix user's desktop folder."""
        users = os.path.join(harness.prefix(), "drive_c", "users")
        for user in os.listdir(users):
            desktop = os.path.join(users, user, "Desktop")
            if user != "Public" and os.path.isdir(desktop):
                return desktop
        raise FileNotFoundError("no desktop folder in the prefix")


class PublishedCase(VantoCase):
    """A VantoCase with the publish test server on 127.0.0.1 serving
    self.pub/vanto, and self.target as the client's folder."""

    def setUp(self):
        super().setUp()
        import sys
        sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "server"))
        from publish_server import PublishServer
        self.pub = self.path("pub")
        os.makedirs(os.path.join(self.pub, "vanto"))
        self.server = PublishServer(self.pub).start()
        self.addCleanup(self.server.stop)
        self.target = self.path("target")

    def publish(self, rel, data, mtime=None):
        """Puts data at /vanto/rel on the server, with mtime when given."""
        return harness.write_file(os.path.join(self.pub, "vanto", *rel.split("/")), data, mtime)

    def write_list(self, lines, mtime=None):
        text = "".join(line + "\r\n" for line in ["# test list", *lines])
        return self.publish("Vanto.lst", text.encode("cp949"), mtime)

    def ini(self, **extra):
        """Vanto.ini values that point at the test server and the target."""
        values = {"TARGET_DIR": harness.to_windows(self.target), "SVR_IP_ADDR": "127.0.0.1",
                  "SVR_PORT_NO": str(self.server.port), "DOWNLOAD_BASE_URL": "/vanto", "LIST_FILE_NAME": "Vanto.lst",
                  "LOG_ENCODE_FLAG": "0"}
        values.update({k: str(v) for k, v in extra.items()})
        return values

    def local(self, *parts):
        """Linux path of a file below the target; parts may hold "/"."""
        return os.path.join(self.target, *"/".join(parts).split("/"))

    def read_local(self, *parts):
        """Bytes of a file below the target; None when it is not there."""
        try:
            with open(self.local(*parts), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None
