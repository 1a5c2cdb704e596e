"""File information by HEAD, the proxy answer in modes 1 and 2, HTTPS with
good and bad certificates and the certificate question, and the server
configuration file of the web start mode."""
import calendar
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from http_case import HttpCase, publish_server  # noqa: E402

DATA = b"x" * 3000


class FileInfoTest(HttpCase):
    def info(self, rel="bin/app.dll", *options):
        return self.drive(*options, "item", rel, "C:\\unused\\app.dll", "info")

    def test_time_size_and_flags_of_a_plain_file(self):
        self.publish("bin/app.dll", DATA)
        self.server.set_rule("pub/bin/app.dll", last_modified="Wed, 21 Oct 2015 07:28:00 GMT")
        out = self.info()
        self.assertEqual(out.int("info_result"), 0)
        self.assertEqual(out["m_strModifyTime"], "20151021072800")
        self.assertEqual(out["m_strFileSize"], "3000")
        self.assertEqual((out["m_nChunkedFlag"], out["m_nGzipFlag"]), ("0", "0"))
        self.assertEqual(self.server.count("HEAD"), 1)
        self.assertIn("CVantoExeDlg::GetServerFileInfo> pDownFileUrl = /pub/bin/app.dll", self.log())

    def test_nine_hour_shift_when_times_are_not_gmt(self):
        self.publish("bin/app.dll", DATA)
        self.server.set_rule("pub/bin/app.dll", last_modified="Wed, 21 Oct 2015 23:30:00 GMT")
        self.settings["FILE_COMPARE_GMT_TIME"] = "0"
        out = self.info()
        self.assertEqual(out["m_strModifyTime"], "20151022083000")

    def test_gzip_and_chunked_answer(self):
        self.publish("bin/app.dll", DATA)
        self.server.set_rule("pub/bin/app.dll", gzip=True, chunked=True)
        out = self.info()
        self.assertEqual(out.int("info_result"), 0)
        self.assertEqual((out["m_nChunkedFlag"], out["m_nGzipFlag"], out["m_strFileSize"]), ("1", "1", ""))
        log = self.log()
        self.assertIn("CVantoExeDlg::GetServerFileInfo> Transfer encoding chunked. pFileSize = unknown", log)
        self.assertIn("CVantoExeDlg::GetServerFileInfo> Content encoding GZIP.", log)

    def test_404_gives_minus_5_and_missing_last_modified_minus_3(self):
        out = self.info("bin/missing.dll")
        self.assertEqual(out.int("info_result"), -5)
        self.assertIn("CVantoExeDlg::GetServerFileInfo> File(/pub/bin/missing.dll) dwStatusCode = 404", self.log())
        self.publish("bin/app.dll", DATA)
        self.server.set_rule("pub/bin/app.dll", no_last_modified=True)
        out = self.info()
        self.assertEqual(out.int("info_result"), -3)
        self.assertEqual(out["m_strModifyTime"], "")

    def test_status_500_is_logged_with_its_korean_text(self):
        self.publish("bin/app.dll", DATA)
        self.server.set_rule("pub/bin/app.dll", status=500)
        out = self.info()
        self.assertEqual(out.int("info_result"), -5)
        self.assertIn("CVantoExeDlg::GetServerFileInfo> QueryInfoStatusCode() Return = 500, Message = "
                      "서버가 요청을 완성하는데 방해하는 예상치 못한 조건을 만났다.", self.log())

    def test_reset_once_takes_one_new_session_twice_gives_minus_9(self):
        self.publish("bin/app.dll", DATA)
        self.server.set_rule("pub/bin/app.dll", reset_after=0, times=1, methods="HEAD")
        out = self.info()
        self.assertEqual(out.int("info_result"), 0)
        self.assertEqual(self.server.agents(), ["VantoExe", "VantoExe1"])
        self.server.requests.clear()
        self.server.set_rule("pub/bin/app.dll", reset_after=0, methods="HEAD")
        out = self.info()
        self.assertEqual(out.int("info_result"), -9)
        self.assertEqual(self.server.agents(), ["VantoExe", "VantoExe1"])
        self.assertIn("CVantoExeDlg::GetServerFileInfo> Exception Msg = ", self.log())

    def test_non_ascii_names_are_sent_as_utf8_escapes(self):
        self.publish("bin/한 글.txt", DATA)
        out = self.info("bin/한 글.txt")
        self.assertEqual(out.int("info_result"), 0)
        raw = self.server.requests[-1][3]
        # The space is left to WinINet, which escapes it on the wire.
        self.assertEqual(raw, "/pub/bin/%ED%95%9C%20%EA%B8%80.txt")
        self.assertIn("strEncodedUrlUtf = /pub/bin/%ED%95%9C %EA%B8%80.txt", self.log())

    def test_names_in_the_ansi_code_page_when_encoding_is_off(self):
        self.settings["ENCODE_URL_UTF"] = "0"
        self.info("bin/한.txt")
        raw = self.server.requests[-1][3]
        self.assertEqual(raw.encode("latin-1", errors="surrogateescape") if isinstance(raw, str) else raw,
                         "/pub/bin/한.txt".encode("cp949"))


