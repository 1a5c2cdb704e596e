#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's prefix (the CMake
# cross-compiling emulator of the Windows builds). A 32-bit program on a
# kernel without 32-bit support exits 77, which CTest reports as skipped.
set -euo pipefail
here=$(dirname "$0")
"$here/wine-prefix.sh"
source "$here/wine-env.sh"
if [ "$("$here/pe-machine.sh" "$1")" = i386 ]; then
  if ! "$VANTO_WINE32" --version >/dev/null 2>&1; then
    echo "SKIP: this machine's kernel cannot run 32-bit programs, so Wine cannot run $1" >&2
    exit 77
  fi
  exec "$VANTO_WINE32" "$@"
fi
exec "$VANTO_WINE64" "$@"
