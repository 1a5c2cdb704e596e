"""The BP server end to end: a run against the BP server of the client's own
subnet (the .100 host), always followed by a run against the main server.

Outside a namespace Wine reports this machine's network address, and the BP
server would be a host off this machine. So the script runs itself again in a
network namespace of its own with only the loopback interface up: there the
program's address is 127.0.0.1, its BP server 127.0.0.100, and no packet can
leave the machine. Wine creates the program's sockets in its server process,
so the scenarios use a Wine server of their own, on an overlay of the
project's prefix (writes go to a scratch folder; the project's prefix and its
running server are never touched). The namespace, the overlay and the Wine
server end with the script; where namespaces cannot be made the scenarios
are skipped with the reason.

Before the first request, the address the program derives its BP server from
is checked to be a loopback address."""
import fcntl
import ipaddress
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "server"))
import harness  # noqa: E402
import vanto  # noqa: E402
from publish_server import ProxyServer, PublishServer  # noqa: E402

INSIDE = "VANTO_E2E_OWN_NETNS"
MAIN_IP = "127.0.0.1"
DOWN_COMPLETE = "CVantoExeDlg::OnDownComplete> Recv WMU_DOWN_COMPLETE Message, WPARAM = %d, LPARAM = 0"
START = "CVantoExeDlg::OnRequestStart> Recv WMU_REQUEST_START Message, WPARAM = %d, LPARAM = 0"
TO_MAIN = [
    "CVantoExeDlg::OnDownComplete> >>>>>>>>>>>>>>>> Call a download to the Main server.",
    "CVantoExeDlg::OnRequestStart> >>>>>>>>>>>>>>>> Start the download from the Main server.",
]

# The main server's tree; the BP server has an older b.bin and no c.bin.
MAIN_FILES = {"bin/a.bin": os.urandom(5000), "bin/b.bin": os.urandom(7000), "bin/c.bin": os.urandom(3000),
              "data/d.txt": b"same on both servers\r\n"}
BP_FILES = {"bin/a.bin": MAIN_FILES["bin/a.bin"], "bin/b.bin": os.urandom(6000),
            "data/d.txt": MAIN_FILES["data/d.txt"]}
FILE_TIME = 1_700_000_000


def publish(root, files):
    for rel, data in files.items():
        full = os.path.join(root, "vanto", *rel.split("/"))
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)
        os.utime(full, (FILE_TIME, FILE_TIME))
    with open(os.path.join(root, "vanto", "Vanto.lst"), "wb") as f:
        f.write(("# test list\r\n" + "\r\n".join(MAIN_FILES) + "\r\n").encode("cp949"))


def free_port(host):
    with socket.socket() as s:
        s.bind((host, 0))
        return s.getsockname()[1]


_OWN_ADDRESS = None


