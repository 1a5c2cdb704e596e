"""File integrity and the administrators' publish tools under Wine, against
the publish test server on 127.0.0.1:

- a run with the list's SHA-256 digests: right digests (also of a
  gzip-encoded answer, hashed after decoding) succeed, a field 7 that is not
  exactly "sha256:" + 64 hex digits is ignored, a file altered on the server
  (same size and time) fails with -8, its row and log lines, and the old file
  is back; the next run, with the file put right, fetches it and succeeds and
  hashes nothing that was current;
- vantoctl log decode on that run's encoded log and the next run's plain one;
- vantoctl publish verify: a missing file, a size and a time that differ, a
  bad digest, and two entries that reach the same local file on Windows.
"""
import calendar
import glob
import hashlib
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import vanto  # noqa: E402

PREFIX = "CVantoExeDlg::DownloadOneFileFromServer> "
STAMP = calendar.timegm((2024, 5, 6, 7, 8, 9))  # every published file's time
STAMP_TEXT = time.strftime("%Y%m%d%H%M%S", time.gmtime(STAMP))  # as clients compare it (GMT)
TEXT = "".join(f"line {i} of the published text\r\n" for i in range(3000)).encode()
GOOD = os.urandom(9000)
INTENDED = os.urandom(20000)
ALTERED = INTENDED[:100] + bytes(255 - b for b in INTENDED[100:200]) + INTENDED[200:]
OLD = b"the version the client has"


def sha(data):
    return hashlib.sha256(data).hexdigest()


class PublishCase(vanto.PublishedCase):
    def publish(self, rel, data, mtime=STAMP):
        return super().publish(rel, data, mtime)

    def write_list(self, lines, mtime=STAMP):
        super().write_list(lines, mtime)

    def vantoctl(self, *args):
        r = harness.run(harness.exe_path("vantoctl.exe"), list(args), timeout=180)
        self.assertFalse(r.timed_out)
        return r


class IntegrityRunTest(PublishCase):
    def rows(self, sub):
        rc, out = self.driver_run("rows", harness.to_windows(self.path(sub)), "30000")
        self.assertEqual(rc, 0, "no message list to read")
        return out.splitlines()

    def log_files(self):
        return sorted(glob.glob(os.path.join(self.target, "log", "VantoExe_*.log")))

    def test_digests_on_download_and_log_decoding(self):
        self.publish("bin/good.dll", GOOD)
        self.publish("bin/zipped.txt", TEXT)
        self.server.set_rule("vanto/bin/zipped.txt", gzip=True)
        self.publish("bin/other.dat", TEXT[:5000])
        self.publish("bin/bad.dll", ALTERED)  # same size and time as the intended file
        self.write_list([
            "bin/good.dll,,,,,,sha256:" + sha(GOOD),
            # A gzip answer needs the decoded size in the list; the digest is of the decoded file.
            "bin/zipped.txt,,,,%s,%d,SHA256:%s" % (STAMP_TEXT, len(TEXT), sha(TEXT).upper()),
            "bin/other.dat,,,,,,sha256:" + sha(b"x") + "0",  # 65 digits: not a digest, ignored
            "bin/bad.dll,,,,,,sha256:" + sha(INTENDED),
        ])
        os.makedirs(os.path.dirname(self.local("bin/bad.dll")))
        with open(self.local("bin/bad.dll"), "wb") as f:
            f.write(OLD)

        # Run 1, with an encoded log (only a 40-field command line sets that): the altered file fails; the user
        # declines to go on.
        exe = self.install(sub="app")
        settings = {k: v for k, v in self.ini().items() if k != "LOG_ENCODE_FLAG"}
        self.spawn(exe, vanto.long_command_line(m_strStartMode="0", LOG_ENCODE_FLAG="1", TIME_CHECK_SPAN="5",
                                                ENCODE_URL_UTF="1", FILE_COMPARE_GMT_TIME="1", **settings))
        box = self.message_box("no", folder=self.path("app"))
        self.assertIsNotNone(box, "no question after the failed file")
        self.assertTrue(box.startswith("모든 다운로드 과정을 완료했지만,"), box)
        self.assertIn("bin/bad.dll 파일 다운로드 실패(-8) : 파일 해시(SHA-256) 불일치", self.rows("app"))
        self.click(1)  # Close
        self.assertTrue(self.wait_all(timeout=60, folder=self.path("app")))
        self.assertEqual(self.result_code(self.target), "1", "closed by the user after the failed run")
        self.assertEqual(self.read_local("bin/bad.dll"), OLD, "the old file is back")
        self.assertFalse(os.path.exists(self.local("bin/bad.dll") + ".dll"), "no backup left behind")
        self.assertEqual(self.read_local("bin/good.dll"), GOOD)
        self.assertEqual(self.read_local("bin/zipped.txt"), TEXT)
        self.assertEqual(self.read_local("bin/other.dat"), TEXT[:5000])
        encoded = self.log_files()  # two when the run crossed a full hour
        stored = b"".join(self.read_file(name) for name in encoded)
        self.assertNotIn(b"SHA-256", stored, "the run's log is encoded")
        log = vanto.decode_log(stored)
        self.assertIn(PREFIX + "Down File SHA-256 Mismatch(%s), Expected = %s, Actual = %s"
                      % (harness.to_windows(self.local("bin/bad.dll")), sha(INTENDED), sha(ALTERED)), log)
        self.assertIn("CVantoExeDlg::DownloadFilesInListFromServer> DownloadOneFileFromServer() Fail, RetVal = -8",
                      log)
        self.assertEqual(log.count(PREFIX + "Down File SHA-256 Validation Success"), 2)  # good, zipped
        self.assertIn("CVantoExeDlg::OnRequestStart> Post WM_DOWN_COMPLETE Message, 3, 0", log)

        # Run 2, plain log: the file put right is fetched; nothing current is hashed.
        self.publish("bin/bad.dll", INTENDED)
        exe = self.install(sub="app2", ini=self.ini())
        self.spawn(exe, "R")
        self.assertTrue(self.wait_all(timeout=60, folder=self.path("app2")))
        self.assertEqual(self.result_code(self.target), "0")
        self.assertEqual(self.read_local("bin/bad.dll"), INTENDED)
        plain_files = [name for name in self.log_files() if name not in encoded]
        plain = b"".join(self.read_file(name) for name in plain_files)
        self.assertEqual(plain.count(b"Down File SHA-256 Validation Success"), 1)
        self.assertEqual(plain.count(b"SHA-256"), 1)

        # log decode: the encoded log as the plain file VantoExe would have written, then the plain log as it is.
        r = self.vantoctl("log", "decode", *[harness.to_windows(name) for name in encoded + plain_files])
        self.assertEqual(r.returncode, 0, r.stderr)
        decoded = r.stdout[:len(r.stdout) - len(plain)]
        self.assertEqual(r.stdout[len(decoded):], plain)
        # The reader's rule (drop the CR before each LF, invert), then the plain stream's CR before each LF; the
        # unit tests compare with the writer's own plain file.
        reference = bytes(255 - b for b in stored.replace(b"\r\n", b"\n")).replace(b"\n", b"\r\n")
        self.assertEqual(decoded, reference)
        self.assertTrue(decoded.startswith(b"20") and decoded.endswith(b"\r\n"))
        r = self.vantoctl("log", "decode", harness.to_windows(self.path("none.log")))
        self.assertEqual(r.returncode, 2)

    @staticmethod
    def read_file(name):
        with open(name, "rb") as f:
            return f.read()

    def click(self, control_id):
        rc, _ = self.driver_run("click", harness.to_windows(self.path("app")), "30000", str(control_id), timeout=60)
        self.assertEqual(rc, 0, "no progress dialog to click")


