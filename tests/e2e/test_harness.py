"""The harness itself: exit codes, output, time limit, Korean code page."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402


class HarnessTest(harness.WineTestCase):
    def setUp(self):
        super().setUp()
        self.exe = harness.exe_path("vanto_probe_exit.exe")
        if not harness.can_run(self.exe):
            self.skipTest(harness.skip_reason(self.exe))

    def test_exit_code_and_output(self):
        r = harness.run(self.exe, ["7", "두번째"], timeout=60)
        self.assertFalse(r.timed_out)
        self.assertEqual(r.returncode, 7)
        self.assertIn(b"acp=949", r.stdout)
        self.assertIn(b"arg1=7", r.stdout)

    def test_time_limit_kills(self):
        r = harness.run(self.exe, ["sleep", "30"], timeout=3)
        self.assertTrue(r.timed_out)

    def test_windows_paths_of_test_folder(self):
        self.assertTrue(self.win("x").startswith("C:\\vanto_e2e\\"))
        self.assertTrue(harness.to_windows("/tmp/a").startswith("Z:\\tmp\\a"))


if __name__ == "__main__":
    harness.main()