class BPServerTest(vanto.VantoCase):
    def setUp(self):
        super().setUp()
        self.main_root = self.path("main")
        publish(self.main_root, MAIN_FILES)
        self.main = PublishServer(self.main_root).start()
        self.addCleanup(self.main.stop)
        self.target = self.path("target")
        self.bp_ip = self.bp_address()

    def bp_address(self):
        """The program's BP server, from a start-mode "1" run (it resolves
        the host name and ends before any connection): in 127/8, or the test
        fails before a single request is made."""
        global _OWN_ADDRESS
        if _OWN_ADDRESS is None:
            target = self.path("probe_target")
            exe = self.install(sub="probe")
            line = vanto.long_command_line(m_strStartMode="1", LOG_ENCODE_FLAG="0", SVR_IP_ADDR=MAIN_IP,
                                           SVR_PORT_NO="1", TARGET_DIR=harness.to_windows(target),
                                           DOWNLOAD_FROM_BP_SERVER="1", BP_SERVER_PORT_NO="1")
            self.spawn(exe, line)
            self.assertTrue(self.wait_all(timeout=60, folder=self.path("probe")))
            marker = "CVantoExeApp::InitInstance> Local IP : "
            lines = [ln for ln in self.log_text(target).splitlines() if marker in ln]
            _OWN_ADDRESS = lines[0].split(marker, 1)[1].strip() if lines else ""
        bp_ip = _OWN_ADDRESS.rsplit(".", 1)[0] + ".100"
        try:
            loopback = ipaddress.IPv4Address(bp_ip) in ipaddress.IPv4Network("127.0.0.0/8")
        except ValueError:
            loopback = False
        if not loopback:
            self.fail(f"the program's address {_OWN_ADDRESS!r} gives the BP server {bp_ip!r}, not a loopback address")
        return bp_ip

    def run_once(self, bp_port, **extra):
        values = {"TARGET_DIR": harness.to_windows(self.target), "SVR_IP_ADDR": MAIN_IP,
                  "SVR_PORT_NO": str(self.main.port), "DOWNLOAD_BASE_URL": "/vanto", "LIST_FILE_NAME": "Vanto.lst",
                  "LOG_ENCODE_FLAG": "0", "DOWNLOAD_FROM_BP_SERVER": "1", "BP_SERVER_PORT_NO": str(bp_port)}
        values.update(extra)
        exe = self.install(ini=values)
        self.spawn(exe, "R")
        # Any question would wait for an answer and keep the program running.
        self.assertTrue(self.wait_all(timeout=90, folder=self.path("app")), "the run did not end by itself")
        return self.log_text(self.target)

    def assert_synchronised(self):
        for rel, data in MAIN_FILES.items():
            with open(os.path.join(self.target, *rel.split("/")), "rb") as f:
                self.assertEqual(f.read(), data, rel)

    @staticmethod
    def gets(server):
        return sorted(p for m, p, _, _ in server.requests if m == "GET")

    def test_bp_run_then_main_run_each_from_its_own_server(self):
        bp_root = self.path("bp")
        publish(bp_root, BP_FILES)
        bp = PublishServer(bp_root, host=self.bp_ip).start()
        self.addCleanup(bp.stop)
        # A proxy in the settings: the session rebuilt for the main server
        # keeps it (Wine itself sends directly, see docs/http.md).
        proxy = ProxyServer("vanto", "secret").start()
        self.addCleanup(proxy.stop)
        log = self.run_once(bp.port, PROXY_AUTH_MODE="0", PROXY_IP_ADDR=f"{MAIN_IP}:{proxy.port}",
                            PROXY_USER_NAME="vanto", PROXY_USER_PASSWORD="secret")

        # The BP run fetched the list and everything the BP server has; the
        # main run only what still differs (the newer b.bin, the missing c.bin).
        self.assertEqual(self.gets(bp), ["vanto/Vanto.lst", "vanto/bin/a.bin", "vanto/bin/b.bin", "vanto/data/d.txt"])
        self.assertEqual(self.gets(self.main), ["vanto/Vanto.lst", "vanto/bin/b.bin", "vanto/bin/c.bin"])
        self.assertEqual(set(h.get("User-Agent") for _, _, h, _ in bp.requests), {"VantoExeBP"})
        self.assertEqual(set(h.get("User-Agent") for _, _, h, _ in self.main.requests), {"VantoExe"})
        self.assert_synchronised()
        self.assertEqual(self.result_code(self.target), "0", "the main run decides the result")

        self.assert_in_order(log, [
            f"CVantoExeApp::InitInstance> Local IP : {MAIN_IP}",
            f"CVantoExeApp::InitInstance> BP Server IP : {self.bp_ip}, Port : {bp.port}",
            "CVantoExeApp::InitInstance> Proxy Auth Mode 0.",
            "CVantoExeDlg::OnRequestStart> >>>>>>>>>>>>>>>> Start the download from the BP server.",
            f"CVantoExeDlg::OnRequestStart> >>>>>>>>>>>>>>>> Server IP : {self.bp_ip}, Port : {bp.port}",
            START % 0,
            f"CVantoExeDlg::DownloadFilesInListFromServer> Start Download From Server({self.bp_ip}, {bp.port})",
            "CVantoExeDlg::GetServerFileInfo> File(/vanto/bin/c.bin) dwStatusCode = 404",
            "CVantoExeDlg::OnRequestStart> nAllSequenceSuccessFlag = 0",
            # Failures of the BP run: result 3 without a question ...
            "CVantoExeDlg::OnRequestStart> Post WM_DOWN_COMPLETE Message, 3, 0",
            DOWN_COMPLETE % 3,
            # ... and the main-server run follows on a rebuilt session.
            *TO_MAIN,
            "CVantoExeDlg::OnRequestStart> Close g_pHttpConnection",
            "CVantoExeDlg::OnRequestStart> Close g_pInetSession",
            "CVantoExeDlg::OnRequestStart> Create New g_pHttpConnection",
            "CVantoExeDlg::OnRequestStart> Proxy Auth Mode 0.",
            f"CVantoExeDlg::OnRequestStart> Create New g_pInetSession, IP({MAIN_IP}) Port({self.main.port})",
            "CVantoExeDlg::OnRequestStart> m_dwConnectTimeOut=1800000, m_dwSendTimeOut=1800000, "
            "m_dwRecvTimeOut=1800000",
            f"CVantoExeDlg::OnRequestStart> >>>>>>>>>>>>>>>> Server IP : {MAIN_IP}, Port : {bp.port}",
            START % 2,
            f"CVantoExeDlg::DownloadFilesInListFromServer> Start Download From Server({MAIN_IP}, {self.main.port})",
            "CVantoExeDlg::OnRequestStart> nAllSequenceSuccessFlag = 1",
            DOWN_COMPLETE % 0,
            "CVantoExeDlg::OnDownComplete> Post WM_CLOSE Message",
            "CVantoExeApp::ExitInstance> pResultValue = 0"])
        self.assertNotIn("Proxy Auth username or password is empty.", log)
        self.assertNotIn("Change the download flag", log, "the switch happens without the Start button")

    def test_bp_server_that_does_not_answer_is_followed_by_the_main_server(self):
        bp_port = free_port(self.bp_ip)  # nothing listens there
        log = self.run_once(bp_port)
        self.assert_in_order(log, [
            "CVantoExeDlg::OnRequestStart> >>>>>>>>>>>>>>>> Start the download from the BP server.",
            "CVantoExeDlg::GetServerFileInfo> Exception Msg = ",
            "CVantoExeDlg::IsAlreadyLastVersion> Can't Get Server File Info, Ret Val = -9",
            "CVantoExeDlg::OnRequestStart> IsAlreadyLastVersion() Fail, RetVal = -1, Set g_nResult = VANTO_FATAL_ERROR",
            DOWN_COMPLETE % 2,
            *TO_MAIN,
            START % 2,
            DOWN_COMPLETE % 0,
            "CVantoExeApp::ExitInstance> pResultValue = 0"])
        # One attempt only: a BP server that refuses the connection gets no
        # retry with a new session.
        self.assertNotIn("CVantoExeDlg::GetServerFileInfo> Create New g_pInetSession", log)
        self.assertEqual(self.gets(self.main), ["vanto/Vanto.lst", *sorted("vanto/" + r for r in MAIN_FILES)])
        self.assert_synchronised()
        self.assertEqual(self.result_code(self.target), "0", "the main run decides the result")


