#!/usr/bin/env bash
# The benchmark against the floor (make bench; not part of make test):
# installs nginx from Debian's archive when it is missing, builds the
# native admin tool and the win64 programs, and prints one table.
#   scripts/bench.sh [tests/bench/run_bench.py options, e.g. --small 2000 --rows head,made]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

scripts/setup.sh
if [ ! -x /usr/sbin/nginx ]; then
  echo "bench: installing nginx"
  # The package would start a server on port 80 of every address; the
  # benchmark starts its own on a loopback port only.
  policy=/usr/sbin/policy-rc.d
  made_policy=0
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | as_root tee "$policy" >/dev/null
    as_root chmod +x "$policy"
    made_policy=1
  fi
  status=0
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends nginx </dev/null >/dev/null \
    || status=$?
  if [ "$made_policy" = 1 ]; then as_root rm -f "$policy"; fi
  [ "$status" = 0 ] || { echo "bench: could not install nginx" >&2; exit 1; }
fi

for preset in host win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

scripts/wine-prefix.sh
source scripts/wine-env.sh
trap '"$WINESERVER" -k 2>/dev/null || true' EXIT
python3 tests/bench/run_bench.py "$@"
