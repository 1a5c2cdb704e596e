#!/usr/bin/env bash
# Fetches minizip's reader sources from Debian's zlib source package into
# DEST (default: third_party/minizip of this checkout).
#
# The archive may list a source version it does not serve (a security
# suite's index ahead of its pool), so every version apt knows is tried,
# newest first, until one downloads; apt verifies what it fetches. DEST is
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

# Versions of the zlib source package, newest first.
mapfile -t listed < <(apt-cache showsrc zlib 2>/dev/null | sed -n 's/^Version: *//p' | sort -u)
versions=()
for v in "${listed[@]}"; do
  placed=0
  for i in "${!versions[@]}"; do
    if dpkg --compare-versions "$v" gt "${versions[$i]}"; then
      versions=("${versions[@]:0:$i}" "$v" "${versions[@]:$i}")
      placed=1
      break
    fi
  done
  [ "$placed" = 1 ] || versions+=("$v")
done
if [ "${#versions[@]}" = 0 ]; then
  echo "fetch-minizip: apt knows no source package 'zlib'." >&2
  echo "fetch-minizip: check that a deb-src entry exists for Debian's archive and that 'apt-get update' succeeded." >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"  # apt's download user must be able to write here
fetched=""
for v in "${versions[@]}"; do
  rm -rf "$work/get" && mkdir -p "$work/get" && chmod 755 "$work/get"
  if (cd "$work/get" && apt-get source --download-only "zlib=$v" </dev/null >"$work/log-$v" 2>&1); then
    fetched=$v
    break
  fi
  echo "fetch-minizip: zlib $v is listed but could not be fetched: $(grep -m1 -E '^(E|Err):' "$work/log-$v" || tail -n 1 "$work/log-$v")" >&2
done
if [ -z "$fetched" ]; then
  echo "fetch-minizip: no zlib source version could be fetched; tried: ${versions[*]}" >&2
  echo "fetch-minizip: check the network, the deb-src entries and 'apt-get update'; apt's messages are above." >&2
  exit 1
fi

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
