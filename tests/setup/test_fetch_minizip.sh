#!/usr/bin/env bash
# The set-up step itself: a fresh fetch of minizip's sources into an empty
# folder succeeds, and a folder left by an interrupted fetch is replaced.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$top/scripts/fetch-minizip.sh" "$tmp/fresh"
for f in unzip.c unzip.h ioapi.c ioapi.h iowin32.c iowin32.h crypt.h .complete; do
  [ -s "$tmp/fresh/$f" ] || { echo "FAIL: fresh fetch lacks $f" >&2; exit 1; }
done

# Half-finished: files present but no mark. It must not count as done.
mkdir -p "$tmp/half"
echo broken >"$tmp/half/unzip.c"
"$top/scripts/fetch-minizip.sh" "$tmp/half"
cmp -s "$tmp/fresh/unzip.c" "$tmp/half/unzip.c" || { echo "FAIL: interrupted fetch was kept" >&2; exit 1; }
[ -f "$tmp/half/.complete" ] || { echo "FAIL: no .complete after refetch" >&2; exit 1; }
echo "fetch-minizip: fresh and interrupted folders both end complete"