# --- the namespace ------------------------------------------------------------

def run_in_own_namespace():
    """Runs this script again in new network and mount namespaces; its exit
    code, or the skip code where namespaces cannot be made here."""
    if not harness.can_run(harness.exe_path("VantoExe.exe")):
        print("SKIP: this machine cannot run 32-bit programs under Wine", flush=True)
        return harness.SKIP_CODE
    try:
        check = subprocess.run(["unshare", "--net", "--mount", "true"], capture_output=True)
        reason = check.stderr.decode(errors="replace").strip() if check.returncode else ""
    except OSError as e:
        reason = str(e)
    if reason:
        print(f"SKIP: no network namespace can be made here: {reason}", flush=True)
        return harness.SKIP_CODE
    harness.env()  # the project's prefix exists before it is overlaid
    env = dict(os.environ, **{INSIDE: "1"})
    return subprocess.run(["unshare", "--net", "--mount", "--", sys.executable, os.path.abspath(__file__),
                           *sys.argv[1:]], env=env).returncode


def only_loopback():
    """Brings up the loopback interface (as "ip link set lo up" does); fails
    unless it is the namespace's only interface."""
    names = [name for _, name in socket.if_nameindex()]
    if names != ["lo"]:
        raise SystemExit(f"the namespace has interfaces besides loopback: {names}")
    siocgifflags, siocsifflags, iff_up = 0x8913, 0x8914, 0x1
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        request = bytearray(struct.pack("16sH14x", b"lo", 0))
        fcntl.ioctl(s, siocgifflags, request)
        flags = struct.unpack_from("H", request, 16)[0]
        fcntl.ioctl(s, siocsifflags, struct.pack("16sH14x", b"lo", flags | iff_up))


def own_prefix(lower, scratch):
    """A prefix for this namespace: an overlay of the project's prefix, or a
    copy where overlays cannot be mounted. Returns its path."""
    merged = os.path.join(scratch, "prefix")
    upper, work = os.path.join(scratch, "upper"), os.path.join(scratch, "work")
    for d in (merged, upper, work):
        os.makedirs(d)
    mount = subprocess.run(["mount", "-t", "overlay", "overlay", "-o",
                            f"lowerdir={lower},upperdir={upper},workdir={work}", merged], capture_output=True)
    if mount.returncode == 0:
        print(f"Wine prefix of this namespace: an overlay of {lower}", flush=True)
    else:
        os.rmdir(merged)
        print(f"Wine prefix of this namespace: a copy of {lower} ({mount.stderr.decode(errors='replace').strip()})",
              flush=True)
        shutil.copytree(lower, merged, symlinks=True)
    return merged


def main_inside():
    only_loopback()
    lower = harness.wine_env()["WINEPREFIX"]
    # Beside the project's prefix, outside the build trees that tests search
    # for programs.
    scratch = tempfile.mkdtemp(prefix=os.path.basename(lower) + "-netns-", dir=os.path.dirname(lower))
    prefix = own_prefix(lower, scratch)
    os.environ["VANTO_WINEPREFIX"] = prefix
    # Should the script be killed, its Wine server does not linger long.
    os.environ["VANTO_WINESERVER_LINGER"] = "30"
    try:
        harness.main()
    finally:
        e = harness.wine_env()
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([e["WINESERVER"], "-k"], env=e, **quiet)
        subprocess.run([e["WINESERVER"], "-w"], env=e, **quiet)
        subprocess.run(["umount", prefix], **quiet)
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    if os.environ.get(INSIDE) == "1":
        main_inside()
    else:
        sys.exit(run_in_own_namespace())
