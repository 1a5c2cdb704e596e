"""Single file download against the publish server: every return code with
the local file afterwards as promised (new file, unchanged, or the old file
restored), the retry with a new session, gzip and chunked answers."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from http_case import OLD, HttpCase, publish_server  # noqa: E402

NEW = bytes(range(256)) * 40  # 10240 bytes
TEXT = b"".join(b"line %05d of a text file that compresses well\r\n" % i for i in range(3000))
MTIME = 1444512000  # 2015-10-10 21:20:00 GMT


class DownloadTest(HttpCase):
    def setUp(self):
        super().setUp()
        self.publish("bin/app.dll", NEW, MTIME)
        self.target = self.put_local("bin/app.dll")
        self.backup = self.target + ".dll"

    def fetch(self, *options, **kw):
        return self.download("bin/app.dll", self.target, "info", *options, **kw)

    def assert_restored(self):
        self.assertEqual(self.read(self.target), OLD)
        self.assertFalse(os.path.exists(self.backup), "backup left behind")
        self.assertFalse(os.path.exists(self.target + ".part~"), "partial file left behind")

    def test_success_new_file_with_server_time_and_no_backup(self):
        os.chmod(self.target, 0o444)  # read-only old file is replaced too
        out = self.fetch()
        self.assertEqual(out.int("download_result"), 0)
        self.assertEqual(self.read(self.target), NEW)
        self.assertFalse(os.path.exists(self.backup))
        self.assertAlmostEqual(os.path.getmtime(self.target), MTIME, delta=2)
        self.assertEqual(out["bar_last"], "100")
        log = self.log()
        self.assertIn("CVantoExeDlg::DownloadOneFileFromServer> Down File Size Validation Success", log)
        self.assertIn("CVantoExeDlg::DownloadOneFileFromServer> Delete Backup File(" + harness.to_windows(self.backup)
                      + ")", log)

    def test_no_connection_gives_minus_1_and_leaves_the_file(self):
        self.settings["SVR_IP_ADDR"] = ""
        out = self.download("bin/app.dll", self.target, "set", "size", str(len(NEW)))
        self.assertEqual(out.int("download_result"), -1)
        self.assertIn("CVantoExeDlg::DownloadOneFileFromServer> g_pHttpConnection is NULL", self.log())
        self.assert_restored()

    def test_status_404_twice_gives_minus_2_after_one_new_session(self):
        self.server.set_rule("pub/bin/app.dll", status=404)
        out = self.download("bin/app.dll", self.target, "set", "size", str(len(NEW)))
        self.assertEqual(out.int("download_result"), -2)
        self.assertEqual(self.server.count("GET"), 2)
        self.assertEqual(self.server.agents(), ["VantoExe", "VantoExe"])
        log = self.log()
        self.assertIn("CVantoExeDlg::DownloadOneFileFromServer> Create New g_pInetSession, IP(127.0.0.1) Port(%d)"
                      % self.server.port, log)
        self.assertIn("QueryInfoStatusCode(/pub/bin/app.dll) Return = 404, Message = "
                      "서버가 요청된 주소(URI)에 일치하는 자원을 찾지 못하였다.", log)
        self.assert_restored()

    def test_local_file_that_cannot_be_opened_gives_minus_3(self):
        bad = self.local("bin", "bad|name.dll")
        out = self.download("bin/app.dll", bad, "info")
        self.assertEqual(out.int("download_result"), -3)
        self.assertTrue(any(r.startswith("1|로컬 파일 열기 실패(" + harness.to_windows(bad) + "). : ")
                            for r in out.rows), out.rows)
        # No old file to put back: the row names the backup path.
        self.assertTrue(any(r.startswith("1|백업 파일 복구 실패(" + harness.to_windows(bad) + ".dll). : ")
                            for r in out.rows), out.rows)
        self.assertIn("Local File Open(" + harness.to_windows(bad) + ") Fail", self.log())

    def test_short_body_gives_minus_4_and_restores(self):
        self.server.set_rule("pub/bin/app.dll", close_after=5000)
        out = self.fetch()
        self.assertEqual(out.int("download_result"), -4)
        self.assertIn("Server File Size = 10240, Write File Size = 5000", self.log())
        self.assert_restored()

    def test_bad_time_gives_minus_5_new_file_and_backup_kept(self):
        out = self.download("bin/app.dll", self.target, "set", "size", str(len(NEW)), "set", "time", "bad")
        self.assertEqual(out.int("download_result"), -5)
        self.assertEqual(self.read(self.target), NEW)
        self.assertEqual(self.read(self.backup), OLD)  # x.dll is kept as x.dll.dll
        self.assertIn("SetFileModifyDate() Fail, RetVal = -1", self.log())

    def test_backup_of_a_file_without_extension(self):
        self.publish("README", NEW)
        readme = self.put_local("README")
        out = self.download("README", readme, "set", "size", str(len(NEW)), "set", "time", "bad")
        self.assertEqual(out.int("download_result"), -5)
        self.assertEqual(self.read(readme + ".backup"), OLD)

    def test_reset_on_first_attempt_is_recovered_with_a_new_session(self):
        self.server.set_rule("pub/bin/app.dll", reset_after=5000, times=1)
        out = self.fetch()
        self.assertEqual(out.int("download_result"), 0)
        self.assertEqual(self.read(self.target), NEW)
        self.assertFalse(os.path.exists(self.backup))
        self.assertEqual(self.server.count("GET"), 2)
        log = self.log()
        self.assertIn("CVantoExeDlg::DownloadOneFileFromServer> Close g_pHttpConnection", log)
        self.assertIn("CVantoExeDlg::DownloadOneFileFromServer> ErrMsg = ", log)

    def test_reset_on_both_attempts_gives_minus_6_and_restores(self):
        self.server.set_rule("pub/bin/app.dll", reset_after=5000)
        out = self.fetch()
        self.assertEqual(out.int("download_result"), -6)
        self.assertNotEqual(out.int("err_code"), 0)
        self.assertEqual(self.server.count("GET"), 2)
        self.assert_restored()

    def test_reset_before_the_answer_twice_gives_minus_6(self):
        self.server.set_rule("pub/bin/app.dll", reset_after=0)
        out = self.download("bin/app.dll", self.target, "set", "size", str(len(NEW)))
        self.assertEqual(out.int("download_result"), -6)
        self.assertEqual(out.int("err_code"), 12030)
        self.assert_restored()

    def test_undecodable_gzip_gives_minus_6_and_restores(self):
        broken = b"\x1f\x8b\x08\xe0" + b"\0" * 200  # reserved flag bits
        self.publish("bin/app.dll", broken, MTIME)
        self.server.set_rule("pub/bin/app.dll", content_encoding="gzip")
        out = self.fetch()
        self.assertEqual(out.int("download_result"), -6)
        self.assert_restored()
        log = self.log()
        self.assertIn("CVantoExeDlg::UnCompressGzipFile> Failed GZipUnCompress(). pUnCompressBuff==NULL or "
                      "dwUnCompressSize==0", log)
        self.assertIn("UnCompressGzipFile(" + harness.to_windows(self.target) + ") Failed.", log)

    def test_size_beyond_4_gib_closed_early_gives_minus_4_and_restores(self):
        # 2**32 + 5000: cut to 32 bits it would look like the 5000 bytes sent.
        self.server.set_rule("pub/bin/app.dll", content_length=4294972296, close_after=5000)
        out = self.fetch()
        self.assertEqual(out["m_strFileSize"], "4294972296")
        self.assertEqual(out.int("download_result"), -4)
        log = self.log()
        self.assertIn("CVantoExeDlg::GetServerFileInfo> pFileSize = 4294972296", log)
        self.assertIn("CVantoExeDlg::DownloadOneFileFromServer> nServerFileSize = 4294972296", log)
        self.assertIn("Server File Size = 4294972296, Write File Size = 5000", log)
        self.assert_restored()

    def test_old_file_held_by_another_program_is_left_untouched(self):
        # Held for writing without sharing rename or read: the old file can
        # neither be replaced nor moved to its backup, but could be
        # truncated. The complete new file does not take its place.
        out = self.drive("lock", harness.to_windows(self.target), "item", "bin/app.dll",
                         harness.to_windows(self.target), "info", "download", "1")
        self.assertEqual(out.int("lock"), 1)
        self.assertEqual(out.int("download_result"), -3)
        self.assertTrue(any(r.startswith("1|백업 파일 복사 실패(" + harness.to_windows(self.target) + "). : ")
                            for r in out.rows), out.rows)
        self.assertIn("The old file could not be backed up, so it is left untouched.", self.log())
        self.assert_restored()

    def test_leftover_backup_of_an_interrupted_run_is_never_overwritten(self):
        # An earlier run died mid-transfer: old file as backup, partial file in place.
        self.put_local("bin/app.dll.dll", OLD)
        self.put_local("bin/app.dll", b"partial")
        self.server.set_rule("pub/bin/app.dll", close_after=5000)
        out = self.fetch()
        self.assertEqual(out.int("download_result"), -4)
        self.assert_restored()
        self.assertIn("Put Back Backup File Of An Interrupted Download(" + harness.to_windows(self.backup), self.log())
        self.server.clear_rules()  # the server is well again
        self.assertEqual(self.fetch().int("download_result"), 0)
        self.assertEqual(self.read(self.target), NEW)
        self.assertFalse(os.path.exists(self.backup))

    def test_stop_request_gives_minus_7_and_restores(self):
        self.publish("bin/app.dll", NEW * 10, MTIME)
        out = self.fetch("stop-after", "2")
        self.assertEqual(out.int("download_result"), -7)
        self.assertIn("It's Time To Stop, m_nRequestStopFlag = 1", self.log())
        self.assert_restored()

    def test_empty_answer_gives_minus_10_and_restores(self):
        self.server.set_rule("pub/bin/app.dll", empty_body=True)
        out = self.fetch()
        self.assertEqual(out.int("download_result"), -10)
        self.assertIn("pHttpFile->Read(pBuf, sizeof(pBuf)) => No data.", self.log())
        self.assert_restored()

    def test_failure_without_an_old_file_leaves_no_partial_file(self):
        os.remove(self.target)
        self.server.set_rule("pub/bin/app.dll", close_after=5000)
        out = self.fetch()
        self.assertEqual(out.int("download_result"), -4)
        self.assertFalse(os.path.exists(self.target))
        self.assertTrue(any(r.startswith("1|백업 파일 복원 실패(" + harness.to_windows(self.backup) + "). : ")
                            for r in out.rows), out.rows)

    def test_gzip_answer_is_decoded_and_its_size_checked(self):
        self.publish("bin/app.dll", TEXT, MTIME)
        self.server.set_rule("pub/bin/app.dll", gzip=True)
        # The size the list file states is the decoded one.
        out = self.download("bin/app.dll", self.target, "set", "size", str(len(TEXT)), "set", "time",
                            "20151010212000")
        self.assertEqual(out.int("download_result"), 0)
        self.assertEqual(out["m_nGzipFlag"], "1")
        self.assertEqual(self.read(self.target), TEXT)
        self.assertRegex(self.log(), r"UnCompressGzipFile\(.*\) Success\. nCurrentServerReadSize=\d+ "
                                     r"dwUnCompressSize=%d" % len(TEXT))

    def test_gzip_answer_with_a_different_decoded_size_gives_minus_4(self):
        self.publish("bin/app.dll", TEXT, MTIME)
        self.server.set_rule("pub/bin/app.dll", gzip=True)
        out = self.download("bin/app.dll", self.target, "set", "size", str(len(TEXT) + 1))
        self.assertEqual(out.int("download_result"), -4)
        self.assert_restored()

    def test_chunked_answer_is_not_size_checked_and_the_bar_cycles(self):
        self.publish("bin/app.dll", NEW * 10, MTIME)
        self.server.set_rule("pub/bin/app.dll", chunked=True)
        out = self.fetch()
        self.assertEqual(out["m_nChunkedFlag"], "1")
        self.assertEqual(out.int("download_result"), 0)
        self.assertEqual(self.read(self.target), NEW * 10)
        self.assertGreaterEqual(out.int("bar_zero_moves"), 3)  # 102400 bytes: start and two cycles
        self.assertIn("Transfer encoded chunked files cannot be compared in size.", self.log())


class DownloadCertificateTest(HttpCase):
    tls = "self-signed"

    def test_certificate_error_on_first_attempt_gives_minus_6_without_retry(self):
        self.settings["SVR_HTTPS"] = "3"
        self.publish("bin/app.dll", NEW, MTIME)
        target = self.put_local("bin/app.dll")
        out = self.download("bin/app.dll", target, "set", "size", str(len(NEW)))
        self.assertEqual(out.int("download_result"), -6)
        self.assertEqual(out.int("err_code"), 12045)
        self.assertEqual(self.read(target), OLD)
        self.assertNotIn("Create New g_pInetSession", self.log())


class DownloadProxyTest(HttpCase):
    def setUp(self):
        super().setUp()
        self.proxy = publish_server.ProxyServer("vanto", "secret").start()
        self.addCleanup(self.proxy.stop)
        self.settings.update(PROXY_USER_NAME="vanto", PROXY_AUTH_MODE="1")
        # Proxy modes 1 and 2 use the system's proxy settings.
        self.env = {"http_proxy": f"http://127.0.0.1:{self.proxy.port}"}
        self.publish("bin/app.dll", NEW, MTIME)
        self.target = self.put_local("bin/app.dll")

    def test_proxy_refusing_twice_gives_minus_5_and_leaves_the_file(self):
        self.settings["PROXY_USER_PASSWORD"] = "wrong"
        out = self.download("bin/app.dll", self.target, "set", "size", str(len(NEW)), extra_env=self.env)
        self.assertEqual(out.int("download_result"), -5)
        self.assertEqual(self.read(self.target), OLD)
        self.assertIn("CVantoExeDlg::DownloadOneFileFromServer> Proxy Auth Error.", self.log())

    def test_proxy_demand_answered_once(self):
        self.settings["PROXY_USER_PASSWORD"] = "secret"
        out = self.download("bin/app.dll", self.target, "set", "size", str(len(NEW)), "set", "time",
                            "20151010212000", extra_env=self.env)
        self.assertEqual(out.int("download_result"), 0)
        self.assertEqual(self.read(self.target), NEW)
        log = self.log()
        self.assertEqual(log.count("CVantoExeDlg::DownloadOneFileFromServer> Goto ReSendRequest1."), 1)
        self.assertIn("CVantoExeDlg::DownloadOneFileFromServer> Proxy Auth Mode 1.", log)


if __name__ == "__main__":
    harness.main()
