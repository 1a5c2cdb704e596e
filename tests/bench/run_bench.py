#!/usr/bin/env python3
"""The benchmark of whole VantoExe runs against the floor (not a test; run
with `make bench`).

nginx from Debian's package serves a generated publish tree on a loopback
port: SMALL small files in 100 folders and one BIG_MB file, plain and
gzip-encoded. For each row the table shows the bare WinINet loop
(tests/tools/inet_floor.cpp: the least a WinINet program does for the same
requests, with the client's request flags), the same loop writing every body
to a file, for the fetch rows the same loop replacing every file durably
(written beside its place, flushed, dated, moved over it write-through:
what a download must do so that a power cut leaves the old file or the new
one, never part of one), curl, and a whole run of VantoExe.exe under Wine (process start to
process end), with the ratios, and the peak memory (VmHWM) of the VantoExe
process. The bare loop runs right before and right after VantoExe (the mean
counts); every program starts with an empty WinINet cache.

    tests/bench/run_bench.py [--small 10000] [--big-mb 200] [--rows a,b,...] [--rtt-ms 10,20]
                             [--connections 1,8] [--stop-runs 10]
                             [--build build/win64] [--vantoctl build/host/tools/vantoctl/vantoctl]
                             [--vanto-exe OTHER/VantoExe.exe]

Rows: empty (start-up and an empty list), head (every file current, list
without times and sizes: one HEAD each), made (the same with a list made by
`vantoctl list make`: no request per file), made-one (the same with all
SMALL files in one folder), fetch (empty folder, list without times: HEAD
and GET each), fetch-made (empty folder, made list: GET each), head-rtt,
fetch-rtt, fetch-made-rtt (head, fetch and fetch-made over a link with each
round trip of --rtt-ms, VantoExe with each PARALLEL_CONNECTIONS of
--connections), big (one BIG_MB file, list without times), gzip (the
same file gzip-encoded, made list), stop (Stop clicked during the big file's
transfer, throttled: seconds from the click to the end of the run; run
--stop-runs times, the worst counts).

The link with latency is a delaying TCP relay between the programs and
nginx (tests/bench/delay_relay.py), used by VantoExe and the bare loop
alike. Its rows show the sequential floor: requests x RTT, the least any
client pays that asks one question at a time.

Memory: 'growth MiB' is the peak of a run with SMALL entries minus the peak
of the empty row's run (what VantoExe adds over Wine's dialog and start-up).

A check fails the benchmark only on a wrong result (a file missing or
different, a request for an entry that needed none, a wrong result code),
never on requests that depend on how the run was started (the working
copy's self-update query).
"""
import argparse
import hashlib
import os
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(SOURCE, "tests", "e2e"))
import harness  # noqa: E402
from delay_relay import DelayRelay  # noqa: E402

STAMP = 1700000000  # publish time of every file (whole seconds, as Last-Modified carries them)
NGINX = shutil.which("nginx") or "/usr/sbin/nginx"
ALL_ROWS = ["empty", "head", "made", "made-one", "fetch", "fetch-made", "head-rtt", "fetch-rtt", "fetch-made-rtt",
            "big", "gzip", "stop"]
SMALL_ROWS = {"head", "made", "made-one", "fetch", "fetch-made", "head-rtt", "fetch-rtt", "fetch-made-rtt"}
FOLDERS = 100
SELF_UPDATE_OBJECT = "/VantoExe.exe"  # the working copy's own query, not an entry of the list


