"""Signatures and keys work both ways between vantoctl and the minisign
program: a list signed by minisign verifies with vantoctl (both algorithms),
and keys and signatures made by vantoctl verify with `minisign -V`.

Usage: minisign_interop.py PATH_TO_VANTOCTL
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

VANTOCTL = sys.argv.pop(1) if len(sys.argv) > 1 else "vantoctl"
MINISIGN = shutil.which("minisign")


def run(*args, stdin=None):
    return subprocess.run(list(args), input=stdin, capture_output=True, text=True, timeout=120)


@unittest.skipUnless(MINISIGN, "minisign is not installed (scripts/setup.sh)")
class MinisignInterop(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.list = os.path.join(self.dir, "Vanto.lst")
        with open(self.list, "wb") as f:
            f.write("bin/app.exe,,,EXE,,,{}\r\n한글.txt,,,\r\n".format("a" * 64).encode("cp949"))

    def tearDown(self):
        shutil.rmtree(self.dir)

    def path(self, name):
        return os.path.join(self.dir, name)

    def test_minisign_signatures_verify_with_vantoctl(self):
        r = run(MINISIGN, "-G", "-W", "-p", self.path("m.pub"), "-s", self.path("m.key"))
        self.assertEqual(r.returncode, 0, r.stderr)
        for flags in ([], ["-l"]):  # ED (the default) and the legacy Ed
            r = run(MINISIGN, "-S", *flags, "-s", self.path("m.key"), "-m", self.list)
            self.assertEqual(r.returncode, 0, r.stderr)
            r = run(VANTOCTL, "verify", self.list, "--public", self.path("m.pub"))
            self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
            self.assertIn("signature valid", r.stdout)
            self.assertIn("timestamp:", r.stdout)
        # One byte changed after signing.
        with open(self.list, "ab") as f:
            f.write(b"x")
        r = run(VANTOCTL, "verify", self.list, "--public", self.path("m.pub"))
        self.assertEqual(r.returncode, 1)
        self.assertIn("signature does not match the file", r.stdout)

    def test_vantoctl_keys_and_signatures_verify_with_minisign(self):
        r = run(VANTOCTL, "key", "generate", "--public", self.path("v.pub"), "--secret", self.path("v.key"),
                "--unencrypted")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(r.stdout.startswith("PUBLISHER_KEY=RW"), r.stdout)
        # An existing key is never overwritten without --force.
        r2 = run(VANTOCTL, "key", "generate", "--public", self.path("v.pub"), "--secret", self.path("v.key"),
                 "--unencrypted")
        self.assertNotEqual(r2.returncode, 0)
        for command in (["list", "sign", self.list], ["sign", self.list, "--legacy"]):
            r = run(VANTOCTL, *command, "--secret", self.path("v.key"))
            self.assertEqual(r.returncode, 0, r.stderr)
            r = run(MINISIGN, "-V", "-p", self.path("v.pub"), "-m", self.list)
            self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
            self.assertIn("file:Vanto.lst", r.stdout)
        # minisign signs with vantoctl's secret key, too.
        r = run(MINISIGN, "-S", "-s", self.path("v.key"), "-m", self.list)
        self.assertEqual(r.returncode, 0, r.stderr)
        r = run(VANTOCTL, "verify", self.list, "--public", self.path("v.pub"))
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)


if __name__ == "__main__":
    unittest.main()
