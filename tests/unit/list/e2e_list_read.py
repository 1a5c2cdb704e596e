"""Reading a list file against the publish server: entries with fields 5 and 6
are decided without a request, the others with one HEAD each, a failed query
puts the entry on the download list, DEL entries are never queried."""
import glob
import os
import shutil
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.abspath(os.path.join(HERE, "..", "..", ".."))
sys.path.insert(0, os.path.join(SOURCE, "tests", "e2e"))
sys.path.insert(0, os.path.join(SOURCE, "tests", "server"))

import harness  # noqa: E402
from publish_server import PublishServer  # noqa: E402

T = 1600000000  # 2020-09-13 12:26:40 GMT
T_TEXT = "20200913122640"


class ListRead(harness.WineTestCase):
    def setUp(self):
        super().setUp()
        self.exe = harness.exe_path("vanto_list_driver.exe")
        if not harness.can_run(self.exe):
            self.skipTest(harness.skip_reason(self.exe))
        self.root = tempfile.mkdtemp(prefix="publish_root_")
        self.addCleanup(shutil.rmtree, self.root, True)
        self.server = PublishServer(self.root).start()
        self.addCleanup(self.server.stop)
        self.target = os.path.join(self.dir, "app")
        os.makedirs(self.target)

    def publish(self, rel, data, mtime=T):
        path = os.path.join(self.root, "pub", *rel.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        os.utime(path, (mtime, mtime))

    def local(self, rel, data, mtime=T):
        path = os.path.join(self.target, *rel.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        os.utime(path, (mtime, mtime))

    def read_list(self, text, **keys):
        with open(os.path.join(self.target, "list.txt"), "wb") as f:
            f.write(text.encode("cp949"))
        settings = dict(SVR_IP_ADDR="127.0.0.1", SVR_PORT_NO=str(self.server.port), DOWNLOAD_BASE_URL="/pub",
                        TARGET_DIR=self.win("app"), LIST_FILE_NAME="list.txt")
        settings.update(keys)
        log_dir = os.path.join(self.dir, "log")
        result = harness.run(self.exe, [self.win("log")] + [f"{k}={v}" for k, v in settings.items()], timeout=120)
        self.assertFalse(result.timed_out)
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = result.stdout.decode("cp949").splitlines()
        self.assertIn("open_shared=1", lines)
        out = {"result": None, "lists": {}}
        for line in lines:
            key, _, value = line.partition("=")
            if key == "result":
                out["result"] = int(value)
            elif "|" in value:
                path, kind, time, size, chunked, gzip, down = value.split("|")
                out["lists"].setdefault(key, []).append(dict(path=path, kind=int(kind), time=time, size=size,
                                                             chunked=int(chunked), gzip=int(gzip), down=int(down)))
        log = b""
        for path in glob.glob(os.path.join(log_dir, "*.log")):
            with open(path, "rb") as f:
                log += f.read()
        out["log"] = log.replace(b"\r\n", b"\n").decode("cp949", errors="replace")
        return out

    def test_requests_per_entry(self):
        self.local("listed_same.txt", b"abc")
        self.publish("same.txt", b"abc")
        self.local("same.txt", b"abc")
        self.publish("changed.txt", b"abcd")
        self.local("changed.txt", b"abc", T - 100)
        self.publish("pkg.zip", b"PK" + b"z" * 5000)
        self.server.set_rule("pub/pkg.zip", gzip=True, chunked=True)
        self.local("gone.dll", b"old")
        got = self.read_list(
            "# fields 5 and 6 decide alone\r\n"
            f"listed_same.txt,,,,{T_TEXT},3\r\n"
            f"listed_new.txt,,,,{T_TEXT},3\r\n"
            "same.txt\r\n"
            "changed.txt,,,,\r\n"
            "missing.txt,,,,,7\r\n"
            "gone.dll,,,DEL\r\n"
            "pkg.zip,,,ZIP\r\n")
        self.assertEqual(got["result"], 5)
        down = {e["path"]: e for e in got["lists"]["down"]}
        self.assertEqual(list(down), ["listed_new.txt", "changed.txt", "missing.txt", "gone.dll", "pkg.zip"])
        self.assertEqual((down["changed.txt"]["time"], down["changed.txt"]["size"]), (T_TEXT, "4"))
        self.assertEqual(down["missing.txt"]["time"], "")
        self.assertEqual(down["gone.dll"]["kind"], 4)
        zips = got["lists"]["zip"]
        self.assertEqual([(z["path"], z["chunked"], z["gzip"], z["down"]) for z in zips], [("pkg.zip", 1, 1, 1)])

        # One HEAD for each entry without time and size; none for the others.
        for rel in ("same.txt", "changed.txt", "missing.txt", "pkg.zip"):
            self.assertEqual(self.server.count("HEAD", "pub/" + rel), 1, rel)
        for rel in ("listed_same.txt", "listed_new.txt", "gone.dll"):
            self.assertEqual(self.server.count("HEAD", "pub/" + rel), 0, rel)
        self.assertEqual(self.server.count("HEAD"), 4)
        self.assertEqual(self.server.count("GET"), 0)

        log = got["log"]
        self.assertIn("CVantoExeDlg::GetFileListFromListFile> Can't Get Server File(missing.txt) Info, "
                      "So Add To Download File List", log)
        self.assertIn(f"CVantoExeDlg::GetFileListFileFromFile> Update Check(2) Line : listed_new.txt,,,,{T_TEXT},3", log)
        self.assertIn("CVantoExeDlg::GetFileListFileFromFile> Update Check(1) Line : changed.txt,,,,", log)
        self.assertIn("CVantoExeDlg::GetFileListFileFromFile> Files that need to be deleted do not extract "
                      "information. => " + self.win("app", "gone.dll"), log)
        self.assertIn("CVantoExeDlg::GetFileListFileFromFile> The number of files to download is 5.", log)

    def test_excluded_entries_are_not_queried(self):
        self.publish("bin/old/a.dll", b"abc")
        got = self.read_list("bin/old/a.dll,,,REG\nbin/new/b.dll,,,REG\n", EXCLUDE_DIRS="bin\\old", ALL_REG_FLAG="1")
        self.assertEqual(got["result"], 1)
        self.assertEqual([e["path"] for e in got["lists"]["reg"]], ["bin/new/b.dll"])
        self.assertEqual(self.server.count("HEAD", "pub/bin/old/a.dll"), 0)
        self.assertEqual(self.server.count("HEAD", "pub/bin/new/b.dll"), 1)


if __name__ == "__main__":
    harness.main()
