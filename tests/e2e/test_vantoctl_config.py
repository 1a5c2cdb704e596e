"""vantoctl config/ini: the configuration dump, and encrypted INI files that
agree with an independent DES-CBC (OpenSSL's legacy provider).

Runs the Windows vantoctl.exe under Wine, or the native one when VANTOCTL
names it (host build).
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

NATIVE = os.environ.get("VANTOCTL")
KEY_HEX = b"mz5062mz".hex()
IV_HEX = b"kq4837kq".hex()
PREFIX = "CVantoCfg::LogConfigInfo> "
DUMP_KEYS = [
    "m_strStartMode", "m_strCfgFilePath", "m_strCfgFileSectionName", "SVR_IP_ADDR", "SVR_PORT_NO",
    "DOWNLOAD_BASE_URL", "LIST_FILE_NAME", "TARGET_DIR", "CHECK_LIST_FILE_FLAG", "ALL_REG_FLAG",
    "KILL_LOOMBROWSER_FLAG", "KILL_LOOMBROWSER5_FLAG", "LOG_ENCODE_FLAG", "TIME_CHECK_SPAN",
    "EXCLUDE_DIRS", "RUN_MODE", "DESKTOP_LINK_NAME", "DESKTOP_LINK_URL",
    "DESKTOP_LINK_ICON_LOCATION", "LOOMBROWSER_PROG_FILE_PATH", "LOOMBROWSER_PROG_ARGUMENT",
    "LOOMBROWSER5_PROG_FILE_PATH", "LOOMBROWSER5_PROG_ARGUMENT", "AGENT_PROG_FILE_PATH",
    "AGENT_PROG_ARGUMENT", "PROGRAM_LINK_NAME", "PROGRAM_FILE_PATH", "PROGRAM_ARGUMENT",
    "PROGRAM_LINK_ICON_LOCATION", "SVR_HTTPS", "DELETE_LOCAL_LIST_FILE", "OCX_FILE_REGISTRY_MODE",
    "DOWNLOAD_FROM_BP_SERVER", "BP_SERVER_PORT_NO", "LAST_LIST_FILE_NAME",
    "LAST_CHECK_DAY_INTERVAL", "ENCODE_URL_UTF", "FILE_COMPARE_GMT_TIME"]


def openssl_des_cbc(plain):
    """DES-CBC/PKCS#5 by OpenSSL, or None where the legacy provider is missing."""
    if not shutil.which("openssl"):
        return None
    r = subprocess.run(["openssl", "enc", "-des-cbc", "-provider", "legacy", "-provider", "default",
                        "-K", KEY_HEX, "-iv", IV_HEX], input=plain, capture_output=True)
    return r.stdout if r.returncode == 0 else None