class ProxyTest(HttpCase):
    def setUp(self):
        super().setUp()
        self.proxy = publish_server.ProxyServer("vanto", "secret").start()
        self.addCleanup(self.proxy.stop)
        self.publish("bin/app.dll", DATA)
        self.env = {"http_proxy": f"http://127.0.0.1:{self.proxy.port}"}
        self.settings.update(PROXY_USER_NAME="vanto", PROXY_USER_PASSWORD="secret")

    def info(self):
        return self.drive("item", "bin/app.dll", "C:\\unused\\app.dll", "info", extra_env=self.env)

    def test_mode_1_answers_407_once(self):
        self.settings["PROXY_AUTH_MODE"] = "1"
        out = self.info()
        self.assertEqual(out.int("info_result"), 0)
        self.assertEqual(self.proxy.forwarded, 1)
        log = self.log()
        self.assertEqual(log.count("CVantoExeDlg::GetServerFileInfo> Goto ReSendRequest2."), 1)
        self.assertIn("[DEBUG] CVantoExeDlg::GetServerFileInfo> Proxy Auth Mode 1.", log)
        self.assertIn("[DEBUG] CVantoExeDlg::GetServerFileInfo> Proxy SetOption() success.", log)

    def test_mode_1_second_407_gives_minus_5(self):
        self.settings.update(PROXY_AUTH_MODE="1", PROXY_USER_PASSWORD="wrong")
        out = self.info()
        self.assertEqual(out.int("info_result"), -5)
        self.assertEqual(self.proxy.forwarded, 0)
        log = self.log()
        self.assertEqual(log.count("Goto ReSendRequest2."), 1)
        self.assertIn("[ERROR] CVantoExeDlg::GetServerFileInfo> Proxy Auth Error.", log)

    def test_mode_2_sets_process_wide_credentials_after_407(self):
        self.settings["PROXY_AUTH_MODE"] = "2"
        out = self.info()
        log = self.log()
        self.assertIn("CVantoExeDlg::GetServerFileInfo> Proxy Auth Mode 2.", log)
        if out.int("info_result") == -103:
            # This Wine does not take process-wide proxy credentials.
            self.assertIn("CVantoExeDlg::GetServerFileInfo> Proxy Auth SetOption() ret = -103", log)
        else:
            self.assertEqual(out.int("info_result"), 0)
            self.assertEqual(log.count("Goto ReSendRequest2."), 1)

    def test_mode_0_with_empty_password_sets_no_credentials(self):
        self.settings.update(PROXY_AUTH_MODE="0", PROXY_IP_ADDR=f"127.0.0.1:{self.proxy.port}",
                             PROXY_USER_PASSWORD="")
        self.drive("item", "bin/app.dll", "C:\\unused\\app.dll", "info")
        log = self.log()
        self.assertIn("CVantoExeApp::InitInstance> Proxy Auth Mode 0.", log)
        self.assertIn("CVantoExeApp::InitInstance> Proxy Auth username or password is empty.", log)


