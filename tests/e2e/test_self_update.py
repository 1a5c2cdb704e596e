"""The self-update, started from the launcher as users start it: the working
copy finds a different "VantoExe.exe" on the publish server, downloads it,
puts it over the installed one and hands over to "VantoExeNew.exe", which
does the run; a second launch finds the program current. A failing server
query, a download that breaks off and a file that is no program for this
machine leave the program as it was, and the run goes on.

The server's program file is this build with a newer time and the version
resource 11.11.7.2 instead of 11.11.7.1, so each log shows which copy ran."""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
import vanto  # noqa: E402

S_LINE = "-" * 86 + "S"
E_LINE = "-" * 86 + "E"
CHECK = "CVantoExeDlg::OnInitDialog> 'VantoExe.exe' >> Check file update version."
RUN_STARTS = "CVantoExeDlg::OnRequestStart> Recv WMU_REQUEST_START Message"


def with_version(image, build):
    """The program image with the last part of its file version replaced."""
    data = bytearray(image)
    at = data.find(struct.pack("<I", 0xFEEF04BD))  # VS_FIXEDFILEINFO
    assert at > 0, "no version resource"
    ms, ls = struct.unpack_from("<II", data, at + 8)
    assert (ms, ls >> 16) == ((11 << 16) | 11, 7), "unexpected version"
    struct.pack_into("<I", data, at + 12, (7 << 16) | build)
    return bytes(data)