class VantoctlConfigTest(harness.WineTestCase if not NATIVE else unittest.TestCase):
    def setUp(self):
        if NATIVE:
            self.dir = tempfile.mkdtemp(prefix="vantoctl_")
            self.addCleanup(shutil.rmtree, self.dir, True)
            self.exe = NATIVE
        else:
            super().setUp()
            self.exe = harness.exe_path("vantoctl.exe")
            if not harness.can_run(self.exe):
                self.skipTest(harness.skip_reason(self.exe))

    # Paths as the program sees them.
    def path(self, name):
        full = os.path.join(self.dir, name)
        return full if NATIVE else harness.to_windows(full)

    def write(self, name, data):
        with open(os.path.join(self.dir, name), "wb") as f:
            f.write(data)
        return self.path(name)

    def read(self, name):
        with open(os.path.join(self.dir, name), "rb") as f:
            return f.read()

    def vantoctl(self, *args):
        if NATIVE:
            r = subprocess.run([self.exe, *args], capture_output=True, timeout=60)
            return r.returncode, r.stdout, r.stderr
        r = harness.run(self.exe, list(args), timeout=120)
        self.assertFalse(r.timed_out)
        return r.returncode, r.stdout, r.stderr

    def dump(self, *args):
        code, out, err = self.vantoctl("config", "show", *args)
        self.assertEqual(code, 0, err)
        lines = out.decode("cp949").split("\n")
        self.assertEqual(lines[-1], "")
        lines = lines[:-1]
        self.assertEqual(len(lines), 40, out)
        self.assertEqual(lines[0], "-" * 86 + "S")
        self.assertEqual(lines[39], "-" * 86 + "E")
        values = {}
        for key, line in zip(DUMP_KEYS, lines[1:39]):
            head = PREFIX + key + " : "
            self.assertTrue(line.startswith(head), line)
            values[key] = line[len(head):]
        return values, err

    def test_empty_section_prints_defaults(self):
        ini = self.write("Vanto.ini", b"[VANTO]\r\nNOTHING=here\r\n[OTHER]\r\nSVR_IP_ADDR=1.2.3.4\r\n")
        values, err = self.dump("--ini", ini)
        expected = {key: "" for key in DUMP_KEYS}
        expected.update({
            "m_strStartMode": "3", "m_strCfgFilePath": ini, "m_strCfgFileSectionName": "VANTO",
            "RUN_MODE": "LOOM_BROWSER", "TIME_CHECK_SPAN": "5", "OCX_FILE_REGISTRY_MODE": "2",
            "ENCODE_URL_UTF": "1", "FILE_COMPARE_GMT_TIME": "1"})
        for key in ("CHECK_LIST_FILE_FLAG", "ALL_REG_FLAG", "KILL_LOOMBROWSER_FLAG",
                    "KILL_LOOMBROWSER5_FLAG", "LOG_ENCODE_FLAG", "SVR_HTTPS", "DELETE_LOCAL_LIST_FILE",
                    "DOWNLOAD_FROM_BP_SERVER", "LAST_CHECK_DAY_INTERVAL"):
            expected[key] = "0"
        self.assertEqual(values, expected)
        self.assertIn(b"TARGET_DIR", err)  # the program would refuse to start

    def test_section_values_clamps_and_normalisation(self):
        ini = self.write("site.ini", (
            "[vanto]\r\nTARGET_DIR=  C:/Data/앱/ \r\n"
            "[Site]\r\nsvr_ip_addr = 10.0.0.5 \r\nDOWNLOAD_BASE_URL=/update//\r\n"
            "TARGET_DIR=  C:/Data/앱/ \r\nLOOMBROWSER_PROG_FILE_PATH= LoomBrowser\r\n"
            "OCX_FILE_REGISTRY_MODE=3\r\nLAST_CHECK_DAY_INTERVAL=-2\r\nSVR_HTTPS=abc\r\n"
            "DESKTOP_LINK_NAME=\"업데이트 관리\"\r\nPROXY_USER_PASSWORD=hidden\r\n").encode("cp949"))
        values, err = self.dump("--ini", ini, "--section", "SITE")
        self.assertEqual(err, b"")
        self.assertEqual(values["m_strCfgFileSectionName"], "SITE")
        self.assertEqual(values["SVR_IP_ADDR"], "10.0.0.5")
        self.assertEqual(values["DOWNLOAD_BASE_URL"], "/update")
        self.assertEqual(values["TARGET_DIR"], "C:\\Data\\앱")
        self.assertEqual(values["LOOMBROWSER_PROG_FILE_PATH"], "C:\\Data\\앱\\bin\\loomBrowser.exe")
        self.assertEqual(values["OCX_FILE_REGISTRY_MODE"], "0")
        self.assertEqual(values["LAST_CHECK_DAY_INTERVAL"], "0")
        self.assertEqual(values["SVR_HTTPS"], "0")
        self.assertEqual(values["DESKTOP_LINK_NAME"], "\"업데이트 관리\"")

    def test_korean_file_names(self):
        if NATIVE:
            self.skipTest("CP949 file names are a Windows matter; Linux names are UTF-8")
        os.makedirs(os.path.join(self.dir, "설정"), exist_ok=True)
        ini = self.write(os.path.join("설정", "바탕.ini"), "[VANTO]\r\nTARGET_DIR=C:\\대상\r\n".encode("cp949"))
        values, _ = self.dump("--ini", ini)
        self.assertEqual(values["m_strCfgFilePath"], ini)
        self.assertEqual(values["TARGET_DIR"], "C:\\대상")
        out = self.path(os.path.join("설정", "암호.ini"))
        code, _, err = self.vantoctl("ini", "encrypt", ini, out)
        self.assertEqual(code, 0, err)
        code, text, err = self.vantoctl("ini", "decrypt", out)
        self.assertEqual((code, text), (0, "[VANTO]\r\nTARGET_DIR=C:\\대상\r\n".encode("cp949")))
        self.assertEqual(err.strip(), b"decrypted=1")

    def test_encrypt_agrees_with_openssl(self):
        plain = "[VANTO]\r\nSVR_IP_ADDR=127.0.0.1\r\nDESKTOP_LINK_NAME=바탕화면\r\n".encode("cp949")
        reference = openssl_des_cbc(plain)
        if reference is None:
            self.skipTest("OpenSSL with the legacy provider is not available")
        src = self.write("plain.ini", plain)
        code, out, err = self.vantoctl("ini", "encrypt", src, self.path("enc.ini"))
        self.assertEqual((code, out, err), (0, b"", b""))
        self.assertEqual(self.read("enc.ini"), b"#ENCRYPT#" + reference)

    def test_abc_is_seventeen_bytes(self):
        src = self.write("abc.txt", b"abc")
        code, _, err = self.vantoctl("ini", "encrypt", src, self.path("abc.ini"))
        self.assertEqual(code, 0, err)
        data = self.read("abc.ini")
        self.assertEqual(len(data), 17)
        reference = openssl_des_cbc(b"abc")
        if reference is not None:
            self.assertEqual(data, b"#ENCRYPT#" + reference)
        code, out, err = self.vantoctl("ini", "decrypt", self.path("abc.ini"))
        self.assertEqual((code, out), (0, b"abc"))
        self.assertEqual(err.strip(), b"decrypted=1")

    def test_decrypts_openssl_file_and_config_show_reads_it(self):
        plain = "[VANTO]\r\nTARGET_DIR=D:\\대상\r\nLIST_FILE_NAME=list.txt\r\n".encode("cp949")
        reference = openssl_des_cbc(plain)
        if reference is None:
            self.skipTest("OpenSSL with the legacy provider is not available")
        enc = self.write("Vanto.ini", b"#ENCRYPT#" + reference)
        code, out, err = self.vantoctl("ini", "decrypt", enc)
        self.assertEqual((code, out), (0, plain))
        self.assertEqual(err.strip(), b"decrypted=1")
        values, _ = self.dump("--ini", enc)
        self.assertEqual(values["TARGET_DIR"], "D:\\대상")
        self.assertEqual(values["LIST_FILE_NAME"], "list.txt")

    def test_decrypt_plain_and_broken_files(self):
        plain = self.write("plain.ini", b"[VANTO]\r\nA=1\r\n")
        code, out, err = self.vantoctl("ini", "decrypt", plain)
        self.assertEqual((code, out, err.strip()), (0, b"[VANTO]\r\nA=1\r\n", b"decrypted=0"))
        broken = self.write("broken.ini", b"#ENCRYPT#123456789")
        code, out, err = self.vantoctl("ini", "decrypt", broken)
        self.assertEqual((code, out, err.strip()), (0, b"#ENCRYPT#123456789", b"decrypted=0"))
        values, err = self.dump("--ini", broken)
        self.assertEqual(values["TIME_CHECK_SPAN"], "5")
        self.assertIn(b"does not decrypt", err)

    def test_cmdline_file_long_line(self):
        fields = [""] * 40
        fields[0] = "0"
        fields[1] = "1"
        fields[2] = "127.0.0.1"
        fields[4] = "/up/"
        fields[6] = " C:/T/ "
        fields[30] = "7"
        line = self.write("cmd.txt", "\x1a".join(fields).encode("cp949"))
        values, _ = self.dump("--cmdline-file", line)
        self.assertEqual(values["m_strStartMode"], "0")
        self.assertEqual(values["LOG_ENCODE_FLAG"], "1")
        self.assertEqual(values["SVR_IP_ADDR"], "127.0.0.1")
        self.assertEqual(values["DOWNLOAD_BASE_URL"], "/up")
        self.assertEqual(values["TARGET_DIR"], "C:\\T")
        self.assertEqual(values["RUN_MODE"], "LOOM_BROWSER")
        self.assertEqual(values["OCX_FILE_REGISTRY_MODE"], "7")  # not clamped on this path
        self.assertEqual(values["TIME_CHECK_SPAN"], "0")

    def test_cmdline_file_short_lines(self):
        values, _ = self.dump("--cmdline-file",
                              self.write("file.txt", b'3 "C:\\My Cfg\\v.ini" SITE D:/Target/'))
        self.assertEqual(values["m_strStartMode"], "3")
        self.assertEqual(values["m_strCfgFilePath"], "C:\\My Cfg\\v.ini")
        self.assertEqual(values["m_strCfgFileSectionName"], "SITE")
        self.assertEqual(values["TARGET_DIR"], "D:\\Target")
        values, _ = self.dump("--cmdline-file", self.write("web.txt", b"2 0 127.0.0.1 8080 /cfg.ini C:\\T 1"))
        self.assertEqual(values["SVR_PORT_NO"], "8080")
        self.assertEqual(values["SVR_HTTPS"], "1")
        self.assertEqual(values["TIME_CHECK_SPAN"], "5")

    def assertUsageError(self, *args):
        code, out, err = self.vantoctl(*args)
        self.assertEqual(code, 2, (args, out, err))
        self.assertEqual(out, b"")
        self.assertTrue(err.startswith(b"vantoctl: "), err)
        self.assertEqual(err.count(b"\n"), 1, err)
        return err

    def test_bad_usage_and_unreadable_input(self):
        missing = self.path("missing.ini")
        self.assertUsageError("config", "show", "--ini", missing)
        self.assertUsageError("config", "show")
        self.assertUsageError("config", "show", "--ini", self.write("a.ini", b""), "--cmdline-file", "x")
        self.assertUsageError("config", "list")
        self.assertUsageError("ini", "decrypt", missing)
        self.assertUsageError("ini", "encrypt", missing, self.path("out.ini"))
        self.assertUsageError("ini", "encrypt", self.path("a.ini"))
        self.assertUsageError("ini", "rot13", self.path("a.ini"))
        fields = ["0"] * 39
        err = self.assertUsageError("config", "show", "--cmdline-file",
                                    self.write("short.txt", "\x1a".join(fields).encode()))
        self.assertIn(b"39", err)
        self.assertUsageError("config", "show", "--cmdline-file", self.write("bad.txt", b"X 1 2"))
        # UTF-16 text would be read up to its first zero byte: refused.
        self.assertUsageError("ini", "encrypt", self.write("u16.ini", "[VANTO]".encode("utf-16")),
                              self.path("o.ini"))
        self.assertFalse(os.path.exists(os.path.join(self.dir, "o.ini")))


if __name__ == "__main__":
    harness.main()
