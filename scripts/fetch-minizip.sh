#!/usr/bin/env bash
# Fetches minizip's reader sources from Debian's zlib source package into
# DEST (default: third_party/minizip of this checkout).
#
# scripts/apt-source.sh picks the newest zlib source version the archive
# really serves; apt verifies what it fetches. DEST is
# filled only from a complete fetch and marked with .complete; a folder
# without the mark (a fetch cut short) is replaced.
#
# Needs deb-src entries and a fresh `apt-get update` (scripts/setup.sh sees
# to both). Never reads standard input.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dest=${1:-$top/third_party/minizip}
files=(unzip.c unzip.h ioapi.c ioapi.h iowin32.c iowin32.h crypt.h)

if [ -f "$dest/.complete" ]; then
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"  # apt's download user must be able to write below it
fetched=$("$top/scripts/apt-source.sh" zlib "$work/get")

tarball=$(ls "$work"/get/zlib_*.orig.tar.* 2>/dev/null | head -n 1)
if [ -z "$tarball" ]; then
  echo "fetch-minizip: zlib $fetched downloaded but holds no original tarball" >&2
  exit 1
fi
tar -xf "$tarball" -C "$work"
src=$(ls -d "$work"/zlib-*/contrib/minizip 2>/dev/null | head -n 1)
if [ -z "$src" ]; then
  echo "fetch-minizip: zlib $fetched has no contrib/minizip" >&2
  exit 1
fi
mkdir -p "$work/out"
for f in "${files[@]}"; do cp "$src/$f" "$work/out/"; done
echo "$fetched" >"$work/out/.complete"

# Replace whatever an interrupted earlier fetch left, in one rename.
mkdir -p "$(dirname "$dest")"
rm -rf "$dest.partial"
mv "$work/out" "$dest.partial"
rm -rf "$dest"
mv "$dest.partial" "$dest"
echo "fetch-minizip: minizip from zlib $fetched in $dest"
