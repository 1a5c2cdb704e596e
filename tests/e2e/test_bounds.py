"""Hostile answers against the download's bounds: an endless body without a
length, gzip bombs with and without a known size, four kinds of damaged
gzip, and a server that drips one byte at a time. Each fails its file with
the old file intact and one log line naming what was wrong, and the disk
the bombs use stays bounded (measured while they run)."""
import os
import re
import select
import subprocess
import sys
import threading
import time
import zlib

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from http_case import OLD, HttpCase  # noqa: E402

MTIME = 1444512000
MIB = 1 << 20
TEXT = b"".join(b"line %05d of a text file that compresses well\r\n" % i for i in range(3000))


def gzip_bytes(data=None, zeros=0):
    """A gzip member of data, or of that many zero bytes (made in pieces)."""
    compressor = zlib.compressobj(9, zlib.DEFLATED, 31)
    if data is not None:
        return compressor.compress(data) + compressor.flush()
    out = []
    block = bytes(MIB)
    for _ in range(zeros // MIB):
        out.append(compressor.compress(block))
    out.append(compressor.flush())
    return b"".join(out)


class DiskWatch:
    """Largest total size of the files below a folder while it runs."""

    def __init__(self, folder):
        self.folder = folder
        self.peak = 0
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._watch, daemon=True)

    def _watch(self):
        while not self._stop.is_set():
            total = 0
            for root, _dirs, names in os.walk(self.folder):
                for name in names:
                    try:
                        total += os.path.getsize(os.path.join(root, name))
                    except OSError:
                        pass
            self.peak = max(self.peak, total)
            time.sleep(0.005)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()


