#!/usr/bin/env python3
"""Download benchmark (not a test): a 200 MB file over loopback, fetched by
the client's own download code (vantoctl probe --download under Wine), plain
and gzip-encoded, next to curl fetching the same answers; and the peak memory
of the client process, whose difference between the two runs is what the
streaming gzip decoding costs.

    tests/bench/download_bench.py [--size-mb 200] [--build build/win64]
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(SOURCE, "tests", "e2e"))
import harness  # noqa: E402


def make_file(path, size_mb):
    """Half random, half text, in 1 MB blocks: compresses to about half."""
    text = b"".join(b"record %08d of the published file\n" % i for i in range(30000))[: 1 << 20]
    with open(path, "wb") as f:
        for i in range(size_mb):
            f.write(os.urandom(1 << 20) if i % 2 else text)


def start_server(root, rules):
    args = [sys.executable, os.path.join(SOURCE, "tests", "server", "publish_server.py"), "--root", root]
    for r in rules:
        args += ["--rule", r]
    proc = subprocess.Popen(args, stdout=subprocess.PIPE, text=True)
    info = json.loads(proc.stdout.readline())
    return proc, info["port"]


def peak_watch(pid_holder, result):
    """Largest VmHWM of any process of the Wine run (the client program)."""
    while pid_holder["running"]:
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    if b"vantoctl" not in f.read():
                        continue
                with open(f"/proc/{pid}/status") as f:
                    for line in f:
                        if line.startswith("VmHWM:"):
                            result["peak_kb"] = max(result.get("peak_kb", 0), int(line.split()[1]))
            except OSError:
                pass
        time.sleep(0.05)


def run_client(vantoctl, ini, local):
    if os.path.exists(local):
        os.remove(local)
    holder, peak = {"running": True}, {}
    watcher = threading.Thread(target=peak_watch, args=(holder, peak))
    watcher.start()
    start = time.monotonic()
    r = harness.run(vantoctl, ["probe", "--ini", harness.to_windows(ini), "bin/big.bin", "--download",
                               harness.to_windows(local)], timeout=1800)
    elapsed = time.monotonic() - start
    holder["running"] = False
    watcher.join()
    out = r.stdout.decode("cp949", "replace")
    if "download_result=0" not in out:
        raise SystemExit("client download failed:\n" + out)
    return elapsed, peak.get("peak_kb", 0)


def run_curl(url, out, compressed):
    start = time.monotonic()
    subprocess.run(["curl", "-s", "-o", out, *(["--compressed"] if compressed else []), url], check=True)
    return time.monotonic() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--size-mb", type=int, default=200)
    parser.add_argument("--build", default=os.path.join(SOURCE, "build", "win64"))
    args = parser.parse_args()
    os.environ["VANTO_BUILD_DIR"] = os.path.abspath(args.build)
    harness.BUILD_DIR = os.path.abspath(args.build)
    vantoctl = harness.exe_path("vantoctl.exe")

    work = tempfile.mkdtemp(prefix="vanto_bench_")
    try:
        root = os.path.join(work, "server")
        os.makedirs(os.path.join(root, "pub", "bin"))
        big = os.path.join(root, "pub", "bin", "big.bin")
        make_file(big, args.size_mb)
        size = os.path.getsize(big)
        results = []
        for label, rules in (("plain", []), ("gzip", ["pub/bin/big.bin:gzip=true,chunked=true"])):
            proc, port = start_server(root, rules)
            try:
                ini = os.path.join(work, f"{label}.ini")
                with open(ini, "w") as f:
                    f.write(f"[VANTO]\nSVR_IP_ADDR=127.0.0.1\nSVR_PORT_NO={port}\nDOWNLOAD_BASE_URL=/pub\n"
                            "TARGET_DIR=C:\\unused\n")
                url = f"http://127.0.0.1:{port}/pub/bin/big.bin"
                # First fetch warms the server's gzip copy and the page cache.
                run_curl(url, os.path.join(work, "warm"), label == "gzip")
                client_s, peak_kb = run_client(vantoctl, ini, os.path.join(work, "client.bin"))
                with open(os.path.join(work, "client.bin"), "rb") as a, open(big, "rb") as b:
                    same = a.read(1 << 20) == b.read(1 << 20)
                curl_s = run_curl(url, os.path.join(work, "curl.bin"), label == "gzip")
                results.append((label, client_s, curl_s, peak_kb, same and
                                os.path.getsize(os.path.join(work, "client.bin")) == size))
            finally:
                proc.terminate()
                proc.wait()
        mb = size / (1 << 20)
        print(f"file: {mb:.0f} MiB over loopback")
        print(f"{'answer':8} {'client s':>9} {'client MiB/s':>13} {'curl s':>8} {'curl MiB/s':>11} "
              f"{'client peak RSS MiB':>20} ok")
        for label, client_s, curl_s, peak_kb, ok in results:
            print(f"{label:8} {client_s:9.1f} {mb / client_s:13.1f} {curl_s:8.1f} {mb / curl_s:11.1f} "
                  f"{peak_kb / 1024:20.1f} {ok}")
        plain_peak, gzip_peak = results[0][3], results[1][3]
        print(f"gzip decoding adds {max(0, gzip_peak - plain_peak) / 1024:.1f} MiB to the client's peak memory")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
