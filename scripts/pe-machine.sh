#!/usr/bin/env bash
# Prints i386 or x86_64 for a Windows executable (from its PE header).
python3 - "$1" <<'PY'
import struct, sys
with open(sys.argv[1], "rb") as f:
    data = f.read(4096)
pe = struct.unpack_from("<I", data, 0x3C)[0]
machine = struct.unpack_from("<H", data, pe + 4)[0]
print({0x14C: "i386", 0x8664: "x86_64"}.get(machine, "unknown"))
PY
