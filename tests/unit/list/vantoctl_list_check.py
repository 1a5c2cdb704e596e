"""vantoctl list check on a list that exercises every kind code, option and
quoting rule: one JSON object per entry, in file order, as clients read it.

Usage: vantoctl_list_check.py PATH_TO_VANTOCTL
"""
import json
import os
import subprocess
import sys
import tempfile
import unittest

VANTOCTL = sys.argv.pop(1) if len(sys.argv) > 1 else "vantoctl"

KOREAN = "한글/파일.txt"
LONG = "L" * 1030  # one physical line read as two pieces

LIST_LINES = [
    "# comment line, never an entry",             # 1
    "! also a comment",                            # 2
    "",                                            # 3
    "app/bin/x.dll,,,REG|PASS",                    # 4
    "a/del.txt,,,DEL",                             # 5
    "a/reg.reg,,,REF|p=1",                         # 6
    "a/z.zip,,,ZIP",                               # 7
    "a/asm.dll,,,ASM",                             # 8
    "a/zrg.zip,,,ZRG",                             # 9
    "a/c.cmd,,,CMD",                               # 10
    'a/e.exe,,,EXE|w=1/a="-s /quiet"',             # 11
    "a/f.ttf,_FONTS/f.ttf,,FNT",                   # 12
    "a/f.fon,,,fon",                               # 13
    "a/n.txt,,,EXEC",                              # 14
    "a/s.dll,%SystemDir%/s.dll,SYSTEM,SYS",        # 15
    "a/s2.dll,,sys,EXE|a=-s",                      # 16
    '"q/a,b.txt","t/c,d.txt",,,2010-01-02 03:04:05,123',  # 17
    '"q/\\"x.txt"y,t.txt',                         # 18
    "bin/old/x.dll,,,REG",                         # 19
    "bin/older/y.dll",                             # 20
    "BIN/old/z.dll",                               # 21
    "a/abs.txt,D:/data/abs.txt",                   # 22
    "a/drv.txt,/root/drv.txt",                     # 23
    KOREAN + ",,,,,7",                             # 24
    "a/opt.exe,,,  exe | PASS/w=1/\"a=\"/a=\"\\\"q\\\" r\"",  # 25
    ",only/target.txt,,DEL",                       # 26
    "a/x,y.txt,,,\"SYS,X\",5",                     # 27
    LONG,                                          # 28 (pieces)
    "last/line.txt",                               # 29, no LF at the end
]


def entry(line, path, target, local, kind=1, sys_flag=2, pass_flag=0, wait=0, arg="", time="", size="",
          excluded=False, sha=""):
    return {"line": line, "m_strFilePath": path, "m_strTargetPath": target, "m_strLocalPath": local,
            "m_nFileType": kind, "m_nSysFileFlag": sys_flag, "m_nPassFlag": pass_flag, "m_nWaitFlag": wait,
            "m_strArgument": arg, "m_strModifyTime": time, "m_strFileSize": size, "m_strSha256": sha,
            "excluded": excluded}


