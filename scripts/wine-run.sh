#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's prefix (the CMake
# cross-compiling emulator of the Windows builds). A program this machine
# cannot run exits 77, which CTest reports as skipped: a 32-bit program where
# 32-bit programs cannot run, or, where they run through qemu (about a minute
# per process start), one outside the i686 smoke set (VANTO_I686_SMOKE=1).
set -euo pipefail
here=$(dirname "$0")
if [ "$("$here/pe-machine.sh" "$1")" = i386 ]; then
  runtime=$("$here/i386-runtime.sh") || true
  case $runtime in
    native) ;;
    qemu)
      if [ "${VANTO_I686_SMOKE:-0}" != 1 ]; then
        echo "SKIP: $1: 32-bit programs run through qemu on this machine (about a minute per process start): only the i686 smoke set runs (CTest label i686_smoke)" >&2
        exit 77
      fi ;;
    *)
      echo "SKIP: $1: ${runtime#none: }" >&2
      exit 77 ;;
  esac
  loader=VANTO_WINE32
else
  loader=VANTO_WINE64
fi
"$here/wine-prefix.sh"
source "$here/wine-env.sh"

# Wine starts helper processes on demand (the desktop when a test makes its
# first window, a console host) and they inherit the program's standard
# output and error. Given our caller's pipes, they would keep them open after
# the program ended and the caller (CTest) would wait for them until its time
# limit. So the program writes into a file of ours, shown when it ends.
out=$(mktemp "${TMPDIR:-/tmp}/vanto-wine-run.XXXXXX")
trap 'rm -f "$out"' EXIT
set +e
"${!loader}" "$@" >"$out" 2>&1 </dev/null
rc=$?
set -e
cat "$out"
exit $rc
