"""Runs the Windows programs of a build under Wine for end-to-end tests.

Every test gets its own folder, a prefix-side path, and a time limit; the
Wine environment is the project's (Korean locale, code page 949).
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

SOURCE_DIR = os.environ.get("VANTO_SOURCE_DIR") or os.path.abspath(
    os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD_DIR = os.environ.get("VANTO_BUILD_DIR") or os.path.join(SOURCE_DIR, "build", "win64")
SKIP_CODE = 77


def wine_env():
    """The environment of scripts/wine-env.sh, read once."""
    script = os.path.join(SOURCE_DIR, "scripts", "wine-env.sh")
    out = subprocess.run(["bash", "-c", f'source "{script}" && env -0'],
                         check=True, capture_output=True).stdout
    env = {}
    for entry in out.split(b"\0"):
        if b"=" in entry:
            key, _, value = entry.partition(b"=")
            env[key.decode()] = value.decode()
    return env


_ENV = None


def env():
    global _ENV
    if _ENV is None:
        subprocess.run([os.path.join(SOURCE_DIR, "scripts", "wine-prefix.sh")], check=True)
        _ENV = wine_env()
    return dict(_ENV)


def prefix():
    return env()["WINEPREFIX"]


def pe_machine(path):
    with open(path, "rb") as f:
        data = f.read(4096)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    return {0x14C: "i386", 0x8664: "x86_64"}.get(struct.unpack_from("<H", data, pe + 4)[0], "unknown")


_I386_RUNTIME = None

QEMU_SKIP = ("32-bit programs run through qemu on this machine (about a minute per process start): "
             "only the i686 smoke set runs (CTest label i686_smoke)")


def i386_runtime():
    """How this machine runs 32-bit programs: 'native', 'qemu' or
    'none: REASON' (scripts/i386-runtime.sh), asked once per process."""
    global _I386_RUNTIME
    if _I386_RUNTIME is None:
        r = subprocess.run([os.path.join(SOURCE_DIR, "scripts", "i386-runtime.sh")], capture_output=True, text=True)
        _I386_RUNTIME = r.stdout.strip() or "none: scripts/i386-runtime.sh gave no answer"
    return _I386_RUNTIME


def skip_reason(exe):
    """Why exe cannot run in this test; None when it can. Through qemu only
    the tests marked as the i686 smoke set (VANTO_I686_SMOKE=1) run."""
    if pe_machine(exe) != "i386":
        return None
    runtime = i386_runtime()
    if runtime == "native":
        return None
    if runtime == "qemu":
        return None if os.environ.get("VANTO_I686_SMOKE") == "1" else QEMU_SKIP
    return runtime.partition(": ")[2] or runtime


def can_run(exe):
    """False where this test cannot run the program (see skip_reason)."""
    return skip_reason(exe) is None


def loader_for(exe):
    """The Wine loader for exe; skips the calling test where it cannot run."""
    reason = skip_reason(exe)
    if reason:
        raise unittest.SkipTest(f"{os.path.basename(exe)}: {reason}")
    e = env()
    return e["VANTO_WINE32"] if pe_machine(exe) == "i386" else e["VANTO_WINE64"]


def exe_path(name):
    """A program built in this build tree, by file name."""
    for root, _dirs, files in os.walk(BUILD_DIR):
        if name in files and "wineprefix" not in root:
            return os.path.join(root, name)
    raise FileNotFoundError(f"{name} not built in {BUILD_DIR}")


def to_windows(path):
    """Windows view of a Linux path: the prefix's C: drive, or Z:."""
    path = os.path.abspath(path)
    drive_c = os.path.join(prefix(), "drive_c")
    if path == drive_c or path.startswith(drive_c + os.sep):
        return "C:" + path[len(drive_c):].replace("/", "\\") or "C:\\"
    return "Z:" + path.replace("/", "\\")


class Result:
    def __init__(self, returncode, stdout, stderr, timed_out):
        self.returncode = returncode
        self.stdout = stdout
        self.stderr = stderr
        self.timed_out = timed_out


def write_file(path, data, mtime=None):
    """Writes data at path (folders made), with mtime when given; the path."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    if mtime is not None:
        os.utime(path, (mtime, mtime))
    return path


def describe(result):
    """Exit code and the ends of both outputs, for a failure message; with
    the end of the wineserver's log when the program may have been killed
    by the server (exit code 1, nothing on standard error)."""
    text = (f"exit code {result.returncode}{' (time-out)' if result.timed_out else ''}\n"
            f"stdout: ...{result.stdout[-1500:]!r}\nstderr: ...{result.stderr[-1500:]!r}")
    if result.returncode == 1 and not result.stderr:
        try:
            with open(prefix() + ".server.log", "rb") as f:
                text += f"\nwineserver log: ...{f.read()[-1500:]!r}"
        except OSError:
            pass
    return text


def _wine_services_running(wineprefix):
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if f.read().split(b"\0")[0] != b"C:\\windows\\system32\\services.exe":
                    continue
            with open(f"/proc/{pid}/environ", "rb") as f:
                if b"WINEPREFIX=" + wineprefix.encode() in f.read().split(b"\0"):
                    return True
        except OSError:
            continue
    return False


def ensure_wine_session():
    """Wine's service processes keep the output pipes of the program that
    started them open for the server's lifetime; wine-prefix.sh starts them
    detached, so that no captured program is the first of a session."""
    if not _wine_services_running(env()["WINEPREFIX"]):
        subprocess.run([os.path.join(SOURCE_DIR, "scripts", "wine-prefix.sh")], check=True)


def run(exe, args=(), timeout=60, cwd=None, extra_env=None):
    """Runs exe under Wine; returns its exit code and output (bytes).

    On time-out the process is killed and timed_out is set.
    """
    ensure_wine_session()
    e = env()
    if extra_env:
        e.update(extra_env)
    proc = subprocess.Popen([loader_for(exe), exe, *args], cwd=cwd, env=e,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True)
    try:
        out, err = proc.communicate(timeout=timeout)
        return Result(proc.returncode, out, err, False)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, 9)
        out, err = proc.communicate()
        return Result(proc.returncode, out, err, True)


def wine_tool(args, timeout=60):
    """Runs one of Wine's own programs (reg, cmd) in the prefix."""
    ensure_wine_session()
    e = env()
    return subprocess.run([e["VANTO_WINE64"], *args], env=e, capture_output=True, timeout=timeout)


class WineTestCase(unittest.TestCase):
    """Gives each test a fresh folder on the prefix's C: drive."""

    def setUp(self):
        base = os.path.join(prefix(), "drive_c", "vanto_e2e")
        os.makedirs(base, exist_ok=True)
        self.dir = tempfile.mkdtemp(prefix=self._testMethodName[:20] + "_", dir=base)
        self.addCleanup(shutil.rmtree, self.dir, True)

    def win(self, *parts):
        return to_windows(os.path.join(self.dir, *parts))


def main():
    """unittest main that maps 'everything skipped' to CTest's skip code."""
    program = unittest.main(exit=False, verbosity=2)
    result = program.result
    if not result.wasSuccessful():
        sys.exit(1)
    if result.testsRun > 0 and len(result.skipped) == result.testsRun:
        sys.exit(SKIP_CODE)
    sys.exit(0)