class BoundsTest(HttpCase):
    def results(self, out):
        return [int(v) for v in re.findall(r"^download_result=(-?\d+)$", out.text, re.M)]

    def assert_old_and_alone(self, name):
        """The old file back, nothing else beside it."""
        self.assertEqual(self.read(self.local(name)), OLD, name)
        leftovers = [n for n in os.listdir(self.local()) if n.startswith(name) and n != name]
        self.assertEqual(leftovers, [], name)

    def test_bombs_endless_and_damaged_answers_fail_with_the_old_file_back(self):
        bomb = gzip_bytes(zeros=256 * MIB)
        self.assertLess(len(bomb), 300 * 1024)
        self.publish("bomb.dll", bomb, MTIME)
        self.server.set_rule("pub/bomb.dll", content_encoding="gzip", chunked=True)  # no size known
        self.publish("sized.dll", bomb, MTIME)
        self.server.set_rule("pub/sized.dll", content_encoding="gzip")  # the list's size below
        self.publish("endless.dll", b"", MTIME)
        self.server.set_rule("pub/endless.dll", endless=True)
        good = gzip_bytes(TEXT)
        damaged = {
            "crc.dll": good[:-8] + bytes([good[-8] ^ 0x55]) + good[-7:],
            "length.dll": good[:-4] + bytes([good[-4] ^ 0x55]) + good[-3:],
            "body.dll": good[:10] + b"\xff" * 64 + good[74:],
            "truncated.dll": good[:len(good) // 2],
        }
        for name, data in damaged.items():
            self.publish(name, data, MTIME)
            self.server.set_rule("pub/" + name, content_encoding="gzip", chunked=True)
        names = ["bomb.dll", "sized.dll", "endless.dll", *damaged]
        commands = ["bound", "unknown-size", str(8 * MIB)]
        for name in names:
            self.put_local(name)
            commands += ["item", name, harness.to_windows(self.local(name)), "info"]
            if name == "sized.dll":
                commands += ["set", "chunked", "0", "set", "size", str(len(TEXT))]
            commands += ["download", "1"]
        with DiskWatch(self.local()) as disk:
            out = self.drive(*commands, timeout=240)
        # sized.dll: the answer is larger than deflate could need for the
        # size the list gives, so it is cut while it transfers.
        self.assertEqual(self.results(out), [-6, -4, -4, -6, -6, -6, -6])
        for name in names:
            self.assert_old_and_alone(name)
        # With the bound for unknown sizes at 8 MiB, neither bomb nor the
        # endless answer took more than that; the old files are 1 KB each.
        self.assertLess(disk.peak, 8 * MIB + 2 * len(bomb) + 64 * 1024, disk.peak)

        log = self.log()
        w = harness.to_windows
        for line in [
            "[ERROR] CVantoExeDlg::UnCompressGzipFile> Decoded Size Bound Reached(%s), Bound = %d, Decoded Size = "
            % (w(self.local("bomb.dll")), 8 * MIB),
            "[ERROR] CVantoExeDlg::DownloadOneFileFromServer> Transfer Size Bound Reached(%s), Bound = %d"
            % (w(self.local("sized.dll")), len(TEXT) + len(TEXT) // 8192 + 65536),
            "[ERROR] CVantoExeDlg::DownloadOneFileFromServer> Transfer Size Bound Reached(%s), Bound = %d"
            % (w(self.local("endless.dll")), 8 * MIB),
            "[ERROR] CVantoExeDlg::UnCompressGzipFile> Gzip Stream damaged(%s) : the CRC-32 differs, Decoded Size = %d"
            % (w(self.local("crc.dll")), len(TEXT)),
            "[ERROR] CVantoExeDlg::UnCompressGzipFile> Gzip Stream damaged(%s) : the length field differs"
            % w(self.local("length.dll")),
            "[ERROR] CVantoExeDlg::UnCompressGzipFile> Gzip Stream damaged(%s) : bad compressed data"
            % w(self.local("body.dll")),
            "[ERROR] CVantoExeDlg::UnCompressGzipFile> Gzip Stream cut short(%s) : the stream is cut short"
            % w(self.local("truncated.dll")),
        ]:
            self.assertIn(line, log)

    def test_the_built_in_bound_without_a_known_size(self):
        """A 255 KiB answer that decodes to 256 MiB stops at 64 MiB, the
        floor of the bound for gzip answers of unknown size."""
        self.publish("bomb.dll", gzip_bytes(zeros=256 * MIB), MTIME)
        self.server.set_rule("pub/bomb.dll", content_encoding="gzip", chunked=True)
        self.put_local("bomb.dll")
        with DiskWatch(self.local()) as disk:
            out = self.download("bomb.dll", self.local("bomb.dll"), "info", timeout=240)
        self.assertEqual(out.int("download_result"), -6)
        self.assert_old_and_alone("bomb.dll")
        self.assertLessEqual(disk.peak, 64 * MIB + 300 * 1024 + len(OLD), disk.peak)
        self.assertIn("Decoded Size Bound Reached(%s), Bound = %d" % (harness.to_windows(self.local("bomb.dll")),
                                                                        64 * MIB), self.log())

    def kill_download(self, rel, target, function, suffix, nth=1):
        """One download of rel to target by the driver, ended (as a crash or a
        power loss would end it) at the nth call of function on a path
        ending with suffix."""
        self.run_count += 1
        settings = os.path.join(self.dir, f"kill_settings{self.run_count}.txt")
        with open(settings, "wb") as f:
            f.write("".join(f"{k}={v}\n" for k, v in self.settings.items()).encode("cp949"))
        logdir = os.path.join(self.dir, f"kill_log{self.run_count}")
        os.makedirs(logdir)
        tail = os.path.join(self.dir, f"kill_tail{self.run_count}.txt")
        with open(tail, "wb") as f:
            f.write(('"%s" "%s" item %s "%s" info download 1' % (
                harness.to_windows(settings), harness.to_windows(logdir), rel, harness.to_windows(target))).encode("cp949"))
        killat = harness.exe_path("vanto_killat.exe")
        r = harness.run(killat, [harness.to_windows(harness.exe_path("vanto_http_driver.exe")), harness.to_windows(tail),
                                 "90000", function, suffix, str(nth)], timeout=150)
        self.assertEqual(r.returncode, 0, f"{function}(...{suffix}) #{nth}: " + harness.describe(r))

    def assert_downloads_whole(self, rel, target, data):
        out = self.download(rel, target, "info")
        self.assertEqual(out.int("download_result"), 0)
        self.assertEqual(self.read(target), data)
        self.assertAlmostEqual(os.path.getmtime(target), MTIME, delta=2)

    def test_a_download_killed_while_it_replaces_a_file_leaves_the_old_or_the_new_one_whole(self):
        """The new content is written beside the file, flushed and dated, and
        takes the old file's place in one move. Killed at each file call on
        the way, the path holds the old file whole (a file that was not there,
        such as a system file fetched only while it is missing: nothing); the
        next download puts the new one there and leaves nothing beside it."""
        self.publish("sys/new.dll", TEXT, MTIME)
        target = self.local("sys", "new.dll")
        self.kill_download("sys/new.dll", target, "MoveFileExA", "new.dll.part~")
        self.assertFalse(os.path.exists(target), "nothing at the path of a file that never arrived whole")
        self.assert_downloads_whole("sys/new.dll", target, TEXT)
        self.assertEqual(os.listdir(self.local("sys")), ["new.dll"])

        self.publish("app.dll", TEXT, MTIME)
        target = self.put_local("app.dll")
        for function in ("CreateFileA", "GetFileAttributesExA", "MoveFileExA"):
            self.kill_download("app.dll", target, function, "app.dll.part~")
            self.assertEqual(self.read(target), OLD, f"killed at {function}: the old file whole at its path")
        self.assert_downloads_whole("app.dll", target, TEXT)
        self.assertEqual(sorted(n for n in os.listdir(self.local()) if n.startswith("app.dll")), ["app.dll"])

    def test_a_program_that_runs_is_replaced_through_its_backup(self):
        """A running program can be renamed but not replaced: it moves to the
        backup path first, then the new file takes its place (logged). Killed
        between the two moves, the old program waits as the backup and the
        new file whole beside the path; the next download puts the old one
        back first and then replaces it again."""
        probe = harness.exe_path("vanto_probe_exit.exe")
        old = self.read(probe)
        new = old + b"version 2"
        self.publish("run.exe", new, MTIME)
        target = harness.write_file(self.local("run.exe"), old)
        backup = target + ".exe"
        proc = subprocess.Popen([harness.loader_for(probe), target, "sleep", "300"], env=harness.env(),
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, start_new_session=True)

        def stop():
            os.killpg(proc.pid, 9)
            proc.wait()
            proc.stdout.close()

        self.addCleanup(stop)
        ready, _, _ = select.select([proc.stdout], [], [], 60)
        self.assertTrue(ready and proc.stdout.readline().startswith(b"acp="), "the program did not start")

        # Before the old program moves, at the move and between the moves.
        for function, suffix, nth in (("MoveFileExA", "run.exe.part~", 1), ("MoveFileExA", "\\run.exe", 1)):
            self.kill_download("run.exe", target, function, suffix, nth)
            self.assertEqual(self.read(target), old, f"killed at {function}(...{suffix}) #{nth}")
            self.assertFalse(os.path.exists(backup))
        self.kill_download("run.exe", target, "MoveFileExA", "run.exe.part~", 2)
        self.assertFalse(os.path.exists(target))
        self.assertEqual(self.read(backup), old, "the old program waits as the backup")
        self.assertEqual(self.read(target + ".part~"), new, "the new one whole beside its place")

        self.assert_downloads_whole("run.exe", target, new)
        self.assertIsNone(proc.poll(), "the old program still runs")
        log = self.log()
        w = harness.to_windows
        self.assertIn("Put Back Backup File Of An Interrupted Download(%s -> %s)" % (w(backup), w(target)), log)
        self.assertIn("[INFO ] CVantoExeDlg::DownloadOneFileFromServer> File In Use, Moved To The Backup Before It Is "
                      "Replaced(%s -> %s), ErrCode = " % (w(target), w(backup)), log)
        self.assertFalse(os.path.exists(target + ".part~"))

    def test_a_server_that_drips_is_cut_at_the_deadline(self):
        """Time-outs of 1 s each: every read gets its byte in time, the
        download as a whole ends after 3 s."""
        for key in ("m_dwConnectTimeOut", "m_dwSendTimeOut", "m_dwRecvTimeOut"):
            self.settings[key] = "1000"
        self.publish("drip.dll", TEXT, MTIME)
        self.server.set_rule("pub/drip.dll", drip=0.05)
        self.put_local("drip.dll")
        started = time.monotonic()
        out = self.download("drip.dll", self.local("drip.dll"), "set", "size", str(len(TEXT)), "set", "time",
                            "20151010212000")
        took = time.monotonic() - started
        self.assertEqual(out.int("download_result"), -6)
        self.assert_old_and_alone("drip.dll")
        self.assertLess(took, 60)
        self.assertRegex(self.log(), r"\[ERROR\] CVantoExeDlg::DownloadOneFileFromServer> Download Deadline "
                                     r"Reached\(%s\), Received Size = \d+" % re.escape(
                                         harness.to_windows(self.local("drip.dll"))))


if __name__ == "__main__":
    harness.main()