class HttpsTest(HttpCase):
    tls = "self-signed"

    def setUp(self):
        super().setUp()
        self.publish("bin/app.dll", DATA)

    def info(self, *options):
        return self.drive(*options, "item", "bin/app.dll", "C:\\unused\\app.dll", "info")

    def test_mode_1_accepts_a_self_signed_certificate_without_asking(self):
        self.settings["SVR_HTTPS"] = "1"
        out = self.info()
        self.assertEqual(out.int("info_result"), 0)
        self.assertEqual(out.asks, [])
        self.assertIn("CVantoExeDlg::GetServerFileInfo> Try to SetOption() - set cert ignore flag", self.log())

    def test_mode_3_refuses_a_self_signed_certificate_without_asking(self):
        self.settings["SVR_HTTPS"] = "3"
        out = self.info()
        self.assertEqual(out.int("info_result"), -9)
        self.assertEqual(out.int("err_code"), 12045)
        self.assertEqual(out.asks, [])
        self.assertEqual(self.server.count("HEAD"), 0)

    def test_mode_2_asks_once_and_then_relaxes_every_request(self):
        self.settings["SVR_HTTPS"] = "2"
        target = os.path.join(self.dir, "target", "app.dll")
        out = self.drive("answer", "yes", "item", "bin/app.dll", harness.to_windows(target), "info", "download", "1")
        self.assertEqual(len(out.asks), 1)
        self.assertTrue(out.asks[0].startswith("인증서 오류가 발생 했습니다.\r\n오류를 무시(권장하지 않음)하고 계속 진행 "
                                               "하시겠습니까?\r\n\r\n"), out.asks)
        self.assertEqual(out.int("cert_ignore"), 1)
        self.assertEqual(out.int("download_result"), 0)
        self.assertIn("CVantoExeDlg::GetServerFileInfo()> Retry GetServerFileInfo()", self.log())

    def test_mode_2_answered_no_keeps_the_failure(self):
        self.settings["SVR_HTTPS"] = "2"
        out = self.info("answer", "no")
        self.assertEqual(len(out.asks), 1)
        self.assertEqual(out.int("info_result"), -9)
        self.assertEqual(out.int("cert_ignore"), 0)


class ExpiredAndWrongNameTest(HttpCase):
    def test_expired_and_wrong_name_are_certificate_errors(self):
        for kind, code in (("expired", 12037), ("wrong-name", 12045)):
            server = publish_server.PublishServer(self.root, tls=kind, cert_dir=self.dir).start()
            self.addCleanup(server.stop)
            self.publish("bin/app.dll", DATA)
            self.settings.update(SVR_PORT_NO=str(server.port), SVR_HTTPS="3")
            out = self.drive("item", "bin/app.dll", "C:\\unused\\app.dll", "info")
            self.assertEqual((out.int("info_result"), out.int("err_code")), (-9, code), kind)
            self.settings["SVR_HTTPS"] = "1"
            out = self.drive("item", "bin/app.dll", "C:\\unused\\app.dll", "info")
            self.assertEqual(out.int("info_result"), 0, kind)


class ServerConfigTest(HttpCase):
    def test_lines_are_applied_by_the_rules(self):
        self.publish("cfg/vanto.cfg", "\n".join([
            "; comment", "#comment", " LIST_FILE_NAME=ignored", "",
            "list_file_name=list.txt",          # any case
            "TIME_CHECK_SPAN==7",               # "==" gives no empty token
            'EXCLUDE_DIRS="a=b;c"',             # quoted value taken whole
            "RUN_MODE=",                        # one token: invalid
            "=VALUE",                           # one token: invalid
            "SVR_HTTPS =3",                     # key with a blank matches nothing
            "DOWNLOAD_BASE_URL=/files\r",       # a CR before the line end is dropped
        ]).encode("cp949"))
        self.settings["RUN_MODE"] = ""
        out = self.drive("loadcfg", "/pub/cfg/vanto.cfg")
        self.assertEqual(out.int("loadcfg_result"), 0)
        self.assertEqual(out["LIST_FILE_NAME"], "list.txt")
        self.assertEqual(out["TIME_CHECK_SPAN"], "7")
        self.assertEqual(out["EXCLUDE_DIRS"], "a=b;c")
        self.assertEqual(out["RUN_MODE"], "")
        self.assertEqual(out["SVR_HTTPS"], "0")
        self.assertEqual(out["LAST_LIST_FILE_NAME"], "_listfile_last.txt")
        self.assertEqual(out["DOWNLOAD_BASE_URL"], "/files")
        log = self.log()
        self.assertEqual(log.count("CVantoCfg::LoadConfigFromServer> Invalid Line\n"), 5)
        self.assertEqual(log.count("CVantoCfg::LoadConfigFromServer> Invalid Line, Line Length is 0"), 1)
        self.assertIn("CVantoCfg::LoadConfigFromServer> Read Line : list_file_name=list.txt", log)

    def test_404_gives_minus_2(self):
        out = self.drive("loadcfg", "/pub/cfg/none.cfg")
        self.assertEqual(out.int("loadcfg_result"), -2)
        self.assertIn("CVantoCfg::LoadConfigFromServer> QueryInfoStatusCode(/pub/cfg/none.cfg) Return = 404", self.log())


if __name__ == "__main__":
    harness.main()