class SelfUpdateTest(vanto.PublishedCase):
    def setUp(self):
        super().setUp()
        self.write_list([])  # nothing to fetch
        self.app = self.path("app")
        self.exe = self.install(ini=self.ini())
        with open(self.exe, "rb") as f:
            self.old_image = f.read()
        self.old_mtime = int(os.stat(self.exe).st_mtime)
        # The published program: another version, an hour newer.
        self.new_image = with_version(self.old_image, 2)
        self.new_mtime = self.old_mtime + 3600
        self.published = self.publish("VantoExe.exe", self.new_image, self.new_mtime)

    def launch(self):
        """One launch of the installed program as users start it; the log
        files it and the copies it started wrote, by the version that ran."""
        before = self.log_snapshot(self.target)
        result_file = os.path.join(self.target, "VantoExe.ini")
        if os.path.exists(result_file):
            os.remove(result_file)
        self.start(self.exe)
        self.assertTrue(self.wait_all(timeout=120, folder=self.app))
        # A process writes files named ..._<process>.log (a new one each hour).
        # Wine reuses process ids, so a launch may append to an earlier
        # launch's file: take what each file gained.
        by_process = {}
        for name, data in sorted(self.log_snapshot(self.target).items()):
            gained = vanto.decode_log(data)[len(vanto.decode_log(before.get(name, b""))):]
            if gained:
                process = name.rsplit("_", 1)[1]
                by_process[process] = by_process.get(process, "") + gained
        logs = {}
        for text in by_process.values():
            version = text.split("VantoExe Start, Version = ", 1)[1].split("\n", 1)[0].strip()
            self.assertNotIn(version, logs, "one process per version in a launch")
            logs[version] = text
        return logs

    def installed(self):
        with open(self.exe, "rb") as f:
            return f.read(), int(os.stat(self.exe).st_mtime)

    def assert_run_went_on(self, log):
        self.assert_in_order(log, [CHECK, "CVantoExeDlg::OnInitDialog> IsSelfFileUpdated() is fail.(return=-2)", E_LINE,
                                   RUN_STARTS, "CVantoExeApp::ExitInstance> pResultValue = 0"])
        self.assertEqual(self.result_code(self.target), "0")
        self.assertEqual(self.installed(), (self.old_image, self.old_mtime), "the old program file is in place")
        self.assertEqual(sorted(os.listdir(self.app)), ["Vanto.ini", "VantoExe.exe", "VantoExeRun.exe"],
                         "no backup, no new copy")

    def test_update_hands_over_to_the_new_copy_and_a_second_launch_finds_it_current(self):
        logs = self.launch()
        self.assertEqual(sorted(logs), ["11.11.7.1", "11.11.7.2"])
        self.assertEqual(self.installed(), (self.new_image, self.new_mtime), "the server's file with its time")
        with open(os.path.join(self.app, "VantoExeNew.exe"), "rb") as f:
            self.assertEqual(f.read(), self.new_image)
        self.assertFalse(os.path.exists(self.exe + ".exe"), "backup removed")
        self.assertEqual(self.server.count("GET", "vanto/VantoExe.exe"), 1)
        new_copy = harness.to_windows(os.path.join(self.app, "VantoExeNew.exe"))
        old = logs["11.11.7.1"]
        self.assert_in_order(old, [
            "[INFO ] " + S_LINE, "[DEBUG] " + CHECK,
            "CVantoExeDlg::GetServerFileInfo> pDownFileUrl = /vanto/VantoExe.exe",
            "CVantoExeDlg::IsSelfFileUpdated> Server File ModifyTime = ",
            "CVantoExeDlg::IsSelfFileUpdated> Download OK, File = " + harness.to_windows(self.exe),
            "CVantoExeDlg::OnInitDialog> 'VantoExe.exe' >> The file has been updated. Restart the program.",
            "[INFO ] " + E_LINE,
            f"CVantoExeApp::StartExeByShellExecute> pProgramFilePath='{new_copy}', pProgramArgument='N'",
            "CVantoExeApp::StartExeByShellExecute> Success.",
            "CVantoExeApp::ExitInstance> Program restart due to update.",
            "CVantoExeApp::ExitInstance> Close HTTP Connection",
            "CVantoExeApp::ExitInstance> Delete g_pMyLog Object"])
        for absent in (RUN_STARTS, "pResultFilePath", "Try to Run Corvo", "WriteDownloadDate"):
            self.assertNotIn(absent, old, "the first copy ends without its run and result")
        new = logs["11.11.7.2"]
        self.assertNotIn(CHECK, new, "the new copy never repeats the check")
        self.assert_in_order(new, [RUN_STARTS, "CVantoExeApp::ExitInstance> pResultValue = 0"])
        self.assertEqual(self.result_code(self.target), "0")

        # Second launch: the server's copy equals the installed one now.
        logs = self.launch()
        self.assertEqual(list(logs), ["11.11.7.2"], "only the launcher's copy of the new program ran")
        self.assert_in_order(logs["11.11.7.2"], [
            CHECK, "CVantoExeDlg::OnInitDialog> 'VantoExe.exe' >> It's already the latest file.", E_LINE, RUN_STARTS,
            "CVantoExeApp::ExitInstance> pResultValue = 0"])
        self.assertEqual(self.server.count("GET", "vanto/VantoExe.exe"), 1, "no second download")
        self.assertEqual(self.result_code(self.target), "0")

    def test_failed_query_and_broken_download_leave_the_program_and_the_run_goes_on(self):
        self.server.set_rule("vanto/VantoExe.exe", status=500)
        log = self.launch()["11.11.7.1"]
        self.assert_in_order(log, ["[DEBUG] CVantoExeDlg::IsSelfFileUpdated> GetServerFileInfo() Fail, RetVal = -5",
                                   "[ERROR] CVantoExeDlg::OnInitDialog> IsSelfFileUpdated() is fail.(return=-2)"])
        self.assert_run_went_on(log)
        self.assertEqual(self.server.count("GET", "vanto/VantoExe.exe"), 0)

        # The transfer breaks off after 20000 bytes: the download puts the
        # previous program file back.
        self.server.set_rule("vanto/VantoExe.exe", close_after=20000)
        log = self.launch()["11.11.7.1"]
        self.assert_in_order(log, [
            "CVantoExeDlg::DownloadOneFileFromServer> Server File Size = %d, Write File Size = 20000"
            % len(self.new_image),
            "[ERROR] CVantoExeDlg::IsSelfFileUpdated> DownloadOneFileFromServer() Fail, RetVal = -4"])
        self.assert_run_went_on(log)
        self.assertEqual(self.server.count("GET", "vanto/VantoExe.exe"), 1)

    def test_a_page_served_as_the_program_is_refused_and_this_copy_does_the_run(self):
        # An error page answered with status 200, newer than the program.
        self.publish("VantoExe.exe", b"<html><body>Service Unavailable</body></html>\r\n" * 50, self.new_mtime)
        log = self.launch()["11.11.7.1"]
        self.assert_in_order(log, [
            "[ERROR] CVantoExeDlg::IsSelfFileUpdated> Downloaded File Refused(%s.download~) : not a Windows program, "
            "The Old Program Stays" % harness.to_windows(self.exe),
            "[ERROR] CVantoExeDlg::OnInitDialog> IsSelfFileUpdated() is fail.(return=-2)"])
        self.assert_run_went_on(log)


if __name__ == "__main__":
    harness.main()
