"""Helpers for end-to-end tests of the HTTP transport: a publish server per
test, the HTTP driver (tests/tools/http_driver.cpp) run under Wine with a
settings file, its key=value output parsed, and the log read back."""
import glob
import os
import sys

import harness

sys.path.insert(0, os.path.join(harness.SOURCE_DIR, "tests", "server"))
import publish_server  # noqa: E402

OLD = b"old content of the file\r\n" * 40


class Output:
    """The driver's key=value lines: the last value per key, and every row
    and question in order."""

    def __init__(self, data):
        self.text = data.decode("cp949", errors="replace")
        self.values = {}
        self.rows = []
        self.asks = []
        for line in self.text.split("\n"):
            key, sep, value = line.partition("=")
            if not sep:
                if self.asks and line:
                    self.asks[-1] += "\n" + line  # the question spans lines
                continue
            if key == "row":
                self.rows.append(value)
            elif key == "ask":
                self.asks.append(value)
            else:
                self.values[key] = value

    def __getitem__(self, key):
        return self.values[key]

    def int(self, key):
        return int(self.values[key])


class HttpCase(harness.WineTestCase):
    tls = None

    def setUp(self):
        super().setUp()
        self.exe = harness.exe_path("vanto_http_driver.exe")
        if not harness.can_run(self.exe):
            self.skipTest(harness.skip_reason(self.exe))
        self.root = os.path.join(self.dir, "server")
        os.makedirs(os.path.join(self.root, "pub"))
        self.server = publish_server.PublishServer(self.root, tls=self.tls, cert_dir=self.dir).start()
        self.addCleanup(self.server.stop)
        self.settings = {"SVR_IP_ADDR": "127.0.0.1", "SVR_PORT_NO": str(self.server.port),
                         "DOWNLOAD_BASE_URL": "/pub", "m_dwConnectTimeOut": "20000",
                         "m_dwSendTimeOut": "20000", "m_dwRecvTimeOut": "20000"}
        self.run_count = 0

    def publish(self, rel, data, mtime=None):
        return harness.write_file(os.path.join(self.root, "pub", *rel.split("/")), data, mtime)

    def local(self, *parts):
        return os.path.join(self.dir, "target", *parts)

    def put_local(self, rel, data=OLD):
        return harness.write_file(self.local(*rel.split("/")), data)

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def drive(self, *commands, extra_env=None, timeout=120):
        """Runs the driver with the current settings; returns its Output."""
        self.run_count += 1
        settings = os.path.join(self.dir, f"settings{self.run_count}.txt")
        with open(settings, "wb") as f:
            f.write("".join(f"{k}={v}\n" for k, v in self.settings.items()).encode("cp949"))
        self.logdir = os.path.join(self.dir, f"log{self.run_count}")
        os.makedirs(self.logdir)
        r = harness.run(self.exe, [harness.to_windows(settings), harness.to_windows(self.logdir), *commands],
                        timeout=timeout, extra_env=extra_env)
        self.assertFalse(r.timed_out, "driver timed out")
        self.assertEqual(r.returncode, 0, harness.describe(r))
        return Output(r.stdout)

    def log(self):
        parts = []
        for name in sorted(glob.glob(os.path.join(self.logdir, "*.log"))):
            with open(name, "rb") as f:
                parts.append(f.read().replace(b"\r\n", b"\n").decode("cp949", errors="replace"))
        return "".join(parts)

    def download(self, rel, local, *options, date_flag=1, **kw):
        """item + options + download; returns Output."""
        return self.drive("item", rel, harness.to_windows(local), *options, "download", str(date_flag), **kw)
