#!/usr/bin/env python3
"""The VantoExe demo: a publish server on the bundled sample folder, then two
runs of VantoExe.exe under Wine on a virtual display. The first run fetches
everything (a screenshot of the dialog is taken while it works), the second
finds everything current. Only 127.0.0.1 is ever contacted."""
import glob
import os
import random
import shutil
import subprocess
import sys
import time

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
BUILD = os.environ.get("VANTO_BUILD_DIR") or os.path.join(TOP, "build", "win64")
OUT = os.path.join(TOP, "build", "demo")
DISPLAY = os.environ.get("VANTO_DEMO_DISPLAY", ":77")
sys.path.insert(0, os.path.join(TOP, "tests", "server"))
sys.path.insert(0, os.path.join(TOP, "tests", "e2e"))
os.environ.setdefault("VANTO_BUILD_DIR", BUILD)
os.environ.setdefault("VANTO_SOURCE_DIR", TOP)
import harness  # noqa: E402
from publish_server import PublishServer  # noqa: E402

FONT_REPLACEMENTS = "\r\n".join([
    "REGEDIT4", "", r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]",
    '"굴림"="NanumGothic"', '"Gulim"="NanumGothic"', '"MS Shell Dlg"="NanumGothic"',
    '"MS Shell Dlg 2"="NanumGothic"', '"Tahoma"="NanumGothic"', ""])


def say(text):
    print(f"\033[1m==> {text}\033[0m", flush=True)


def publish_folder():
    """A copy of the sample folder plus one large file that arrives slowly."""
    root = os.path.join(OUT, "publish")
    shutil.rmtree(root, ignore_errors=True)
    shutil.copytree(os.path.join(TOP, "demo", "publish"), root)
    rng = random.Random(11)
    media = os.path.join(root, "vanto", "media")
    os.makedirs(media, exist_ok=True)
    with open(os.path.join(media, "intro.bin"), "wb") as f:
        f.write(bytes(rng.getrandbits(8) for _ in range(400 * 1024)))
    return root


def display_prefix(env):
    """The project's prefix, copied once, with a real display driver and the
    Korean font standing in for the dialog's font."""
    prefix = os.path.join(OUT, "wineprefix")
    if not os.path.exists(os.path.join(prefix, ".vanto-demo")):
        shutil.rmtree(prefix, ignore_errors=True)
        shutil.copytree(env["WINEPREFIX"], prefix, symlinks=True)
        env = dict(env, WINEPREFIX=prefix)
        subprocess.run([env["VANTO_WINE64"], "reg", "delete", r"HKCU\Software\Wine\Drivers", "/v", "Graphics", "/f"],
                       env=env, capture_output=True)
        reg = os.path.join(OUT, "fonts.reg")
        with open(reg, "wb") as f:
            f.write(FONT_REPLACEMENTS.encode("cp949"))
        subprocess.run([env["VANTO_WINE64"], "regedit", reg], env=env, capture_output=True)
        subprocess.run([env["WINESERVER"], "-w"], env=env)
        open(os.path.join(prefix, ".vanto-demo"), "w").close()
    return prefix


