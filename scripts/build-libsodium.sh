#!/usr/bin/env bash
# Builds libsodium's static library for a Windows target from Debian's
# libsodium source package (the archive has no mingw build of it).
#   scripts/build-libsodium.sh [--check] HOST   (i686-w64-mingw32 or x86_64-w64-mingw32)
# --check only answers whether the build is present (exit 0) or not (1).
# The result lives outside any clone, in CACHE/libsodium-<version>-<HOST>
# (CACHE: $VANTO_CACHE_DIR, default /var/cache/vantoexe), marked with
# .complete; CACHE/libsodium-<HOST> links to it and is what the build uses.
# A present mark means done: every clone on the machine shares one build.
# A folder without the mark (a build cut short) is rebuilt from scratch.
# The full library is built (not --enable-minimal): vantoctl's encrypted
# secret keys need scrypt. Programs link only the parts they call.
# Needs deb-src entries, a fresh `apt-get update`, autoconf, automake,
# libtool and dpkg-dev (scripts/setup.sh sees to all). Never reads stdin.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
check=0
if [ "${1:-}" = --check ]; then check=1; shift; fi
host=${1:?host triplet, e.g. i686-w64-mingw32}
cache=${VANTO_CACHE_DIR:-/var/cache/vantoexe}
link=$cache/libsodium-$host
me="build-libsodium($host)"

if [ -f "$link/.complete" ] && [ -f "$link/lib/libsodium.a" ]; then
  exit 0
fi
[ "$check" = 0 ] || exit 1
if ! command -v "$host-gcc" >/dev/null; then
  echo "$me: no $host-gcc: install mingw-w64 (scripts/setup.sh)" >&2
  exit 1
fi
for tool in autoreconf libtoolize dpkg-source; do
  command -v "$tool" >/dev/null || { echo "$me: $tool missing: install autoconf, automake, libtool and dpkg-dev (scripts/setup.sh)" >&2; exit 1; }
done

mkdir -p "$cache"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"  # apt's download user must be able to write below it
version=$("$top/scripts/apt-source.sh" libsodium "$work/get")
dsc=$(ls "$work"/get/libsodium_*.dsc 2>/dev/null | head -n 1)
if [ -z "$dsc" ]; then
  echo "$me: libsodium $version downloaded but holds no .dsc" >&2
  exit 1
fi
# Unpacked with Debian's patches applied (security fixes of the release).
if ! dpkg-source --no-check -x "$dsc" "$work/src" >"$work/unpack.log" 2>&1; then
  cat "$work/unpack.log" >&2
  echo "$me: libsodium $version could not be unpacked" >&2
  exit 1
fi

dest=$cache/libsodium-${version//[:~]/_}-$host
rm -rf "$dest"
echo "$me: building libsodium $version (a few minutes on 2 cores)"
(
  cd "$work/src"
  ./autogen.sh -s
  ./configure --host="$host" --disable-shared --enable-static --disable-dependency-tracking \
    --prefix="$dest"
  make -j2
  make install
) >"$work/build.log" 2>&1 || {
  tail -n 40 "$work/build.log" >&2
  echo "$me: building libsodium $version failed (its last messages are above)" >&2
  rm -rf "$dest"
  exit 1
}
[ -f "$dest/lib/libsodium.a" ] && [ -f "$dest/include/sodium.h" ] || {
  echo "$me: build of libsodium $version left no lib/libsodium.a" >&2
  exit 1
}
echo "$version" >"$dest/.complete"
ln -sfn "$dest" "$link.new"
mv -T "$link.new" "$link"
echo "$me: libsodium $version in $dest"
