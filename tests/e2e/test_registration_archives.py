"""Whole runs of VantoExe that register and extract: COM servers in the three
registration modes (and the in-process route's fallback), ALL_REG_FLAG on a
run with nothing to fetch, a .NET assembly handed to a RegAsm.exe stand-in,
ZIP and ZRG archives with subfolders and Korean names, a damaged archive
fetched again, and a member that tries to leave its folder.

The test COM servers (tests/tools/com_fixture.cpp) note every load and
DllRegisterServer call in "<dll>.calls" with the calling program, and the
registering one writes HKCU\\Software\\VantoTest\\ComServers "<dll path>"."""
import io
import os
import re
import shutil
import sys
import time
import zipfile

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "server"))
import harness  # noqa: E402
import vanto  # noqa: E402

SERVERS_KEY = "HKCU\\Software\\VantoTest\\ComServers"
DOWN_COMPLETE = "CVantoExeDlg::OnRequestStart> Post WM_DOWN_COMPLETE Message, %d, 0"
REG = "CVantoExeDlg::HandleRegisterTypeFilesByRegSvr32> "
REGASM = "C:\\windows\\Microsoft.NET\\Framework\\v2.0.50727\\RegAsm.exe"


class Cp949Name(zipfile.ZipInfo):
    """A member whose name is stored in CP949 without the UTF-8 flag, as
    Korean zip tools write it."""

    def _encodeFilenameFlags(self):
        return self.filename.encode("cp949"), self.flag_bits