class PublishVerifyTest(PublishCase):
    def setUp(self):
        super().setUp()
        self.publish("bin/good.dll", GOOD)
        self.publish("bin/size.dll", GOOD)
        self.publish("bin/time.dll", GOOD)
        self.publish("bin/bad.dll", ALTERED)
        self.publish("docs/Index.html", b"<html>upper</html>")
        self.publish("docs/index.html", b"<html>lower</html>")
        self.ini_path = self.path("verify.ini")
        self.write_ini(self.ini_path, "SITE", self.ini())

    def verify(self):
        r = self.vantoctl("publish", "verify", "--ini", harness.to_windows(self.ini_path), "--section", "SITE")
        return r.returncode, r.stdout.decode("cp949").splitlines()

    def test_problems_one_line_each(self):
        good = "bin/good.dll,,,,%s,%d,sha256:%s" % (STAMP_TEXT, len(GOOD), sha(GOOD))
        self.write_list([
            good,                                                                  # line 2
            "bin/missing.dll",                                                     # 3
            "bin/size.dll,,,,%s,%d" % (STAMP_TEXT, len(GOOD) + 1),            # 4
            "bin/time.dll,,,,20200101000000,%d" % len(GOOD),                      # 5
            "bin/bad.dll,,,,,,sha256:" + sha(INTENDED),                            # 6
            "docs/Index.html",                                                     # 7
            "docs/index.html",                                                     # 8
            "bin/gone.dll,,,DEL",                                                  # 9: never asked
        ])
        rc, lines = self.verify()
        self.assertEqual(rc, 1)
        local = harness.to_windows(self.local("docs/index.html"))
        self.assertEqual(lines, [
            "line 3: bin/missing.dll: not reachable (result -5: status other than 200, or proxy authentication "
            "failed)",
            "line 4: bin/size.dll: size differs: list %d, server %d" % (len(GOOD) + 1, len(GOOD)),
            "line 5: bin/time.dll: time differs: list 20200101000000, server %s (TIME_CHECK_SPAN 5 s)"
            % STAMP_TEXT,
            "line 6: bin/bad.dll: SHA-256 differs: list %s, server %s" % (sha(INTENDED), sha(ALTERED)),
            "line 8: docs/index.html: same local file on Windows as line 7 (docs/Index.html): " + local,
        ])
        self.assertEqual(self.server.count("HEAD", "vanto/bin/gone.dll"), 0)

        self.write_list([good])
        self.assertEqual(self.verify(), (0, []))

    def test_unreachable_list_and_bad_usage(self):
        rc, lines = self.verify()  # no list published
        self.assertEqual(rc, 1)
        self.assertEqual(lines, ["list file Vanto.lst: not reachable (result -5: status other than 200, or proxy "
                                 "authentication failed)"])
        for args in (["publish", "verify"], ["publish", "verify", "--ini", self.win("none.ini")]):
            r = self.vantoctl(*args)
            self.assertEqual(r.returncode, 2, harness.describe(r))


if __name__ == "__main__":
    harness.main()
