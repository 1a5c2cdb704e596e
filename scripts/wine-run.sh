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
  "$here/wine-prefix.sh"
  source "$here/wine-env.sh"
  exec "$VANTO_WINE32" "$@"
fi
"$here/wine-prefix.sh"
source "$here/wine-env.sh"
exec "$VANTO_WINE64" "$@"