def make_zip(members):
    """Archive bytes; members maps names to bytes (None: a folder entry);
    a name given as ("cp949", name) is stored in CP949."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in members:
            info = Cp949Name(name[1]) if isinstance(name, tuple) else zipfile.ZipInfo(name)
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, b"" if data is None else data)
    return buffer.getvalue()


class RegistrationArchivesTest(vanto.PublishedCase):
    def setUp(self):
        super().setUp()
        self.runs = 0

    # --- publishing and running -----------------------------------------
    @staticmethod
    def fixture(variant):
        with open(harness.exe_path(f"vanto_com_{variant}.dll"), "rb") as f:
            return f.read()

    def run_vanto(self, answers=(), close=False, **settings):
        """One "R" run from a fresh copy of the program; answers its message
        boxes in order; close presses Close on the dialog left open."""
        self.runs += 1
        sub = f"app{self.runs}"
        exe = self.install(sub=sub, ini=self.ini(**settings))
        self.spawn(exe, "R")
        boxes = [self.message_box(button, folder=self.path(sub)) for button in answers]
        if close:
            rc, _ = self.driver_run("click", harness.to_windows(self.path(sub)), "30000", "1", timeout=60)
            self.assertEqual(rc, 0, "no dialog to close")
        self.assertTrue(self.wait_all(timeout=90, folder=self.path(sub)), "VantoExe did not end")
        return boxes

    # --- what the COM servers saw ---------------------------------------
    def calls(self, rel):
        try:
            with open(self.local(rel) + ".calls", "rb") as f:
                return f.read().decode("cp949").split("\n")[:-1]
        except FileNotFoundError:
            return []

    def wait_calls(self, rel, line, times=1, timeout=30):
        """regsvr32.exe started by WinExec may end after VantoExe: waits
        until line was noted the given number of times."""
        deadline = time.monotonic() + timeout
        while self.calls(rel).count(line) < times:
            if time.monotonic() > deadline:
                self.fail(f"{rel}: '{line}' not {times} times in {self.calls(rel)}")
            time.sleep(0.2)

    def registered(self):
        """{lower-case dll path: program} of this test's registered servers."""
        out = harness.wine_tool(["reg", "query", SERVERS_KEY]).stdout.decode("cp949", errors="replace")
        mine = harness.to_windows(self.dir).lower()
        found = {}
        for line in out.splitlines():
            m = re.match(r"^\s+(.*?)\s+REG_SZ\s+(.*)$", line)
            if m and m.group(1).lower().startswith(mine):
                found[m.group(1).lower()] = m.group(2).strip()
        return found

    def forget_registrations(self):
        for path in self.registered():
            harness.wine_tool(["reg", "delete", SERVERS_KEY, "/v", path, "/f"])

    def win_local(self, rel):
        return harness.to_windows(self.local(rel)).lower()

    @staticmethod
    def records_of(recorder, text):
        """The stand-in's records that mention text."""
        with open(recorder + ".rec", "rb") as f:
            return [r for r in f.read().decode("cp949").split("--\n") if text in r]

    # --- scenarios ------------------------------------------------------
    def test_in_process_route_fallback_assembly_and_all_reg_on_a_current_run(self):
        framework = os.path.join(harness.prefix(), "drive_c", "windows", "Microsoft.NET", "Framework", "v2.0.50727")
        os.makedirs(framework, exist_ok=True)
        regasm = os.path.join(framework, "RegAsm.exe")
        shutil.copy2(harness.exe_path("vanto_recorder.exe"), regasm)
        self.addCleanup(lambda: [os.remove(p) for p in (regasm, regasm + ".rec") if os.path.exists(p)])
        self.addCleanup(self.forget_registrations)
        self.publish("com/ok.ocx", self.fixture("registers"))
        self.publish("com/noexport.dll", self.fixture("noexport"))
        self.publish("com/fails.ocx", self.fixture("fails"))
        self.publish("net/VantoAsm.dll", b"MZ assembly stand-in")
        self.write_list(["com/ok.ocx,,,REG", "com/noexport.dll,,,REG", "com/fails.ocx,,,REG",
                         "net/VantoAsm.dll,net/my asm/Vanto Asm.dll,,ASM"])

        self.run_vanto(OCX_FILE_REGISTRY_MODE=1, ALL_REG_FLAG=1)
        self.assertEqual(self.result_code(self.target), "0")
        log = self.log_text(self.target)
        self.assertIn(REG + "File(%s) is registered." % harness.to_windows(self.local("com/ok.ocx")), log)
        for rel, code in (("com/noexport.dll", -2), ("com/fails.ocx", -3)):
            self.assertIn(REG + "ProcessRegistryFileByLoadLibrary('%s') error(Return='%d')."
                          % (harness.to_windows(self.local(rel)), code), log)
        # The fallback: regsvr32.exe loads what the in-process route could not register.
        self.wait_calls("com/noexport.dll", "load regsvr32.exe")
        self.wait_calls("com/fails.ocx", "register regsvr32.exe")
        self.assertEqual(self.calls("com/ok.ocx"), ["load VantoExe.exe", "register VantoExe.exe"])
        self.assertEqual(self.registered(), {self.win_local("com/ok.ocx"): "VantoExe.exe"})

        # The assembly, handed to RegAsm.exe with its name quoted, in its folder.
        records = self.records_of(regasm, harness.to_windows(self.local("net/my asm")))
        self.assertEqual(len(records), 1, records)
        self.assertIn('cmdline=%s /silent "Vanto Asm.dll"\n' % REGASM, records[0])
        self.assertIn("cwd=%s\n" % harness.to_windows(self.local("net/my asm")), records[0])
        self.assertIn("arg1=/silent\narg2=Vanto Asm.dll\n", records[0])

        # Nothing to fetch: with ALL_REG_FLAG 1 every REG entry is registered again.
        self.forget_registrations()
        gets = self.server.count("GET")
        self.run_vanto(OCX_FILE_REGISTRY_MODE=1, ALL_REG_FLAG=1)
        self.assertEqual(self.server.count("GET") - gets, 1, "only the list file")
        self.assertIn("CVantoExeDlg::OnRequestStart> IsAlreadyLastVersion() RetVal = 1", self.log_text(self.target))
        self.assertEqual(self.calls("com/ok.ocx")[2:], ["load VantoExe.exe", "register VantoExe.exe"])
        self.wait_calls("com/fails.ocx", "register regsvr32.exe", times=2)
        self.assertEqual(self.registered(), {self.win_local("com/ok.ocx"): "VantoExe.exe"})
        self.assertEqual(len(self.records_of(regasm, harness.to_windows(self.local("net/my asm")))), 1,
                         "an assembly not fetched again is not registered again")

    def test_regsvr32_routes_with_blanks_and_a_zip_of_components(self):
        self.addCleanup(self.forget_registrations)
        ok = self.fixture("registers")
        self.publish("com/m0.ocx", ok)
        self.publish("ctl/controls.zip", make_zip([("ocx/", None), ("ocx/a.ocx", ok), ("ocx/sub/b b.ocx", ok)]))
        self.write_list(["com/m0.ocx,com/with blank/m0 ok.ocx,,REG", "ctl/controls.zip,,,ZRG"])
        self.run_vanto(OCX_FILE_REGISTRY_MODE=0)
        self.assertEqual(self.result_code(self.target), "0")
        for rel in ("com/with blank/m0 ok.ocx", "ctl/ocx/a.ocx", "ctl/ocx/sub/b b.ocx"):
            self.wait_calls(rel, "register regsvr32.exe")
        self.assertTrue(os.path.isfile(self.local("ctl/controls.zip")), "the archive stays")
        self.assertIn("CVantoExeDlg::ProcessRegisterFile2ByRegSvr32> Cmd Str = C:\\windows\\system32\\regsvr32.exe "
                      '/s "b b.ocx"', self.log_text(self.target))

        # Mode 2: regsvr32.exe through the shell, waited for, the full path quoted.
        self.publish("com/m2.ocx", ok)
        self.write_list(["com/m2.ocx,com/two words/m2 ok.ocx,,REG"])
        self.run_vanto(OCX_FILE_REGISTRY_MODE=2)
        self.assertEqual(self.result_code(self.target), "0")
        # Waited for: registered before VantoExe ended.
        self.assertEqual(self.calls("com/two words/m2 ok.ocx"), ["load regsvr32.exe", "register regsvr32.exe"])
        self.assertIn(REG + "Registered by StartExeFileByShellExecute(%s)."
                      % harness.to_windows(self.local("com/two words/m2 ok.ocx")), self.log_text(self.target))
        self.assertEqual(self.registered(), {self.win_local(rel): "regsvr32.exe" for rel in (
            "com/with blank/m0 ok.ocx", "ctl/ocx/a.ocx", "ctl/ocx/sub/b b.ocx", "com/two words/m2 ok.ocx")})

    def test_archives_extracted_damaged_one_fetched_again_climbing_member_refused(self):
        self.publish("pkg/tree.zip", make_zip([
            ("docs/", None), ("docs/readme.txt", b"readme"), ("docs/deep/nested/leaf.txt", b"leaf"),
            (("cp949", "한글/설정.ini"), b"[A]\r\n"), ("readonly.txt", b"new")]))
        self.publish("pkg/bad.zip", b"PK\x03\x04" + os.urandom(3000))
        self.publish("pkg/climb.zip", make_zip([("first.txt", b"1"), ("../escape.txt", b"x"), ("after.txt", b"3")]))
        # 100 MB of zeros in about 100 KB: beyond what an archive that small may hold.
        self.publish("pkg/bomb.zip", make_zip([("bomb/old.bin", bytes(100 << 20))]))
        self.assertLess(os.path.getsize(os.path.join(self.pub, "vanto", "pkg", "bomb.zip")), 200 * 1024)
        self.write_list(["pkg/tree.zip,,,ZIP", "pkg/bad.zip,,,ZIP", "pkg/climb.zip,,,ZIP", "pkg/bomb.zip,,,ZIP"])
        os.makedirs(self.local("pkg/bomb"))
        with open(self.local("pkg/bomb/old.bin"), "wb") as f:
            f.write(b"old")
        with open(self.local("pkg/readonly.txt"), "wb") as f:
            f.write(b"old")
        os.chmod(self.local("pkg/readonly.txt"), 0o444)

        boxes = self.run_vanto(answers=["no"], close=True)
        self.assertTrue(boxes[0] and boxes[0].startswith("모든 다운로드 과정을 완료했지만,"), boxes)
        log = self.log_text(self.target)
        self.assertIn(DOWN_COMPLETE % 3, log)
        self.assertEqual(self.read_local("pkg/docs/readme.txt"), b"readme")
        self.assertEqual(self.read_local("pkg/docs/deep/nested/leaf.txt"), b"leaf")
        self.assertEqual(self.read_local("pkg/한글/설정.ini"), b"[A]\r\n")
        self.assertEqual(self.read_local("pkg/readonly.txt"), b"new")
        self.assertTrue(os.path.isfile(self.local("pkg/tree.zip")))
        # Failed archives are deleted; the members before the refused one stay.
        self.assertFalse(os.path.exists(self.local("pkg/bad.zip")))
        self.assertFalse(os.path.exists(self.local("pkg/climb.zip")))
        self.assertEqual(self.read_local("pkg/first.txt"), b"1")
        self.assertFalse(os.path.exists(self.local("pkg/after.txt")))
        self.assertFalse(os.path.exists(self.local("escape.txt")), "written outside the archive's folder")
        self.assertFalse(os.path.exists(self.local("pkg/escape.txt")))
        # The bomb wrote nothing: the old member stays, the archive is gone.
        self.assertEqual(self.read_local("pkg/bomb/old.bin"), b"old")
        self.assertFalse(os.path.exists(self.local("pkg/bomb.zip")))
        used = sum(os.path.getsize(os.path.join(root, name)) for root, _d, names in os.walk(self.target)
                   for name in names if not root.endswith("log"))
        self.assertLess(used, 1 << 20, "disk used by the target after the bomb")
        deleted = "CVantoExeDlg::HandleZipTypeFiles> Delete Local Flle = %s"
        self.assert_in_order(log, [
            "CVantoExeDlg::HandleZipTypeFiles> Start...",
            "CVantoExeDlg::ProcessZipFile> Can't Open Zip File",
            deleted % harness.to_windows(self.local("pkg/bad.zip")),
            "CVantoExeDlg::ProcessZipFile> Zip Item Outside The Folder Refused, Index = 1, Name = ../escape.txt",
            deleted % harness.to_windows(self.local("pkg/climb.zip")),
            "[ERROR] CVantoExeDlg::ProcessZipFile> Zip Size Bound Reached, Nothing Extracted : the members announce "
            "more than 67108864 bytes together (archive of ",
            deleted % harness.to_windows(self.local("pkg/bomb.zip")),
            "CVantoExeDlg::OnRequestStart> nAllSequenceSuccessFlag = 0"])

        # The next run finds the damaged archive missing, fetches and extracts it.
        self.publish("pkg/bad.zip", make_zip([("fixed/ok.txt", b"fixed")]))
        self.publish("pkg/climb.zip", make_zip([("first.txt", b"1"), ("after.txt", b"3")]))
        self.publish("pkg/bomb.zip", make_zip([("bomb/old.bin", b"new")]))
        self.run_vanto()
        self.assertEqual(self.result_code(self.target), "0")
        self.assertEqual(self.read_local("pkg/fixed/ok.txt"), b"fixed")
        self.assertEqual(self.read_local("pkg/after.txt"), b"3")
        self.assertEqual(self.read_local("pkg/bomb/old.bin"), b"new")
        self.assertEqual(self.server.count("GET", "vanto/pkg/bad.zip"), 2)
        self.assertEqual(self.server.count("GET", "vanto/pkg/tree.zip"), 1, "the good archive is current")


if __name__ == "__main__":
    harness.main()
