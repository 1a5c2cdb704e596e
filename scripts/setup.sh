#!/usr/bin/env bash
# Installs everything the build and the tests need, from Debian's archive.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  cmake ninja-build make python3 openssl curl
  mingw-w64 libz-mingw-w64-dev
  googletest libgtest-dev libgmock-dev
  zlib1g-dev libminizip-dev
  wine wine64 wine32:i386
  locales fonts-nanum xvfb imagemagick xdotool
)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

updated=0
apt_update() { if [ "$updated" = 0 ]; then as_root apt-get update -qq; updated=1; fi; }

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  apt_update
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Korean locale: the Wine prefix takes its ANSI code page (949) from LANG.
if ! locale -a 2>/dev/null | grep -qi '^ko_KR\.utf-\?8$'; then
  echo "setup: generating ko_KR.UTF-8"
  as_root sed -i 's/^# *\(ko_KR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ko_KR.UTF-8 UTF-8' /etc/locale.gen || echo 'ko_KR.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi

# minizip has no Windows build in the archive: compile its reader from the
# zlib source package's contrib/minizip.
minizip_dir="$top/third_party/minizip"
if [ ! -f "$minizip_dir/unzip.c" ]; then
  echo "setup: fetching minizip sources"
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    as_root tee /etc/apt/sources.list.d/vantoexe-src.sources >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    updated=0
  fi
  apt_update
  work=$(mktemp -d)
  (cd "$work" && apt-get source --download-only zlib >/dev/null 2>&1)
  tarball=$(ls "$work"/zlib_*.orig.tar.* | head -n 1)
  mkdir -p "$minizip_dir"
  tar -xf "$tarball" -C "$work"
  src=$(ls -d "$work"/zlib-*/contrib/minizip | head -n 1)
  cp "$src"/{unzip.c,unzip.h,ioapi.c,ioapi.h,iowin32.c,iowin32.h,crypt.h} "$minizip_dir"/
  rm -rf "$work"
fi
echo "setup: ok"