class Bench:
    def __init__(self, args):
        self.args = args
        self.work = os.path.join(harness.prefix(), "drive_c", "vanto_bench")
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.www = os.path.join(self.work, "www")
        self.env = harness.env()
        self.vanto = os.path.abspath(args.vanto_exe) if args.vanto_exe else harness.exe_path("VantoExe.exe")
        self.floor_exe = harness.exe_path("vanto_inet_floor.exe")
        self.driver = harness.exe_path("vanto_uidriver.exe")
        self.nginx = None
        self.port = None
        self.relays = {}
        self.rtt_floors = {}
        self.results = []

    # --- the publish tree -------------------------------------------------
    def small_paths(self, folders=FOLDERS):
        n = self.args.small
        return [f"d{i % folders:03d}/f{i:05d}.dat" for i in range(n)]

    def write(self, path, data):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        os.utime(path, (STAMP, STAMP))

    def make_tree(self, rows):
        small = os.path.join(self.www, "small", "vanto")
        os.makedirs(small)
        if set(rows) & SMALL_ROWS:
            for i, rel in enumerate(self.small_paths()):
                self.write(os.path.join(small, *rel.split("/")), os.urandom(1000 + (i * 37) % 7000))
        self.write_list(small, "Vanto.lst", self.small_paths())
        self.write_list(small, "Empty.lst", [])
        self.make_list(small, os.path.join(small, "Made.lst"))
        if "made-one" in rows:
            one = os.path.join(self.www, "one", "vanto")
            os.makedirs(one)
            for i, rel in enumerate(self.small_paths(folders=1)):
                self.write(os.path.join(one, *rel.split("/")), os.urandom(1000 + (i * 37) % 7000))
            self.make_list(one, os.path.join(one, "Made.lst"))
        if not set(rows) & {"big", "gzip", "stop"}:
            return
        big = os.path.join(self.www, "big", "vanto")
        os.makedirs(big)
        text = b"".join(b"record %08d of the published file\n" % i for i in range(30000))[: 1 << 20]
        digest = hashlib.sha256()
        with open(os.path.join(big, "big.bin"), "wb") as f:
            for i in range(self.args.big_mb):
                block = os.urandom(1 << 20) if i % 2 else text  # compresses to about half
                digest.update(block)
                f.write(block)
        os.utime(os.path.join(big, "big.bin"), (STAMP, STAMP))
        self.big_digest = digest.hexdigest()
        self.write_list(big, "Vanto.lst", ["big.bin"])
        gz = os.path.join(self.www, "gz", "vanto")
        os.makedirs(gz)
        subprocess.run(f"gzip -1 -c {big}/big.bin > {gz}/big.bin.gz", shell=True, check=True)
        os.utime(os.path.join(gz, "big.bin.gz"), (STAMP, STAMP))
        # The gzip row's made list describes the file as published: decoded.
        self.make_list(big, os.path.join(gz, "Made.lst"))

    def write_list(self, folder, name, lines):
        path = os.path.join(folder, name)
        self.write(path, ("# benchmark list\r\n" + "".join(line + "\r\n" for line in lines)).encode("cp949"))

    def make_list(self, folder, out):
        r = subprocess.run([self.args.vantoctl, "list", "make", folder], capture_output=True)
        if r.returncode != 0:
            raise SystemExit("vantoctl list make failed: " + r.stderr.decode())
        own = tuple(name + "," for name in ("Vanto.lst", "Empty.lst", "Made.lst"))
        lines = [line for line in r.stdout.decode("cp949").splitlines() if not line.startswith(own)]
        self.write(out, "".join(line + "\r\n" for line in lines).encode("cp949"))

    # --- nginx --------------------------------------------------------------
    def start_nginx(self):
        conf_dir = os.path.join(self.work, "nginx")
        os.makedirs(conf_dir)
        with open(os.path.join(conf_dir, "nginx.conf"), "w") as f:
            f.write(f"""
daemon off;
master_process off;
worker_processes 1;
pid {conf_dir}/nginx.pid;
error_log {conf_dir}/error.log warn;
events {{ worker_connections 64; }}
http {{
  access_log {conf_dir}/access.log;
  client_body_temp_path {conf_dir}/body;
  proxy_temp_path {conf_dir}/proxy;
  fastcgi_temp_path {conf_dir}/fastcgi;
  uwsgi_temp_path {conf_dir}/uwsgi;
  scgi_temp_path {conf_dir}/scgi;
  default_type application/octet-stream;
  sendfile on;
  keepalive_requests 1000000;
  keepalive_timeout 300s;
  server {{
    listen 127.0.0.1:0;
    root {self.www};
    location /gz/ {{ gzip_static always; }}
    location /slow/ {{ alias {self.www}/big/; limit_rate {self.args.slow_rate}; }}
  }}
}}
""")
        # nginx has no "any free port": find one and hand it over.
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        conf = os.path.join(conf_dir, "nginx.conf")
        with open(conf) as f:
            text = f.read().replace("127.0.0.1:0;", f"127.0.0.1:{self.port};")
        with open(conf, "w") as f:
            f.write(text)
        self.access_log = os.path.join(conf_dir, "access.log")
        self.nginx = subprocess.Popen([NGINX, "-p", conf_dir, "-c", conf], stdin=subprocess.DEVNULL,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        for _ in range(100):
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return
            except OSError:
                time.sleep(0.05)
        raise SystemExit("nginx did not start: " + self.nginx.stderr.read().decode())

    def requests_since(self, offset):
        """([(method, object)], new offset) of the access log."""
        requests = []
        with open(self.access_log, "rb") as f:
            f.seek(offset)
            data = f.read()
        for line in data.decode("latin-1").splitlines():
            parts = line.split('"')
            if len(parts) > 1 and parts[1]:
                words = parts[1].split()
                requests.append((words[0], words[1] if len(words) > 1 else ""))
        return requests, offset + len(data)

    def relay_port(self, rtt_ms):
        """The port of nginx, or of a relay adding rtt_ms per round trip."""
        if not rtt_ms:
            return self.port
        if rtt_ms not in self.relays:
            relay = DelayRelay(("127.0.0.1", self.port), rtt_ms / 2000.0)
            relay.start()
            self.relays[rtt_ms] = relay
        return self.relays[rtt_ms].port

    def log_offset(self):
        return os.path.getsize(self.access_log)

    # --- programs -----------------------------------------------------------
    def clear_inet_cache(self):
        """Every measured program starts with an empty WinINet cache: the
        cache grows with every request and slows later ones down."""
        users = os.path.join(harness.prefix(), "drive_c", "users")
        for user in os.listdir(users):
            shutil.rmtree(os.path.join(users, user, "AppData", "Local", "Microsoft", "Windows", "INetCache"),
                          ignore_errors=True)

    def wine(self, exe, args, cwd=None, timeout=3600):
        """Runs exe to its end; (seconds, completed process)."""
        self.clear_inet_cache()
        start = time.monotonic()
        p = subprocess.run([harness.loader_for(exe), exe, *args], env=self.env, cwd=cwd, stdin=subprocess.DEVNULL,
                           capture_output=True, timeout=timeout)
        return time.monotonic() - start, p

    def floor_once(self, method, objects, read_size=65536, save=False, durable=False, cache_write=False, rtt_ms=0):
        listing = os.path.join(self.work, "objects.txt")
        with open(listing, "w") as f:
            f.write("".join(o + "\n" for o in objects))
        args = ["127.0.0.1", str(self.relay_port(rtt_ms)), method, harness.to_windows(listing), "--read-size", str(read_size)]
        saved = os.path.join(self.work, "floor_saved")
        shutil.rmtree(saved, ignore_errors=True)
        if save:
            os.makedirs(saved)
            args += ["--save", harness.to_windows(saved)] + (["--durable"] if durable else [])
        if cache_write:
            args.append("--cache-write")
        seconds, p = self.wine(self.floor_exe, args)
        shutil.rmtree(saved, ignore_errors=True)
        if p.returncode != 0:
            raise SystemExit(f"bare loop failed: {p.stdout.decode()} {p.stderr.decode()}")
        return seconds

    def floor(self, steps, **options):
        """Seconds of the bare loop over steps [(method, objects)], whole processes."""
        return sum(self.floor_once(method, objects, **options) for method, objects in steps)

    def curl_run(self, method, objects, compressed=False):
        config = os.path.join(self.work, "curl.cfg")
        with open(config, "w") as f:
            for o in objects:
                f.write(f'url = "http://127.0.0.1:{self.port}{o}"\noutput = "/dev/null"\n')
        args = ["curl", "-s", "-K", config] + (["-I"] if method == "head" else []) + \
            (["--compressed"] if compressed else [])
        start = time.monotonic()
        subprocess.run(args, check=True, stdout=subprocess.DEVNULL)
        return time.monotonic() - start

    def vanto_run(self, name, base, list_name, target, stop_after_get=None, rtt_ms=0, connections=1):
        """One whole run "R" of VantoExe: seconds, peak KiB, result, requests
        (method counts), entry_requests (the same without the self-update
        query)."""
        app = os.path.join(self.work, "app_" + name)
        os.makedirs(app, exist_ok=True)
        exe = os.path.join(app, "VantoExe.exe")
        shutil.copy2(self.vanto, exe)
        ini = {"TARGET_DIR": harness.to_windows(target), "SVR_IP_ADDR": "127.0.0.1", "SVR_PORT_NO": str(self.relay_port(rtt_ms)),
               "DOWNLOAD_BASE_URL": base, "LIST_FILE_NAME": list_name, "LOG_ENCODE_FLAG": "0"}
        if connections != 1:
            ini["PARALLEL_CONNECTIONS"] = str(connections)
        with open(os.path.join(app, "Vanto.ini"), "wb") as f:
            f.write(("[VANTO]\r\n" + "".join(f"{k}={v}\r\n" for k, v in ini.items())).encode("cp949"))
        offset = self.log_offset()
        self.clear_inet_cache()
        peak = {"kb": 0}
        done = threading.Event()
        watcher = threading.Thread(target=watch_peak, args=(exe, done, peak))
        watcher.start()
        start = time.monotonic()
        proc = subprocess.Popen([harness.loader_for(exe), exe, "R"], env=self.env, cwd=app,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        stop_seconds = None
        if stop_after_get:
            stop_seconds = self.click_stop_during_transfer(app, target, stop_after_get, proc)
        proc.wait(timeout=3600)
        seconds = time.monotonic() - start
        done.set()
        watcher.join()
        requests, _ = self.requests_since(offset)
        result = read_result(target)
        return {"seconds": seconds, "peak_kb": peak["kb"], "result": result, "requests": method_counts(requests),
                "entry_requests": method_counts(r for r in requests if not r[1].endswith(SELF_UPDATE_OBJECT)),
                "stop_seconds": stop_seconds}

    def click_stop_during_transfer(self, app, target, local_file, proc):
        """Clicks Stop once the transfer has written a few MB beside the file; seconds from the
        click until the log shows the run's end; then closes the window."""
        deadline = time.monotonic() + 120
        # The new content is written beside the file (NAME.part~) until it is complete.
        writing = local_file + ".part~"
        while not (os.path.exists(writing) and os.path.getsize(writing) > (4 << 20)):
            if time.monotonic() > deadline or proc.poll() is not None:
                raise SystemExit("the throttled transfer never got going")
            time.sleep(0.05)
        self.driver_cmd("click", harness.to_windows(app), "30000", "1004")
        posted = time.monotonic()  # the driver ends right after posting the click
        end_line = "CVantoExeDlg::OnRequestStart> Post WM_DOWN_COMPLETE Message, "
        while end_line not in log_text(target) and proc.poll() is None:
            if time.monotonic() - posted > 600:
                raise SystemExit("the run did not end after Stop")
            time.sleep(0.02)
        seconds = time.monotonic() - posted
        if proc.poll() is None:
            self.driver_cmd("click", harness.to_windows(app), "30000", "1")  # Close: a stopped run keeps the window
        return seconds

    def driver_cmd(self, *args):
        subprocess.run([harness.loader_for(self.driver), self.driver, *args], env=self.env, timeout=120,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    # --- rows ---------------------------------------------------------------
    def fresh_target(self, name, with_small=False, tree="small", folders=FOLDERS):
        target = os.path.join(self.work, "target_" + name)
        shutil.rmtree(target, ignore_errors=True)
        os.makedirs(target)
        if with_small:
            src = os.path.join(self.www, tree, "vanto")
            for rel in self.small_paths(folders):
                dst = os.path.join(target, *rel.split("/"))
                os.makedirs(os.path.dirname(dst), exist_ok=True)
                shutil.copy2(os.path.join(src, *rel.split("/")), dst)
        return target

    def add(self, row, work, run, bare=None, saving=None, curl=None, note="", sequential=None, durable=None):
        self.results.append({"row": row, "work": work, "bare": bare, "saving": saving, "durable": durable,
                             "curl": curl, "run": run,
                             "note": note, "load": os.getloadavg()[0], "sequential": sequential})
        print(f"  {row}: bare={fmt(bare)} saving={fmt(saving)} durable={fmt(durable)} curl={fmt(curl)} vanto={fmt(run['seconds'])} "
              f"result={run['result']} requests={run['requests']} load={os.getloadavg()[0]:.1f}", flush=True)

    def check(self, ok, what):
        if not ok:
            raise SystemExit("benchmark check failed: " + what)

    def against_floor(self, steps, run_vanto, saving=True, rtt_ms=0, **options):
        bare, saved, run, note, _ = self.against_floors(steps, run_vanto, saving, rtt_ms, **options)
        return bare, saved, run, note

    def against_floors(self, steps, run_vanto, saving=True, rtt_ms=0, durable=False, **options):
        """The bare loop right before and right after the run (their mean
        counts: the machine's load drifts), the bare loop writing the files,
        the bare loop replacing them durably when durable, and the run.
        (bare, saving, run, note, durable). Over a link with latency the
        bare loop runs once, after the run, and never saving: the link's
        round trips dominate."""
        if rtt_ms:
            run = run_vanto()
            key = (tuple((method, len(objects)) for method, objects in steps), rtt_ms)
            if key not in self.rtt_floors:  # one bare loop per link for every connection count
                self.rtt_floors[key] = self.floor(steps, rtt_ms=rtt_ms, **options)
            return self.rtt_floors[key], None, run, "", None
        before = self.floor(steps, **options)
        run = run_vanto()
        after = self.floor(steps, **options)
        saved = self.floor(steps, save=True, **options) if saving else None
        replaced = self.floor(steps, save=True, durable=True, **options) if durable else None
        return ((before + after) / 2, saved, run, f"bare loop before / after the run: {before:.2f} / {after:.2f} s",
                replaced)

    def small_objects(self):
        return ["/small/vanto/" + p for p in self.small_paths()]

    def cache_write_note(self, steps):
        return f"bare loop writing the WinINet cache (the former flags): {self.floor(steps, cache_write=True):.2f} s"

    def link(self, rtt_ms):
        return f" at {rtt_ms} ms RTT" if rtt_ms else ""

    def rtt_list(self):
        return [int(x) for x in self.args.rtt_ms.split(",") if x.strip()]

    def over_links(self, row_once):
        """A row at each RTT of --rtt-ms with each count of --connections."""
        for rtt_ms in self.rtt_list():
            for connections in [int(x) for x in self.args.connections.split(",") if x.strip()]:
                row_once(rtt_ms, connections)

    @staticmethod
    def lanes(connections):
        return f", PARALLEL_CONNECTIONS={connections}" if connections != 1 else ""

    def row_empty(self):
        run = self.vanto_run("empty", "/small/vanto", "Empty.lst", self.fresh_target("empty"))
        self.check(run["result"] == "0", "empty run result")
        self.add("empty", "start-up, empty list", run)
        self.empty_peak_kb = run["peak_kb"]

    def head_once(self, rtt_ms, connections=1):
        steps = [("head", self.small_objects())]
        target = getattr(self, "head_target", None) or self.fresh_target("head", with_small=True)
        self.head_target = target
        name = f"head{rtt_ms}_{connections}"
        bare, _, run, note = self.against_floor(
            steps, lambda: self.vanto_run(name, "/small/vanto", "Vanto.lst", target, rtt_ms=rtt_ms,
                                          connections=connections), saving=False, rtt_ms=rtt_ms)
        entries = run["entry_requests"]
        self.check(run["result"] == "0" and entries.get("GET") == 1 and entries.get("HEAD", 0) >= self.args.small,
                   f"head row{self.link(rtt_ms)}: {run}")
        if not rtt_ms:
            note += "; " + self.cache_write_note(steps)
        self.add("head" + ("-rtt" if rtt_ms else ""),
                 f"{self.args.small:,} HEADs, every file current{self.link(rtt_ms)}{self.lanes(connections)}",
                 run, bare, None, None if rtt_ms else self.curl_run("head", steps[0][1]), note,
                 sequential=self.args.small * rtt_ms / 1000.0 if rtt_ms else None)

    def row_head(self):
        self.head_once(0)

    def row_head_rtt(self):
        self.over_links(self.head_once)

    def made_once(self, name, tree, folders, work):
        target = self.fresh_target(name, with_small=True, tree=tree, folders=folders)
        run = self.vanto_run(name, f"/{tree}/vanto", "Made.lst", target)
        # The list itself is fetched; an entry of a made list asks nothing.
        self.check(run["result"] == "0" and run["entry_requests"] == {"HEAD": 1, "GET": 1}, f"{name} row: {run}")
        self.add(name, work, run)

    def row_made(self):
        self.made_once("made", "small", FOLDERS, f"{self.args.small:,} entries, made list (no request per file)")

    def row_made_one(self):
        self.made_once("made-one", "one", 1, f"{self.args.small:,} entries in one folder, made list")

    def fetch_once(self, rtt_ms, connections=1):
        objects = self.small_objects()
        name = f"fetch{rtt_ms}_{connections}"
        target = self.fresh_target(name)
        bare, saving, run, note, durable = self.against_floors(
            [("head", objects), ("get", objects)],
            lambda: self.vanto_run(name, "/small/vanto", "Vanto.lst", target, rtt_ms=rtt_ms,
                                   connections=connections), rtt_ms=rtt_ms, durable=not rtt_ms)
        self.check(run["result"] == "0" and run["entry_requests"].get("GET") == len(objects) + 1,
                   f"fetch row{self.link(rtt_ms)}: {run}")
        self.check(count_files(target) >= len(objects), "fetch row: files missing")
        curl = None if rtt_ms else self.curl_run("head", objects) + self.curl_run("get", objects)
        self.add("fetch" + ("-rtt" if rtt_ms else ""),
                 f"{len(objects):,} files into an empty folder (HEAD + GET){self.link(rtt_ms)}{self.lanes(connections)}",
                 run, bare, saving,
                 curl, note, sequential=2 * len(objects) * rtt_ms / 1000.0 if rtt_ms else None, durable=durable)

    def row_fetch(self):
        self.fetch_once(0)

    def row_fetch_rtt(self):
        self.over_links(self.fetch_once)

    def fetch_made_once(self, rtt_ms, connections=1):
        steps = [("get", self.small_objects())]
        name = f"fetch_made{rtt_ms}_{connections}"
        target = self.fresh_target(name)
        bare, saving, run, note, durable = self.against_floors(
            steps, lambda: self.vanto_run(name, "/small/vanto", "Made.lst", target, rtt_ms=rtt_ms,
                                          connections=connections), rtt_ms=rtt_ms, durable=not rtt_ms)
        self.check(run["result"] == "0" and run["entry_requests"].get("GET") == self.args.small + 1,
                   f"fetch-made{self.link(rtt_ms)}: {run}")
        self.check(count_files(target) >= self.args.small, "fetch-made row: files missing")
        if not rtt_ms:
            note += "; " + self.cache_write_note(steps)
        self.add("fetch-made" + ("-rtt" if rtt_ms else ""),
                 f"{self.args.small:,} files into an empty folder, made list (GET){self.link(rtt_ms)}"
                 f"{self.lanes(connections)}", run, bare,
                 saving, None if rtt_ms else self.curl_run("get", steps[0][1]), note,
                 sequential=self.args.small * rtt_ms / 1000.0 if rtt_ms else None, durable=durable)

    def row_fetch_made(self):
        self.fetch_made_once(0)

    def row_fetch_made_rtt(self):
        self.over_links(self.fetch_made_once)

    def row_big(self):
        steps = [("get", ["/big/vanto/big.bin"])]
        target = self.fresh_target("big")
        bare, saving, run, note = self.against_floor(
            steps, lambda: self.vanto_run("big", "/big/vanto", "Vanto.lst", target), read_size=65536)
        self.check(run["result"] == "0" and file_digest(os.path.join(target, "big.bin")) == self.big_digest,
                   f"big row: {run}")
        bare4 = self.floor(steps, read_size=4096)
        transfer = log_seconds(log_text(target), "File URL = /big/vanto/big.bin", "Close Target File Success")
        self.add("big", f"GET {self.args.big_mb} MB (bare loop: 65,536-byte reads)", run, bare, saving,
                 self.curl_run("get", steps[0][1]),
                 f"{note}; bare loop with 4,096-byte reads: {bare4:.2f} s; the transfer in VantoExe's log: "
                 f"{fmt(transfer)} s")

    def row_gzip(self):
        steps = [("get", ["/gz/vanto/big.bin"])]
        target = self.fresh_target("gzip")
        bare, saving, run, note = self.against_floor(
            steps, lambda: self.vanto_run("gzip", "/gz/vanto", "Made.lst", target), read_size=65536)
        self.check(run["result"] == "0" and file_digest(os.path.join(target, "big.bin")) == self.big_digest,
                   f"gzip row: {run}")
        log = log_text(target)
        transfer = log_seconds(log, "File URL = /gz/vanto/big.bin", "Close Target File Success")
        decoding = log_seconds(log, "Close HTTP File Success", "UnCompressGzipFile(")
        self.add("gzip", f"GET {self.args.big_mb} MB gzip-encoded, made list", run, bare, saving,
                 self.curl_run("get", steps[0][1], compressed=True),
                 f"{note} (the encoded bytes); in VantoExe's log: transfer {fmt(transfer)} s, decoding "
                 f"{fmt(decoding)} s")

    def row_stop(self):
        """Stop --stop-runs times; the worst time from the click to the end
        of the run counts. Every run must leave the old file."""
        runs = []
        for n in range(self.args.stop_runs):
            target = self.fresh_target("stop")
            old = b"the previous version"
            with open(os.path.join(target, "big.bin"), "wb") as f:
                f.write(old)
            run = self.vanto_run("stop", "/slow/vanto", "Vanto.lst", target, os.path.join(target, "big.bin"))
            with open(os.path.join(target, "big.bin"), "rb") as f:
                self.check(f.read() == old, f"stop row, run {n + 1}: the old file was not restored")
            log = log_text(target)
            run["stopped"] = "DownloadOneFileFromServer() Fail, RetVal = -7" in log
            run["handled"] = log_seconds(log, "CVantoExeDlg::OnButtonStop> Set m_pVantoEngine->m_nRequestStopFlag = 1",
                                         "CVantoExeDlg::OnRequestStart> Post WM_DOWN_COMPLETE Message, ")
            print(f"  stop {n + 1}: click to end {run['stop_seconds']:.2f} s", flush=True)
            runs.append(run)
        worst = max(runs, key=lambda r: r["stop_seconds"])
        clicks = ", ".join(f"{r['stop_seconds']:.2f}" for r in runs)
        self.add("stop", f"Stop during the {self.args.big_mb} MB transfer ({self.args.slow_rate}B/s), "
                         f"worst of {len(runs)}", worst,
                 note=f"click posted to end of run, worst of {len(runs)}: {worst['stop_seconds']:.2f} s "
                      f"(every run: {clicks}); Stop handled to end of run by the log, worst: "
                      f"{fmt(max((r['handled'] or 0) for r in runs))} s; transfer stopped in "
                      f"{sum(r['stopped'] for r in runs)} of {len(runs)}; old file restored in every run")

    def print_table(self):
        print()
        print(f"VantoExe {self.vanto}; nginx {nginx_version()} on 127.0.0.1; Wine {wine_version(self.env)}; "
              f"{os.cpu_count()} cores")
        columns = [("work", 90), ("seq. floor s", 12), ("bare loop s", 11), ("bare, saving s", 14),
                   ("bare, durable s", 15), ("curl s", 7), ("VantoExe s", 10), ("ratio", 6), ("to saving", 9),
                   ("to durable", 10), ("peak MiB", 8), ("growth MiB", 10),
                   ("load", 5)]
        print("| " + " | ".join(f"{name:>{width}}" if i else f"{name:{width}}" for i, (name, width) in
                                enumerate(columns)) + " |")
        print("|" + "|".join("-" * (width + 2) for _, width in columns) + "|")
        for r in self.results:
            seconds = r["run"]["seconds"]
            grows = r["row"] in SMALL_ROWS and getattr(self, "empty_peak_kb", None)
            cells = [r["work"], fmt(r["sequential"]), fmt(r["bare"]), fmt(r["saving"]), fmt(r["durable"]),
                     fmt(r["curl"]), fmt(seconds),
                     f"{seconds / r['bare']:.2f}x" if r["bare"] else "-",
                     f"{seconds / r['saving']:.2f}x" if r["saving"] else "-",
                     f"{seconds / r['durable']:.2f}x" if r["durable"] else "-",
                     f"{r['run']['peak_kb'] / 1024:.1f}",
                     f"{(r['run']['peak_kb'] - self.empty_peak_kb) / 1024:.1f}" if grows else "-", f"{r['load']:.1f}"]
            print("| " + " | ".join(f"{c:>{w}}" if i else f"{c:{w}}" for i, (c, (_, w)) in
                                    enumerate(zip(cells, columns))) + " |")
        print("- bare loop: the mean of one run right before and one right after VantoExe's (over a link with "
              "latency: one run after it); 'bare, saving': the bare loop writing each body to a file; 'bare, durable': "
              "the bare loop replacing each file as a download must survive a power cut (NAME.part~, flushed, dated, "
              "moved over its place write-through); every program "
              "starts with an empty WinINet cache")
        print("- seq. floor: requests x RTT, the least a client pays that asks one question at a time over that link; "
              "growth: peak minus the peak of the empty row's run")
        for r in self.results:
            if r["note"]:
                print(f"- {r['row']}: {r['note']}")
        print(f"- load average (1, 5, 15 min) at the end: {', '.join(f'{x:.1f}' for x in os.getloadavg())}")

    def stop(self):
        for relay in self.relays.values():
            relay.stop()
        if self.nginx:
            self.nginx.send_signal(signal.SIGQUIT)
            try:
                self.nginx.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.nginx.kill()


def watch_peak(exe, done, peak):
    """Largest VmHWM of the process running exe (matched by its command line)."""
    name = os.path.basename(os.path.dirname(exe)).encode()
    while not done.is_set():
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    cmd = f.read()
                if b"VantoExe.exe" not in cmd or name not in cmd:
                    continue
                with open(f"/proc/{pid}/status") as f:
                    for line in f:
                        if line.startswith("VmHWM:"):
                            peak["kb"] = max(peak["kb"], int(line.split()[1]))
            except OSError:
                pass
        done.wait(0.1)


def method_counts(requests):
    counts = {}
    for method, _ in requests:
        counts[method] = counts.get(method, 0) + 1
    return counts


def read_result(target):
    path = os.path.join(target, "VantoExe.ini")
    if not os.path.exists(path):
        return None
    for line in open(path, "rb").read().decode("cp949").splitlines():
        if line.strip().startswith("RESULT="):
            return line.split("=", 1)[1].strip()
    return None


def log_text(target):
    parts = []
    folder = os.path.join(target, "log")
    if os.path.isdir(folder):
        for name in sorted(os.listdir(folder)):
            with open(os.path.join(folder, name), "rb") as f:
                parts.append(f.read().decode("cp949", "replace"))
    return "".join(parts)


def log_seconds(log, first, last):
    """Seconds between the first line holding first and the next one holding last."""
    def stamp(line):
        clock = line.split("=", 1)[1].split(" ", 1)[0]
        h, m, rest = clock.split(":")
        return int(h) * 3600 + int(m) * 60 + float(rest)
    lines = log.splitlines()
    for i, line in enumerate(lines):
        if first in line:
            for later in lines[i:]:
                if last in later:
                    return stamp(later) - stamp(line)
    return None


def count_files(folder):
    return sum(len(files) for _, _, files in os.walk(folder))


def file_digest(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def fmt(seconds):
    return "-" if seconds is None else f"{seconds:.2f}"


def nginx_version():
    r = subprocess.run([NGINX, "-v"], capture_output=True, text=True)
    return r.stderr.strip().split("/")[-1]


def wine_version(env):
    r = subprocess.run([env["VANTO_WINE64"], "--version"], capture_output=True, text=True, env=env)
    return r.stdout.strip()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--small", type=int, default=10000)
    parser.add_argument("--big-mb", type=int, default=200)
    parser.add_argument("--rows", default=",".join(ALL_ROWS))
    parser.add_argument("--build", default=os.path.join(SOURCE, "build", "win64"))
    parser.add_argument("--vantoctl", default=os.path.join(SOURCE, "build", "host", "tools", "vantoctl", "vantoctl"))
    parser.add_argument("--vanto-exe", help="measure this VantoExe.exe instead of the build's")
    parser.add_argument("--slow-rate", default="20m", help="nginx limit_rate of the stop row")
    parser.add_argument("--rtt-ms", default="10", help="round trips of the -rtt rows, comma-separated (e.g. 10,20)")
    parser.add_argument("--connections", default="1,8",
                        help="PARALLEL_CONNECTIONS of the -rtt rows' runs, comma-separated")
    parser.add_argument("--stop-runs", type=int, default=10, help="runs of the stop row (the worst counts)")
    parser.add_argument("--keep", action="store_true", help="keep the work folder (logs of every run) afterwards")
    args = parser.parse_args()
    harness.BUILD_DIR = os.path.abspath(args.build)
    rows = [r for r in args.rows.split(",") if r]
    unknown = set(rows) - set(ALL_ROWS)
    if unknown:
        raise SystemExit(f"unknown rows {sorted(unknown)}; rows: {', '.join(ALL_ROWS)}")
    if set(rows) & SMALL_ROWS and "empty" not in rows:
        rows.insert(0, "empty")  # the base of the memory growth

    import vanto  # noqa: E402 (after BUILD_DIR is set)
    vanto.ensure_wineserver()
    bench = Bench(args)
    try:
        print(f"making the publish tree ({args.small:,} small files, {args.big_mb} MB file) ...", flush=True)
        bench.make_tree(rows)
        bench.start_nginx()
        for row in rows:
            print(f"row {row} ...", flush=True)
            getattr(bench, "row_" + row.replace("-", "_"))()
        bench.print_table()
    finally:
        bench.stop()
        if args.keep:
            print(f"work folder kept: {bench.work}")
        else:
            shutil.rmtree(bench.work, ignore_errors=True)


if __name__ == "__main__":
    main()
