"""VantoExe runs as administrator; its own folder and the target folder (its
working folder during registration) may be writable by other users. A
whole run with files planted in both: a bcrypt.dll, a wininet.dll and a
regedit.exe, as another user could drop them there. None may be loaded or
started. The
run also registers, in process, a COM server that needs a DLL lying beside
it: that dependency must still be found.

Why bcrypt.dll and wininet.dll stand for the planted DLLs: under Wine a DLL is taken from
the program's folder only when Wine is told to prefer files over its own
built-in DLLs (WINEDLLOVERRIDES "n,b"), which is how Windows treats every
DLL. Wine's own user32.dll imports version.dll and zlib1.dll, so with that
setting Wine itself would load a planted copy of those two; bcrypt.dll and
wininet.dll are of the same kind (system DLLs outside KnownDLLs that the
program uses) and Wine's start-up does not touch them. That VantoExe imports no zlib1.dll
at all is checked from its import table (tests/imports).

Both builds, the shipped i686 one included, load these DLLs (and version
and gdiplus) at their first call from the system folder by full path; a
build that imports them the plain way loads the copies beside the program
at start and fails here."""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import vanto  # noqa: E402

SERVERS_KEY = "HKCU\\Software\\VantoTest\\ComServers"
PLANTED_KEY = "HKCU\\Software\\VantoTest\\Planting"
RUN_LIMIT = 180
# The recording DLL under both names: as wininet.dll it lacks WinINet's
# functions, so a build that imported WinINet the plain way does not even
# start (Wine's loader then stops at its error message until RUN_LIMIT).
PLANTED_DLLS = ("bcrypt.dll", "wininet.dll")


def reg_query(key):
    return harness.wine_tool(["reg", "query", key]).stdout.decode("cp949", errors="replace")


class DllPlantingTest(vanto.PublishedCase):
    def test_planted_dll_and_registry_editor_are_never_used(self):
        def fixture(name):
            with open(harness.exe_path(name), "rb") as f:
                return f.read()
        self.publish("com/depends.ocx", fixture("vanto_com_depends.dll"))
        self.publish("com/vanto_com_helper.dll", fixture("vanto_com_helper.dll"))
        self.publish("settings.reg", ("REGEDIT4\r\n\r\n[" + PLANTED_KEY.replace("HKCU", "HKEY_CURRENT_USER") +
                                      "]\r\n\"Imported\"=\"yes\"\r\n\r\n").encode("cp949"))
        # The helper first: the server is registered after all downloads.
        self.write_list(["com/vanto_com_helper.dll", "com/depends.ocx,,,REG", "settings.reg,,,REF"])
        harness.wine_tool(["reg", "delete", PLANTED_KEY, "/f"])
        self.addCleanup(harness.wine_tool, ["reg", "delete", PLANTED_KEY, "/f"])

        exe = self.install(ini=self.ini(OCX_FILE_REGISTRY_MODE=1))
        app = os.path.dirname(exe)
        planted = []
        for folder in (app, self.target):
            os.makedirs(folder, exist_ok=True)
            shutil.copy2(harness.exe_path("vanto_recorder.exe"), os.path.join(folder, "regedit.exe"))
            planted.append(os.path.join(folder, "regedit.exe.rec"))
            for dll in PLANTED_DLLS:
                shutil.copy2(harness.exe_path("planted_bcrypt.dll"), os.path.join(folder, dll))
                planted.append(os.path.join(folder, dll + ".calls"))

        env = harness.env()
        env["WINEDLLOVERRIDES"] = env.get("WINEDLLOVERRIDES", "") + ";" + ",".join(
            dll[:-len(".dll")] for dll in PLANTED_DLLS) + "=n,b"
        harness.ensure_wine_session()
        # Started from its own folder, as the launcher starts the working copy.
        proc = subprocess.Popen([harness.loader_for(exe), exe, "R"], env=env, cwd=app, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        try:
            proc.wait(timeout=RUN_LIMIT)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, 9)
            proc.wait()
            self.fail(f"no end within {RUN_LIMIT} s; log:\n{self.log_text(self.target)[-3000:]}")
        log = self.log_text(self.target)
        self.assertEqual(self.result_code(self.target), "0", log[-3000:])

        # The registry file was imported by the Windows folder's editor
        # (not waited for by the run).
        deadline = time.monotonic() + 30
        while "Imported" not in reg_query(PLANTED_KEY) and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertIn("yes", reg_query(PLANTED_KEY), "the registry file was not imported")

        # The COM server found its helper beside it and registered in process.
        server = harness.to_windows(self.local("com/depends.ocx"))
        self.assertIn(f"CVantoExeDlg::HandleRegisterTypeFilesByRegSvr32> File({server}) is registered.", log)
        with open(self.local("com/depends.ocx") + ".calls", "rb") as f:
            self.assertIn(b"register VantoExe.exe", f.read())
        self.assertIn(server.lower(), reg_query(SERVERS_KEY).lower())
        harness.wine_tool(["reg", "delete", SERVERS_KEY, "/v", server, "/f"])

        # Nothing planted was loaded or started.
        for path in planted:
            if os.path.exists(path):
                with open(path, "rb") as f:
                    self.fail(f"{path} shows the planted file was used:\n{f.read().decode(errors='replace')}")


if __name__ == "__main__":
    harness.main()
