"""vantoctl probe: how the client sees a file on the server with a given
configuration, optionally downloading it with backup and restore."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from http_case import OLD, Output, publish_server  # noqa: E402

DATA = b"published content\r\n" * 100


class ProbeCase(harness.WineTestCase):
    tls = None

    def setUp(self):
        super().setUp()
        self.exe = harness.exe_path("vantoctl.exe")
        self.root = os.path.join(self.dir, "server")
        os.makedirs(os.path.join(self.root, "pub", "bin"))
        with open(os.path.join(self.root, "pub", "bin", "app.dll"), "wb") as f:
            f.write(DATA)
        os.utime(os.path.join(self.root, "pub", "bin", "app.dll"), (1444512000, 1444512000))
        self.server = publish_server.PublishServer(self.root, tls=self.tls, cert_dir=self.dir).start()
        self.addCleanup(self.server.stop)

    def write_ini(self, **extra):
        values = {"SVR_IP_ADDR": "127.0.0.1", "SVR_PORT_NO": str(self.server.port), "DOWNLOAD_BASE_URL": "/pub/",
                  "TARGET_DIR": "C:\\unused"}
        values.update(extra)
        path = os.path.join(self.dir, "probe.ini")
        with open(path, "wb") as f:
            f.write(("[SITE]\r\n" + "".join(f"{k}={v}\r\n" for k, v in values.items())).encode("cp949"))
        return harness.to_windows(path)

    def probe(self, *args, expect=None):
        """(exit code, output); with expect, the exit code is checked first."""
        r = harness.run(self.exe, ["probe", *args], timeout=120)
        self.assertFalse(r.timed_out, harness.describe(r))
        if expect is not None:
            self.assertEqual(r.returncode, expect, harness.describe(r))
        return r.returncode, Output(r.stdout)


class ProbeTest(ProbeCase):
    def test_file_information(self):
        rc, out = self.probe("--ini", self.write_ini(), "--section", "SITE", "bin/app.dll")
        self.assertEqual(rc, 0)
        self.assertEqual(out["info_result"], "0")
        self.assertEqual(out["m_strModifyTime"], "20151010212000")
        self.assertEqual(out["m_strFileSize"], str(len(DATA)))
        self.assertEqual((out["m_nChunkedFlag"], out["m_nGzipFlag"]), ("0", "0"))

    def test_gzip_chunked_answer_and_download(self):
        self.server.set_rule("pub/bin/app.dll", gzip=True, chunked=True)
        local = os.path.join(self.dir, "local", "app.dll")
        os.makedirs(os.path.dirname(local))
        with open(local, "wb") as f:
            f.write(OLD)
        rc, out = self.probe("--ini", self.write_ini(), "--section", "SITE", "bin/app.dll", "--download",
                             harness.to_windows(local))
        self.assertEqual(rc, 0)
        self.assertEqual((out["m_nChunkedFlag"], out["m_nGzipFlag"], out["m_strFileSize"]), ("1", "1", ""))
        self.assertEqual(out["download_result"], "0")
        with open(local, "rb") as f:
            self.assertEqual(f.read(), DATA)
        self.assertFalse(os.path.exists(local + ".dll"))

    def test_failed_download_restores_and_reports(self):
        self.server.set_rule("pub/bin/app.dll", close_after=100)
        local = os.path.join(self.dir, "app.dll")
        with open(local, "wb") as f:
            f.write(OLD)
        rc, out = self.probe("--ini", self.write_ini(), "--section", "SITE", "bin/app.dll", "--download",
                             harness.to_windows(local))
        self.assertEqual(rc, 1)
        self.assertEqual(out["download_result"], "-4")
        with open(local, "rb") as f:
            self.assertEqual(f.read(), OLD)

    def test_missing_file_and_bad_usage(self):
        _, out = self.probe("--ini", self.write_ini(), "--section", "SITE", "bin/none.dll", expect=1)
        self.assertEqual(out["info_result"], "-5")
        rc, _ = self.probe("bin/app.dll")
        self.assertEqual(rc, 2)
        rc, _ = self.probe("--ini", harness.to_windows(os.path.join(self.dir, "none.ini")), "bin/app.dll")
        self.assertEqual(rc, 2)


class ProbeCertificateTest(ProbeCase):
    tls = "self-signed"

    def test_certificate_error_is_printed_not_asked(self):
        rc, out = self.probe("--ini", self.write_ini(SVR_HTTPS="2"), "--section", "SITE", "bin/app.dll")
        self.assertEqual(rc, 1)
        self.assertEqual(out["info_result"], "-9")
        self.assertEqual(out["error_code"], "12045")
        self.assertTrue(out["certificate_error"].startswith("인증서 오류가 발생 했습니다."))


if __name__ == "__main__":
    harness.main()
