"""Run modes of VantoExe: the launcher hand-off, refused launch names, the
single-instance guard and refused command lines."""
import filecmp
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "server"))
import harness  # noqa: E402
import vanto  # noqa: E402
from publish_server import PublishServer  # noqa: E402

NOT_BY_HAND = "이 파일은 사용자가 직접 실행 할 수 없습니다."
ALREADY_RUNNING = "Previous version management program is already running."
BP_PORT_UNKNOWN = "BP server port number is unknown."


class LaunchTest(vanto.VantoCase):
    def setUp(self):
        super().setUp()
        # A run that gets past start-up finds an empty list: current at once.
        pub = self.path("pub")
        os.makedirs(pub)
        with open(os.path.join(pub, "Vanto.lst"), "wb") as f:
            f.write(b"# nothing to fetch\r\n")
        self.server = PublishServer(pub).start()
        self.addCleanup(self.server.stop)

    def ini(self, target, **extra):
        values = {"TARGET_DIR": harness.to_windows(target), "SVR_IP_ADDR": "127.0.0.1",
                  "SVR_PORT_NO": str(self.server.port), "DOWNLOAD_BASE_URL": "/", "LIST_FILE_NAME": "Vanto.lst"}
        values.update(extra)
        return values

    def holding_ini(self, target):
        # Start-up stops at the BP-server message while holding its mutex.
        return self.ini(target, DOWNLOAD_FROM_BP_SERVER="1")

    def test_run_copy_started_by_hand_refuses(self):
        for name in ("VantoExeRun.exe", "vantoexenew.EXE"):
            with self.subTest(name=name):
                target = self.path("target_" + name)
                exe = self.install(name=name, sub="by_hand_" + name, ini=self.ini(target))
                self.start(exe)
                self.assertEqual(self.message_box(), NOT_BY_HAND)
                self.assertTrue(self.wait_all())
                self.assertFalse(os.path.exists(target), "nothing else may happen")
                self.assertEqual(sorted(os.listdir(os.path.dirname(exe))), sorted(["Vanto.ini", name]))

    def test_launcher_copies_itself_and_starts_run_copy(self):
        target = self.path("target")
        exe = self.install(ini=self.holding_ini(target))
        self.start(exe)
        self.assertEqual(self.message_box(button="none"), BP_PORT_UNKNOWN)
        run_copy = self.path("app", "VantoExeRun.exe")
        self.assertTrue(filecmp.cmp(exe, run_copy, shallow=False))
        names = sorted(os.path.basename(p.replace("\\", "/")) for p in self.running().values())
        self.assertEqual(names, ["VantoExeRun.exe"], "the launcher has ended, its copy works")
        # The copy holds the working-copy mutex: it was started with "R".
        second = self.install(name="VantoExeRun.exe", sub="second")
        self.start(second, "R")
        self.assertEqual(self.message_box(folder=self.path("second")), ALREADY_RUNNING)
        self.assertTrue(self.wait_all(folder=self.path("second")))
        self.assertEqual(self.message_box(), BP_PORT_UNKNOWN)  # answers the first box
        self.assertTrue(self.wait_all())
        self.assertEqual(self.result_code(target), "0")
        log = self.log_text(target)
        self.assert_startup_log(target)
        self.assertIn("CVantoCfg::LogConfigInfo> m_strCfgFilePath : " + harness.to_windows(self.path("app", "Vanto.ini")),
                      log)
        self.assertIn("[ERROR] CVantoExeApp::InitInstance> BP server port number is unknown.", log)

    def test_launcher_within_a_minute_reuses_the_copy_and_stops_the_running_one(self):
        target = self.path("target")
        exe = self.install(ini=self.holding_ini(target))
        run_copy = self.path("app", "VantoExeRun.exe")
        with open(exe, "rb") as f:
            image = bytearray(f.read())
        stub = image.find(b"This program cannot be run in DOS mode")
        self.assertGreater(stub, 0)
        image[stub] = ord("t")  # same size, different bytes: shows whether a copy was made
        with open(run_copy, "wb") as f:
            f.write(image)
        st = os.stat(exe)
        os.utime(run_copy, (st.st_atime, st.st_mtime + 30))

        self.start(exe)
        self.assertEqual(self.message_box(button="none"), BP_PORT_UNKNOWN)
        first = self.running()
        self.assertEqual([os.path.basename(p.replace("\\", "/")) for p in first.values()], ["VantoExeRun.exe"])
        with open(run_copy, "rb") as f:
            self.assertEqual(f.read(), bytes(image), "size equal, time within 60 s: no copy")

        self.start(exe)  # again: the running copy is stopped first
        deadline = time.monotonic() + 60
        while set(first) & set(self.running()) and time.monotonic() < deadline:
            time.sleep(0.5)
        self.assertEqual(self.message_box(button="none"), BP_PORT_UNKNOWN)
        second = self.running()
        self.assertEqual(len(second), 1)
        self.assertFalse(set(first) & set(second), "the first copy was terminated")

        os.utime(run_copy, (st.st_atime, st.st_mtime + 120))
        self.message_box()
        self.assertTrue(self.wait_all())
        self.start(exe)  # times 120 s apart: copied again
        self.assertEqual(self.message_box(), BP_PORT_UNKNOWN)
        self.assertTrue(self.wait_all())
        self.assertTrue(filecmp.cmp(exe, run_copy, shallow=False))

    def test_launcher_under_another_name_does_the_work_itself(self):
        target = self.path("target")
        # ini() points at the publish server: the run finds an empty list.
        exe = self.install(name="Updater.exe", ini=self.ini(target))
        self.start(exe)
        self.assertTrue(self.wait_all())
        self.assertFalse(os.path.exists(self.path("app", "VantoExeRun.exe")))
        self.assertEqual(self.result_code(target), "0")
        self.assertEqual(self.read_ini_value(os.path.join(target, "_UpdateD.ini"), "UPDATE",
                                             "LAST_DOWN_LOAD_YYYYMMDD"), self.today())
        self.assert_startup_log(target)

    def test_second_R_instance_is_refused_without_result(self):
        first_target = self.path("first_target")
        first = self.install(name="VantoExeRun.exe", sub="first", ini=self.holding_ini(first_target))
        self.start(first, "R")
        self.assertEqual(self.message_box(button="none", folder=self.path("first")), BP_PORT_UNKNOWN)
        second_target = self.path("second_target")
        second = self.install(name="VantoExeRun.exe", sub="second", ini=self.ini(second_target))
        self.start(second, "R")
        self.assertEqual(self.message_box(folder=self.path("second")), ALREADY_RUNNING)
        self.assertTrue(self.wait_all(folder=self.path("second")))
        self.assertFalse(os.path.exists(second_target), "no result file, no log")
        self.assertEqual(self.result_code(first_target), "2", "not finished while the first one runs")
        self.message_box(folder=self.path("first"))
        self.assertTrue(self.wait_all())
        self.assertEqual(self.result_code(first_target), "0")
        self.assert_startup_log(first_target)

    def test_unknown_first_character_is_refused(self):
        target = self.path("target")
        exe = self.install(ini=self.ini(target))
        self.start(exe, "X9")
        self.assertEqual(self.message_box(), "Invalid program argument, so exit program.\n(Command Line = X9)")
        self.assertTrue(self.wait_all())
        self.assertFalse(os.path.exists(target))

    def test_refused_command_line_of_known_mode(self):
        target = self.path("target")
        exe = self.install()
        self.spawn(exe, "3 only_two")
        self.assertEqual(self.message_box(), "Invalid program argument, so exit program.")
        self.assertTrue(self.wait_all())
        self.assertFalse(os.path.exists(target))

    def test_missing_target_dir_in_default_ini(self):
        exe = self.install(name="Updater.exe", ini={"SVR_IP_ADDR": "127.0.0.1"})
        self.start(exe)
        self.assertEqual(self.message_box(), "Can't get config information, so exit program")
        self.assertTrue(self.wait_all())


if __name__ == "__main__":
    harness.main()
