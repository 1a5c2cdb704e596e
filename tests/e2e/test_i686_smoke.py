"""The shipped 32-bit VantoExe.exe, one whole run: start-up from Vanto.ini
("R", as the launcher starts it), the list file, downloads (plain, gzip with
chunked transfer, a Korean name), the dialog closing itself, the exit
sequence and the result file.

Exactly one 32-bit process: where 32-bit programs run through qemu, each
process start costs about a minute, so nothing else here is 32-bit (the
publish server is Python, the prefix's desktop is 64-bit)."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import vanto  # noqa: E402
from http_case import publish_server  # noqa: E402

FILES = {
    "bin/app.dll": os.urandom(9000),
    "html/index.html": b"<html>" + b"vanto " * 2000 + b"</html>",
    "data/설정.ini": "[A]\r\nB=1\r\n".encode("cp949"),
}
# Under qemu: a minute to start, then the run itself emulated.
RUN_LIMIT = 900


class I686SmokeTest(harness.WineTestCase):
    def test_whole_run_of_the_shipped_program(self):
        exe = harness.exe_path("VantoExe.exe")
        loader = harness.loader_for(exe)  # skips, with the reason, where it cannot run
        pub = os.path.join(self.dir, "pub")
        for rel, data in FILES.items():
            path = os.path.join(pub, "vanto", *rel.split("/"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
        with open(os.path.join(pub, "vanto", "Vanto.lst"), "wb") as f:
            f.write(("# smoke\r\n" + "\r\n".join(FILES) + "\r\n").encode("cp949"))
        server = publish_server.PublishServer(pub).start()
        self.addCleanup(server.stop)
        server.set_rule("vanto/html/index.html", gzip=True, chunked=True)

        app, target = os.path.join(self.dir, "app"), os.path.join(self.dir, "target")
        os.makedirs(app)
        installed = os.path.join(app, "VantoExe.exe")
        with open(exe, "rb") as src, open(installed, "wb") as dst:
            dst.write(src.read())
        vanto.VantoCase.write_ini(os.path.join(app, "Vanto.ini"), "VANTO", {
            "TARGET_DIR": harness.to_windows(target), "SVR_IP_ADDR": "127.0.0.1", "SVR_PORT_NO": str(server.port),
            "DOWNLOAD_BASE_URL": "/vanto", "LIST_FILE_NAME": "Vanto.lst", "LOG_ENCODE_FLAG": "0"})

        harness.ensure_wine_session()
        started = time.monotonic()
        # Output detached: a Wine process may hand its descriptors on.
        proc = subprocess.Popen([loader, installed, "R"], env=harness.env(), cwd=app, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        try:
            rc = proc.wait(timeout=RUN_LIMIT)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, 9)
            proc.wait()
            self.fail(f"no end within {RUN_LIMIT} s; log so far:\n{self.log(target)[-3000:]}")
        print(f"i686 VantoExe.exe: whole run in {time.monotonic() - started:.0f} s, "
              f"32-bit programs here: {harness.i386_runtime()}", file=sys.stderr)

        log = self.log(target)
        self.assertEqual(rc, 0, log[-3000:])
        self.assertEqual(vanto.VantoCase.read_ini_value(os.path.join(target, "VantoExe.ini"), "VANTOEXE", "RESULT"),
                         "0", log[-3000:])
        for rel, data in FILES.items():
            with open(os.path.join(target, *rel.split("/")), "rb") as f:
                self.assertEqual(f.read(), data, rel)
        self.assertEqual(server.count("GET"), 1 + len(FILES))
        pos = 0
        for needle in vanto.STARTUP_LINES + [
                "CVantoExeDlg::GetServerFileInfo> Content encoding GZIP.",
                "CVantoExeDlg::OnRequestStart> IsAlreadyLastVersion() RetVal = 0",
                "CVantoExeDlg::OnDownComplete> Recv WMU_DOWN_COMPLETE Message, WPARAM = 0, LPARAM = 0",
                "CVantoExeApp::ExitInstance> pResultValue = 0",
                "CVantoExeApp::ExitInstance> Delete g_pMyLog Object"]:
            found = log.find(needle, pos)
            self.assertNotEqual(found, -1, f"missing or out of order: {needle!r}")
            pos = found + len(needle)

    @staticmethod
    def log(target):
        parts = []
        for name in sorted(os.listdir(os.path.join(target, "log"))) if os.path.isdir(os.path.join(target, "log")) else []:
            with open(os.path.join(target, "log", name), "rb") as f:
                parts.append(vanto.decode_log(f.read()))
        return "".join(parts)


if __name__ == "__main__":
    harness.main()