EXPECTED = [
    entry(4, "app/bin/x.dll", "app\\bin\\x.dll", "C:\\App\\app\\bin\\x.dll", kind=2, pass_flag=1),
    entry(5, "a/del.txt", "a\\del.txt", "C:\\App\\a\\del.txt", kind=4),
    entry(6, "a/reg.reg", "a\\reg.reg", "C:\\App\\a\\reg.reg", kind=6, pass_flag=1),
    entry(7, "a/z.zip", "a\\z.zip", "C:\\App\\a\\z.zip", kind=7),
    entry(8, "a/asm.dll", "a\\asm.dll", "C:\\App\\a\\asm.dll", kind=8),
    entry(9, "a/zrg.zip", "a\\zrg.zip", "C:\\App\\a\\zrg.zip", kind=9),
    entry(10, "a/c.cmd", "a\\c.cmd", "C:\\App\\a\\c.cmd", kind=3),
    entry(11, "a/e.exe", "a\\e.exe", "C:\\App\\a\\e.exe", kind=3, wait=1, arg="-s /quiet"),
    # No Windows folders on this host: the token stays relative.
    entry(12, "a/f.ttf", "_FONTS\\f.ttf", "C:\\App\\_FONTS\\f.ttf", kind=5),
    entry(13, "a/f.fon", "a\\f.fon", "C:\\App\\a\\f.fon", kind=5),
    entry(14, "a/n.txt", "a\\n.txt", "C:\\App\\a\\n.txt", kind=1),
    entry(15, "a/s.dll", "%SystemDir%\\s.dll", "C:\\App\\%SystemDir%\\s.dll", kind=1, sys_flag=1),
    entry(16, "a/s2.dll", "a\\s2.dll", "C:\\App\\a\\s2.dll", kind=3),
    entry(17, "q/a,b.txt", "t\\c,d.txt", "C:\\App\\t\\c,d.txt", time="20100102030405", size="123"),
    # "y" behind the closing quote is skipped as the separator, so the comma
    # ends an empty field 2 and t.txt lands in field 3.
    entry(18, 'q/\\"x.txt', 'q\\\\"x.txt', 'C:\\App\\q\\\\"x.txt'),
    entry(19, "bin/old/x.dll", "bin\\old\\x.dll", "bin\\old\\x.dll", kind=2, excluded=True),
    entry(20, "bin/older/y.dll", "bin\\older\\y.dll", "bin\\older\\y.dll", excluded=True),
    entry(21, "BIN/old/z.dll", "BIN\\old\\z.dll", "C:\\App\\BIN\\old\\z.dll"),
    entry(22, "a/abs.txt", "D:\\data\\abs.txt", "D:\\data\\abs.txt"),
    entry(23, "a/drv.txt", "\\root\\drv.txt", "C:\\root\\drv.txt"),
    entry(24, KOREAN, KOREAN.replace("/", "\\"), "C:\\App\\" + KOREAN.replace("/", "\\"), size="7"),
    entry(25, "a/opt.exe", "a\\opt.exe", "C:\\App\\a\\opt.exe", kind=3, pass_flag=0, wait=1, arg='\\"q\\" r'),
    entry(27, "a/x", "y.txt", "C:\\App\\y.txt", size="5"),
    entry(28, "L" * 1022, "L" * 1022, "C:\\App\\" + "L" * 1022),
    entry(28, "L" * 8, "L" * 8, "C:\\App\\" + "L" * 8),
    entry(29, "last/line.txt", "last\\line.txt", "C:\\App\\last\\line.txt"),
]


def run(*args):
    return subprocess.run([VANTOCTL, "list", *args], capture_output=True, timeout=60)