def start_display():
    if subprocess.run(["xdpyinfo", "-display", DISPLAY], capture_output=True).returncode == 0:
        return None
    xvfb = subprocess.Popen(["Xvfb", DISPLAY, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1.5)
    return xvfb


def run_vanto(env, exe, server, screenshot=None):
    before = server.count("GET")
    proc = subprocess.Popen([env["VANTO_WINE64"], exe, "R"], env=env, cwd=os.path.dirname(exe),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if screenshot:
        deadline = time.monotonic() + 60
        while server.count("GET", "vanto/media/intro.bin") == 0 and time.monotonic() < deadline:
            time.sleep(0.1)
        time.sleep(1.5)
        raw = screenshot + ".raw.png"
        subprocess.run(["import", "-display", DISPLAY, "-window", "root", raw], capture_output=True)
        subprocess.run(["convert", raw, "-trim", "+repage", screenshot], capture_output=True)
        os.remove(raw)
    try:
        proc.wait(timeout=120)
    except subprocess.TimeoutExpired:
        print("VantoExe did not end within two minutes (a question left unanswered?); stopping it")
        subprocess.run([env["WINESERVER"], "-k"], env=env, capture_output=True)
        proc.wait()
    return server.count("GET") - before


def main():
    env = harness.env()
    os.makedirs(OUT, exist_ok=True)
    exe_built = harness.exe_path("VantoExe.exe")
    env["WINEPREFIX"] = display_prefix(env)
    env["DISPLAY"] = DISPLAY
    xvfb = start_display()
    server = PublishServer(publish_folder()).start()
    try:
        for page in ("index", "login", "main", "help", "about", "error"):
            server.set_rule(f"vanto/html/{page}.html", gzip=True)
        server.set_rule("vanto/docs/manual.txt", chunked=True)
        server.set_rule("vanto/html/css/site.css", gzip=True, chunked=True)
        server.set_rule("vanto/media/intro.bin", slow=0.03)
        say(f"publish server on 127.0.0.1:{server.port}, serving {os.path.join(OUT, 'publish')}")

        drive = os.path.join(env["WINEPREFIX"], "drive_c", "VantoDemo")
        shutil.rmtree(drive, ignore_errors=True)
        os.makedirs(os.path.join(drive, "app"))
        exe = os.path.join(drive, "app", "VantoExe.exe")
        shutil.copy2(exe_built, exe)
        ini = {"TARGET_DIR": r"C:\VantoDemo\target", "SVR_IP_ADDR": "127.0.0.1", "SVR_PORT_NO": str(server.port),
               "DOWNLOAD_BASE_URL": "/vanto", "LIST_FILE_NAME": "Vanto.lst", "LOG_ENCODE_FLAG": "0",
               "ENCODE_URL_UTF": "1"}
        with open(os.path.join(drive, "app", "Vanto.ini"), "wb") as f:
            f.write(("[VANTO]\r\n" + "".join(f"{k}={v}\r\n" for k, v in ini.items())).encode("cp949"))
        target = os.path.join(drive, "target")

        shot = os.path.join(OUT, "dialog.png")
        say("first run: VantoExe.exe R (C:\\VantoDemo\\app)")
        fetched = run_vanto(env, exe, server, screenshot=shot)
        report(target, fetched, shot)

        say("second run: everything should be current")
        fetched = run_vanto(env, exe, server)
        report(target, fetched, None)
    finally:
        server.stop()
        subprocess.run([env["WINESERVER"], "-k"], env=env, capture_output=True)
        if xvfb:
            xvfb.terminate()
            xvfb.wait()


def report(target, fetched, shot):
    result = None
    ini = os.path.join(target, "VantoExe.ini")
    if os.path.exists(ini):
        for line in open(ini, "rb").read().decode("cp949").splitlines():
            if line.startswith("RESULT="):
                result = line.split("=", 1)[1]
    files = [p for p in glob.glob(os.path.join(target, "**", "*"), recursive=True)
             if os.path.isfile(p) and os.sep + "log" + os.sep not in p]
    print(f"result code (VantoExe.ini RESULT): {result}")
    print(f"files fetched from the server this run (GET, list file included): {fetched}")
    print(f"files in the target folder: {len(files)}")
    for p in sorted(files)[:60]:
        print("   ", os.path.relpath(p, target))
    if shot and os.path.exists(shot):
        print(f"screenshot of the dialog during the run: {shot}")
    logs = sorted(glob.glob(os.path.join(target, "log", "*.log")))
    if logs:
        text = open(logs[-1], "rb").read().decode("cp949", errors="replace").splitlines()
        run_lines = [l for l in text if "IsAlreadyLastVersion() RetVal" in l or "WMU_DOWN_COMPLETE Message" in l]
        print("log tail:")
        for line in (run_lines[-2:] + text[-12:]):
            print("   ", line)


if __name__ == "__main__":
    main()
