"""The shipped programs import no DLL outside allowed_dlls.txt.

Reads the import tables of the programs named on the command line with the
build's objdump (-p) and fails, naming the program and the DLL, on any DLL
the list does not allow. A DLL that Windows lacks (zlib1.dll) stops the
program at load on a clean PC; a system DLL outside KnownDLLs would be
looked up in the program's folder first."""
import os
import re
import subprocess
import sys


def allowed(path, i686):
    names = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                name, _, reason = line.partition(" ")
                if reason.endswith("[i686]") and not i686:
                    continue
                names[name.lower()] = reason.strip()
    return names


def imports(objdump, exe):
    """(is an i686 program, the DLL names of its import table)."""
    out = subprocess.run([objdump, "-p", exe], check=True, capture_output=True, text=True).stdout
    return "file format pei-i386" in out, re.findall(r"^\s*DLL Name: (\S+)", out, re.M)


def main():
    objdump, exes = sys.argv[1], sys.argv[2:]
    listing = os.path.join(os.path.dirname(os.path.abspath(__file__)), "allowed_dlls.txt")
    bad = []
    for exe in exes:
        i686, dlls = imports(objdump, exe)
        allow = allowed(listing, i686)
        if not dlls:
            bad.append(f"{exe}: no import table read")
        bad += [f"{exe}: imports {dll}, which is not in allowed_dlls.txt" for dll in dlls if dll.lower() not in allow]
        print(f"{os.path.basename(exe)}: {', '.join(dlls)}")
    for line in bad:
        print("FAIL " + line, file=sys.stderr)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