class ListCheck(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.path = os.path.join(self.dir.name, "list.txt")
        text = "\r\n".join(LIST_LINES)
        with open(self.path, "wb") as f:
            f.write(text.encode("cp949"))

    def tearDown(self):
        self.dir.cleanup()

    def check(self, *extra, errors=0):
        """Entries and messages; exit code 1 when the list has errors."""
        result = run("check", self.path, "--target-dir", "C:\\App", *extra)
        self.assertEqual(result.returncode, 1 if errors else 0, result.stderr)
        stderr = result.stderr.decode()
        self.assertIn(f" warnings, {errors} errors\n", stderr)
        return [json.loads(line) for line in result.stdout.decode("utf-8").splitlines()], stderr

    def test_every_rule(self):
        got, stderr = self.check("--exclude-dirs", "bin\\old", "--all-reg", "1", errors=2)
        self.assertIn("vantoctl: error: line 27: field 5 (the time) is no time: \"\"SYS,X\"\" (a comma in a name "
                      "needs the name in double quotes)\n", stderr)
        self.assertIn("vantoctl: error: line 28: longer than 1022 characters: clients read it in pieces, each as a "
                      "line of its own\n", stderr)
        self.assertEqual(len(got), len(EXPECTED))
        for want, have in zip(EXPECTED, got):
            self.assertEqual(have, want)
        for have in got:
            self.assertEqual(list(have.keys()), list(EXPECTED[0].keys()))

    def test_without_excludes_nothing_is_excluded(self):
        got, stderr = self.check("--target-dir", "D:\\Other\\", errors=2)
        self.assertFalse(any(e["excluded"] for e in got))
        self.assertEqual(got[0]["m_strLocalPath"], "D:\\Other\\app\\bin\\x.dll")
        self.assertIn("line 26 has no server path", stderr)

    def test_all_reg_counts_registrations(self):
        _, stderr = self.check("--all-reg", "1", "--exclude-dirs", "bin\\old", errors=2)
        self.assertIn("with ALL_REG_FLAG 1, 1 REG entries", stderr)
        _, stderr = self.check("--all-reg", "0", errors=2)
        self.assertIn("with ALL_REG_FLAG 0, 0 REG entries", stderr)

    def test_quoted_exclude_prefix_with_comma(self):
        got, _ = self.check("--exclude-dirs", '"t\\c,d",q', errors=2)
        self.assertTrue(next(e for e in got if e["line"] == 17)["excluded"])
        self.assertFalse(next(e for e in got if e["line"] == 4)["excluded"])

    def test_json_escapes_control_characters(self):
        with open(self.path, "wb") as f:
            f.write(b"a\tb\x01.txt,,,\n")
        got, stderr = self.check(errors=1)
        self.assertEqual(got[0]["m_strFilePath"], "a\tb\x01.txt")
        self.assertIn("vantoctl: error: line 1: holds a control character (0x09): a\\x09b\\x01.txt,,,\n", stderr)

    def test_lines_clients_misread_are_errors(self):
        """The lists a hostile file name made: a line feed inside a quoted
        name, a Ctrl-Z that hides the lines after it, a comma that moves the
        size, a carriage return inside a name."""
        with open(self.path, "wb") as f:
            f.write(b'"evil\n_STARTUP/run.exe",,,EXE,,,,20151021072800,9000\r\n'
                    b"a,b.dll,,,REG,20151021072800,9000\r\n"
                    b"c\rd.dll,,,,20151021072800,9000\r\n"
                    b"ok.dll,,,,20151021072800,9000\r\n"
                    b"x\x1ay.dll,,,,20151021072800,9000\r\n"
                    b"bin/vulnerable.dll,,,DEL\r\n")
        got, stderr = self.check(errors=5)
        errors = [line for line in stderr.splitlines() if line.startswith("vantoctl: error: ")]
        self.assertEqual(errors, [
            "vantoctl: error: line 6: a Ctrl-Z (0x1A) ends the list for clients; no line after it is read",
            'vantoctl: error: line 1: a double quote does not close on this line (a line end inside a quoted '
            'name?): "evil',
            'vantoctl: error: line 2: a double quote does not close on this line (a line end inside a quoted '
            'name?): _STARTUP/run.exe",,,EXE,,,,20151021072800,9000',
            'vantoctl: error: line 3: field 5 (the time) is no time: "REG" (a comma in a name needs the name in '
            'double quotes)',
            "vantoctl: error: line 4: holds a carriage return (0x0D): c\\x0Dd.dll,,,,20151021072800,9000",
        ], stderr)
        # What clients read: the list ends at the Ctrl-Z, the DEL entry is gone.
        paths = [e["m_strFilePath"] for e in got]
        self.assertEqual(paths[0], "evil")
        self.assertEqual(paths[-2:], ["ok.dll", "x"])
        self.assertNotIn("bin/vulnerable.dll", paths)

    def test_digests_and_warnings(self):
        digest = "0123456789abcdef" * 4
        lines = [
            "docs/Index.html,,,,,,sha256:" + digest.upper(),  # 1: a digest, either case
            "docs/index.html",                                # 2: same file as line 1 on Windows
            "docs/sub/a.txt,DOCS\\SUB/a.txt",                 # 3: "/" and "\\" and case
            "docs/sub/a.txt,DOCS\\SUB/a.txt",                 # 4: listed twice: fetched once, no warning
            "docs/a#b.html,,,,,,md5:abc",                     # 5: cut at "#"; other text in field 7
            "q/x.cgi?v=1,,,,,,sha256:" + digest[:-1],         # 6: cut at "?"; a digest one digit short
            "한글/갂.txt",                                     # 7, 8: Hangul whose second bytes are
            "한글/갵.txt",                                     #   "A" and "a" (0x81 0x41, 0x81 0x61)
        ]
        with open(self.path, "wb") as f:
            f.write("\r\n".join(lines).encode("cp949"))
        got, stderr = self.check()
        self.assertEqual([e["m_strSha256"] for e in got], [digest] + [""] * 7)
        warnings = [w for w in stderr.splitlines() if w.startswith("vantoctl: warning: ")]
        self.assertEqual(warnings, [
            'vantoctl: warning: line 5: docs/a#b.html: the request path ends at "#" (clients send server paths '
            'unescaped)',
            'vantoctl: warning: line 6: q/x.cgi?v=1: the request path ends at "?" (clients send server paths '
            'unescaped)',
            'vantoctl: warning: line 6: q/x.cgi?v=1: field 7 is not "sha256:" and 64 hex digits; clients ignore it',
            "vantoctl: warning: line 2: docs/index.html: same local file on Windows as line 1 (docs/Index.html): "
            "C:\\App\\docs\\index.html",
        ], stderr)
        self.assertIn("; 4 warnings", stderr)

    def test_bad_usage(self):
        self.assertEqual(run("check", self.path).returncode, 2)  # no target
        self.assertEqual(run("check", "--target-dir", "C:\\A").returncode, 2)  # no path
        self.assertEqual(run("check", self.path, "--target-dir", "C:\\A", "--all-reg", "2").returncode, 2)
        self.assertEqual(run("check", self.path, "--target-dir", "C:\\A", "--bogus", "1").returncode, 2)
        self.assertEqual(run("show", self.path).returncode, 2)
        missing = run("check", os.path.join(self.dir.name, "nope.txt"), "--target-dir", "C:\\A")
        self.assertEqual(missing.returncode, 2)
        self.assertEqual(missing.stdout, b"")


if __name__ == "__main__":
    unittest.main(verbosity=2)
