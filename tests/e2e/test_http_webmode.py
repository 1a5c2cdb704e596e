"""Web start mode: VantoExe fetches its configuration from the server, asks
about a bad certificate once, and opens the shared connection; without a
connection it ends with failure F9."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import vanto  # noqa: E402
from http_case import publish_server  # noqa: E402

CONFIG_FAIL = "Can't get config information, so exit program"
CERT_QUESTION = "인증서 오류가 발생 했습니다.\n오류를 무시(권장하지 않음)하고 계속 진행 하시겠습니까?\n\n"


class WebModeCase(vanto.VantoCase):
    tls = None

    def setUp(self):
        super().setUp()
        self.root = self.path("server")
        os.makedirs(os.path.join(self.root, "cfg"))
        with open(os.path.join(self.root, "cfg", "vanto.cfg"), "wb") as f:
            f.write(b"LIST_FILE_NAME=list.txt\nDOWNLOAD_BASE_URL=/pub\nTIME_CHECK_SPAN=9\n")
        # The run that follows start-up finds an empty list: current at once.
        os.makedirs(os.path.join(self.root, "pub"))
        with open(os.path.join(self.root, "pub", "list.txt"), "wb") as f:
            f.write(b"# nothing to fetch\r\n")
        self.server = publish_server.PublishServer(self.root, tls=self.tls, cert_dir=self.dir).start()
        self.addCleanup(self.server.stop)
        self.target = self.path("target")

    def run_web(self, https="0", cfg="/cfg/vanto.cfg"):
        exe = self.install()
        self.spawn(exe, f"2 0 127.0.0.1 {self.server.port} {cfg} {harness.to_windows(self.target)} {https}")
        return exe


class WebModeTest(WebModeCase):
    def test_configuration_comes_from_the_server(self):
        self.run_web()
        self.assertTrue(self.wait_all(timeout=90), "VantoExe did not end")
        self.assertEqual(self.result_code(self.target), "0")
        log = self.log_text(self.target)
        self.assertIn("CVantoExeApp::InitInstance> Try to LoadConfigFromServer()", log)
        self.assertIn("CVantoCfg::LoadConfigFromServer> IP = 127.0.0.1, Port = %d" % self.server.port, log)
        self.assertIn("CVantoCfg::LogConfigInfo> LIST_FILE_NAME : list.txt", log)
        self.assertIn("CVantoCfg::LogConfigInfo> TIME_CHECK_SPAN : 9", log)
        self.assertIn("CVantoExeApp::InitInstance> m_dwConnectTimeOut=1800000, m_dwSendTimeOut=1800000, "
                      "m_dwRecvTimeOut=1800000", log)
        self.assertIn("CVantoExeApp::ExitInstance> Close HTTP Connection", log)
        self.assertIn("CVantoExeApp::ExitInstance> Close Internet Sesion", log)
        # The configuration request and the run that follows all go as "VantoExe".
        self.assertEqual(set(self.server.agents()), {"VantoExe"})

    def test_missing_configuration_file_ends_with_failure_f6(self):
        self.run_web(cfg="/cfg/none.cfg")
        self.assertEqual(self.message_box(), CONFIG_FAIL)
        self.assertTrue(self.wait_all(timeout=90))
        self.assertEqual(self.result_code(self.target), "2")
        self.assertIn("CVantoExeApp::InitInstance> Can't get config information, so exit program"
                      "(DIRECT_EXE_START_WEB_MODE)", self.log_text(self.target))

    def test_no_connection_ends_with_failure_f9(self):
        exe = self.install()
        line = vanto.long_command_line(m_strStartMode="0", SVR_IP_ADDR="", SVR_PORT_NO="80",
                                       TARGET_DIR=harness.to_windows(self.target))
        self.spawn(exe, line)
        self.assertEqual(self.message_box(), "Can't get a HTTP connection, so exit program.")
        self.assertTrue(self.wait_all(timeout=90))
        self.assertEqual(self.result_code(self.target), "2")
        self.assertIn("CVantoExeApp::InitInstance> GetHttpConnection(, 80) returns NULL", self.log_text(self.target))


class WebModeCertificateTest(WebModeCase):
    tls = "self-signed"

    def test_certificate_question_then_retry_without_proxy(self):
        self.run_web(https="2")
        text = self.message_box(button="yes")
        self.assertIsNotNone(text)
        self.assertTrue(text.startswith(CERT_QUESTION), text)
        self.assertTrue(self.wait_all(timeout=90))
        self.assertEqual(self.result_code(self.target), "0")
        log = self.log_text(self.target)
        self.assertIn("CVantoExeApp::InitInstance> Retry LoadConfigFromServer()", log)
        self.assertIn("CVantoCfg::LogConfigInfo> LIST_FILE_NAME : list.txt", log)

    def test_certificate_question_answered_no_ends_with_failure_f6(self):
        self.run_web(https="2")
        self.assertTrue(self.message_box(button="no").startswith(CERT_QUESTION))
        self.assertEqual(self.message_box(), CONFIG_FAIL)
        self.assertTrue(self.wait_all(timeout=90))
        self.assertEqual(self.result_code(self.target), "2")


if __name__ == "__main__":
    harness.main()
