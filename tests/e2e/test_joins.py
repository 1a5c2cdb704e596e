"""The joins between fetching and installing, in whole runs: handlers act
only on what this run fetched (a PASS archive missing on the server, an
archive whose download failed), a component whose registration fails in
mode 2 is reported and tried again by the next run, and a font that cannot
be installed is reported on a run that had nothing to fetch."""
import os
import sys
import uuid

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import test_registration_archives as archives  # noqa: E402
import vanto  # noqa: E402

QUESTION = "모든 다운로드 과정을 완료했지만,"
REG = "CVantoExeDlg::HandleRegisterTypeFilesByRegSvr32> "
# The run's end after the user answered No (Close then leaves result 1).
PARTIAL = archives.DOWN_COMPLETE % 3


class JoinsTest(vanto.PublishedCase):
    def setUp(self):
        super().setUp()
        self.runs = 0

    run_vanto = archives.RegistrationArchivesTest.run_vanto
    fixture = staticmethod(archives.RegistrationArchivesTest.fixture)
    calls = archives.RegistrationArchivesTest.calls

    def stamps(self):
        return [n for n in os.listdir(self.target) if n.startswith("Vanto.lst.") and n != "Vanto.lst.pending"]

    def test_only_what_this_run_fetched_is_extracted(self):
        self.publish("pkg/a.zip", archives.make_zip([("a/one.txt", b"v1")]), 1600000000)
        self.write_list(["pkg/a.zip,,,ZIP|PASS", "pkg/gone.zip,,,ZIP|PASS"])
        self.run_vanto()
        self.assertEqual(self.result_code(self.target), "0")
        self.assertEqual(self.read_local("pkg/a/one.txt"), b"v1")

        # A newer archive whose transfer breaks off: the old archive is put
        # back and must not be extracted again; the missing PASS archive
        # fails nothing. The run ends without a question.
        os.remove(self.local("pkg/a/one.txt"))
        self.publish("pkg/a.zip", archives.make_zip([("a/one.txt", b"v2 " * 4000)]), 1600086400)
        self.server.set_rule("vanto/pkg/a.zip", close_after=100)
        self.run_vanto()
        self.assertEqual(self.result_code(self.target), "0")
        self.assertIsNone(self.read_local("pkg/a/one.txt"), "the old archive was extracted again")
        self.assertIsNone(self.read_local("pkg/gone.zip"))
        log = self.log_text(self.target)
        self.assertNotIn("CVantoExeDlg::ProcessZipFile> Can't Open Zip File", log)

        # Once it can be fetched, the new archive is extracted.
        self.server.clear_rules()
        self.run_vanto()
        self.assertEqual(self.result_code(self.target), "0")
        self.assertEqual(self.read_local("pkg/a/one.txt"), b"v2 " * 4000)

    def test_failing_component_in_mode_two_is_reported_and_tried_again(self):
        self.publish("com/fails.ocx", self.fixture("fails"))
        self.write_list(["com/fails.ocx,,,REG"])
        failed = REG + "regsvr32.exe failed to register (%s), ExitCode = " % harness.to_windows(
            self.local("com/fails.ocx"))
        for run in (1, 2):
            boxes = self.run_vanto(answers=["no"], close=True, OCX_FILE_REGISTRY_MODE=2, CHECK_LIST_FILE_FLAG=1)
            self.assertTrue(boxes[0] and boxes[0].startswith(QUESTION), f"run {run}: {boxes}")
            self.assertEqual(self.log_text(self.target).count(PARTIAL), run)
            self.assertEqual(self.calls("com/fails.ocx").count("register regsvr32.exe"), run)
            self.assertEqual(self.log_text(self.target).count(failed), run)
        self.assertEqual(self.server.count("GET", "vanto/com/fails.ocx"), 1, "tried again without fetching again")
        self.assertEqual(self.stamps(), [], "no stamp after a failed registration")

    def test_font_failure_on_a_run_with_nothing_to_fetch_is_reported(self):
        name = f"VantoBad_{uuid.uuid4().hex[:8]}.ttf"
        fonts_dir = os.path.join(harness.prefix(), "drive_c", "windows", "Fonts")
        self.addCleanup(lambda: os.path.exists(os.path.join(fonts_dir, name)) and
                        os.remove(os.path.join(fonts_dir, name)))
        self.publish("font/" + name, b"not a font " * 100)
        self.write_list([f"font/{name},,,FNT"])
        for run in (1, 2):
            boxes = self.run_vanto(answers=["no"], close=True, CHECK_LIST_FILE_FLAG=1)
            self.assertTrue(boxes[0] and boxes[0].startswith(QUESTION), f"run {run}: {boxes}")
            self.assertEqual(self.log_text(self.target).count(PARTIAL), run)
        log = self.log_text(self.target)
        self.assertIn("CVantoExeDlg::OnRequestStart> IsAlreadyLastVersion() RetVal = 1", log)
        self.assertEqual(log.count("CVantoExeDlg::ProcessFontFile> AddFontRecource(%s) Fail" % name), 2)
        self.assertEqual(self.server.count("GET", "vanto/font/" + name), 1, "nothing fetched again")
        self.assertEqual(self.stamps(), [], "the list is not stamped while the font fails")


if __name__ == "__main__":
    harness.main()
