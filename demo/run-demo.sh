#!/usr/bin/env bash
# make demo: installs what is missing, builds VantoExe, and runs the demo.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target VantoExe -j 2
scripts/wine-prefix.sh
exec python3 demo/run_demo.py
