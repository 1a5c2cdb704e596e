"""vantoctl list make on a publish folder, run as administrators run it:
every file with its GMT time and size, the old list's lines kept, the list
itself left out, and clients (list check) reading the times and sizes.

Usage: vantoctl_list_make.py PATH_TO_VANTOCTL
"""
import hashlib
import json
import os
import subprocess
import sys
import tempfile
import unittest

VANTOCTL = sys.argv.pop(1) if len(sys.argv) > 1 else "vantoctl"
STAMP = 1445412480  # Wed, 21 Oct 2015 07:28:00 GMT
LONG = "/".join(["d" * 220] * 5) + "/x.dll"  # a path beyond the client's line, in folders a disk allows
FILES = {"bin/app.dll": b"x" * 9000, "데이터/설정.ini": b"[A]\r\n", "top.txt": b""}


def run(*args):
    return subprocess.run([VANTOCTL, "list", *args], capture_output=True, timeout=60)


class ListMake(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.pub = os.path.join(self.dir.name, "pub")
        for i, (rel, data) in enumerate(FILES.items()):
            path = os.path.join(self.pub, *rel.split("/"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
            os.utime(path, (STAMP + i + 0.75, STAMP + i + 0.75))  # Last-Modified drops the fraction
        self.list = os.path.join(self.pub, "Vanto.lst")
        with open(self.list, "wb") as f:
            f.write("# kept\r\nbin/app.dll,lib/app.dll,,REG|PASS\r\nold/gone.dll,,,DEL\r\n".encode("cp949"))

    def tearDown(self):
        self.dir.cleanup()

    def test_old_list_updated_in_place(self):
        r = run("make", self.pub, "--from", self.list, "--out", self.list)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(self.list, "rb") as f:
            text = f.read().decode("cp949")
        self.assertEqual(text, "# kept\r\n"
                               "bin/app.dll,lib/app.dll,,REG|PASS,20151021072800,9000\r\n"
                               "old/gone.dll,,,DEL\r\n"
                               "top.txt,,,,20151021072802,0\r\n"
                               "데이터/설정.ini,,,,20151021072801,5\r\n")
        self.assertIn("3 entries with time and size (1 from the old list, 2 new)", r.stderr.decode())
        self.assertFalse(os.path.exists(self.list + ".new"))
        # Clients read the made fields as they are.
        check = subprocess.run([VANTOCTL, "list", "check", self.list, "--target-dir", "C:\\App"],
                               capture_output=True, timeout=60)
        entries = [json.loads(line) for line in check.stdout.decode().splitlines()]
        self.assertEqual([(e["m_strFilePath"], e["m_strModifyTime"], e["m_strFileSize"], e["m_nFileType"])
                          for e in entries],
                         [("bin/app.dll", "20151021072800", "9000", 2), ("old/gone.dll", "", "", 4),
                          ("top.txt", "20151021072802", "0", 1), ("데이터/설정.ini", "20151021072801", "5", 1)])

    def test_local_time_clients_and_standard_output(self):
        r = run("make", self.pub, "--compare-gmt-time", "0")
        self.assertEqual(r.returncode, 0, r.stderr)
        lines = r.stdout.decode("cp949").splitlines()
        # Without --from or --out naming it, the list is a published file too.
        self.assertIn("Vanto.lst,,,,", "\n".join(lines))
        self.assertIn("bin/app.dll,,,,20151021162800,9000", lines)

    def test_digests(self):
        r = run("make", self.pub, "--from", self.list, "--sha256")
        self.assertEqual(r.returncode, 0, r.stderr)
        lines = r.stdout.decode("cp949").splitlines()
        for rel, data in FILES.items():
            line = next(line for line in lines if line.startswith(rel + ","))
            self.assertTrue(line.endswith(",sha256:" + hashlib.sha256(data).hexdigest()), line)
        self.assertIn("old/gone.dll,,,DEL", lines)  # never fetched: no digest

    def test_names_clients_would_misread_are_refused(self):
        """A name with a line feed would become an entry of its own choosing,
        a Ctrl-Z would end the list, a long name would be read in pieces:
        the list is not written and every such file is named."""
        hostile = {"evil\n_STARTUP/run.exe": b"x", "cut\x1a.dll": b"y", "cr\r.dll": b"z",
                   LONG: b"w"}
        for rel, data in hostile.items():
            path = os.path.join(self.pub, *rel.split("/"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
        out = os.path.join(self.dir.name, "made.lst")
        r = run("make", self.pub, "--out", out)
        self.assertEqual(r.returncode, 1, r.stderr)
        self.assertFalse(os.path.exists(out), "no list written")
        errors = [line for line in r.stderr.decode().splitlines() if line.startswith("vantoctl: error: ")]
        self.assertEqual(sorted(errors), sorted([
            "vantoctl: error: 'evil\\x0A_STARTUP/run.exe': the name holds a line feed (0x0A); clients would misread "
            "the list",
            "vantoctl: error: 'cut\\x1A.dll': the name holds a Ctrl-Z (0x1A), which ends the list for clients; "
            "clients would misread the list",
            "vantoctl: error: 'cr\\x0D.dll': the name holds a carriage return (0x0D); clients would misread the list",
            "vantoctl: error: '" + LONG + "': its line is longer than 1022 characters; clients "
            "would read it in pieces",
        ]), r.stderr)
        self.assertIn("vantoctl: no list written: rename or remove the files above", r.stderr.decode())

    def test_bad_usage(self):
        self.assertEqual(run("make").returncode, 2)
        self.assertEqual(run("make", self.pub, "--compare-gmt-time", "2").returncode, 2)
        self.assertEqual(run("make", self.pub, "extra").returncode, 2)
        self.assertEqual(run("make", os.path.join(self.dir.name, "nope")).returncode, 2)
        self.assertEqual(run("make", self.pub, "--from", os.path.join(self.dir.name, "nope.lst")).returncode, 2)
        bad_out = run("make", self.pub, "--out", os.path.join(self.dir.name, "no", "dir.lst"))
        self.assertEqual(bad_out.returncode, 2)


if __name__ == "__main__":
    unittest.main(verbosity=2)
