#!/usr/bin/env bash
# Installs everything the build and the tests need, from Debian's archive.
# Idempotent: when everything is present it only checks and returns (about
# a second). Runs as root or through sudo; never reads standard input.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  cmake ninja-build make g++ pkg-config python3 openssl curl bzip2
  clang libclang-rt-14-dev
  mingw-w64 libz-mingw-w64-dev
  googletest libgtest-dev libgmock-dev
  zlib1g-dev libminizip-dev libssl-dev
  libsodium-dev minisign autoconf automake libtool dpkg-dev
  wine wine64 wine32:i386
  locales fonts-nanum xvfb imagemagick xdotool
)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      echo "$p"
    fi
  done
}

updated=0
apt_update() {
  if [ "$updated" = 0 ]; then
    # A broken third-party source must not stop the setup; a package that
    # really cannot be fetched fails the install below.
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq </dev/null \
      || echo "setup: warning: apt-get update reported errors" >&2
    updated=1
  fi
}

mapfile -t missing < <(missing_packages)
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    updated=0
  fi
  apt_update
  # On a kernel without 32-bit support some i386 maintainer scripts print
  # "Exec format error"; what counts is whether the packages end up installed.
  "$top/scripts/apt-install.sh" "${missing[@]}" \
    || echo "setup: warning: apt-get install reported errors; checking what is installed" >&2
  mapfile -t still < <(missing_packages)
  if [ "${#still[@]}" -gt 0 ]; then
    echo "setup: could not install: ${still[*]}" >&2
    exit 1
  fi
fi

# Korean locale: the Wine prefix takes its ANSI code page (949) from LANG.
if ! locale -a 2>/dev/null | grep -qi '^ko_KR\.utf-\?8$'; then
  echo "setup: generating ko_KR.UTF-8"
  as_root sed -i 's/^# *\(ko_KR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ko_KR.UTF-8 UTF-8' /etc/locale.gen || echo 'ko_KR.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi

# Source entries for the archive this machine already uses (same mirror,
# same key), so that apt's source client can fetch zlib.
add_source_entries() {
  local list=/etc/apt/sources.list.d/vantoexe-src.sources
  if [ -f /etc/apt/sources.list.d/debian.sources ] && grep -q '^Types:.*\bdeb\b' /etc/apt/sources.list.d/debian.sources; then
    sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | as_root tee "$list" >/dev/null
  elif grep -qs '^deb ' /etc/apt/sources.list; then
    list=/etc/apt/sources.list.d/vantoexe-src.list
    sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list | as_root tee "$list" >/dev/null
  else
    as_root tee "$list" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  fi
  updated=0
}

has_source_entries() {
  grep -qs '^Types:.*deb-src' /etc/apt/sources.list.d/*.sources \
    || grep -qs '^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list
}

# The shipped build is 32-bit. Where the kernel cannot run 32-bit programs,
# qemu-user-static runs them (registered for i386 programs in binfmt_misc;
# that registration lasts until the machine restarts, and this step renews
# it). Without it the 32-bit tests skip with the reason; the set-up goes on.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  if ! dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q 'install ok installed'; then
    echo "setup: installing qemu-user-static (this kernel cannot run 32-bit programs itself)"
    apt_update
    "$top/scripts/apt-install.sh" qemu-user-static >/dev/null || echo "setup: warning: qemu-user-static could not be installed" >&2
  fi
fi
echo "setup: 32-bit programs: $("$top/scripts/i386-runtime.sh" --enable)"

# minizip has no Windows build in the archive: compile its reader from the
# zlib source package's contrib/minizip.
if [ ! -f "$top/third_party/minizip/.complete" ]; then
  echo "setup: fetching minizip sources"
  has_source_entries || add_source_entries
  apt_update
  "$top/scripts/fetch-minizip.sh" "$top/third_party/minizip"
fi
# libsodium has no Windows build in the archive either: its static library
# is built once per machine and target from the libsodium source package,
# into a cache outside the clone (scripts/build-libsodium.sh).
for host in i686-w64-mingw32 x86_64-w64-mingw32; do
  if ! "$top/scripts/build-libsodium.sh" --check "$host"; then
    has_source_entries || add_source_entries
    apt_update
    "$top/scripts/build-libsodium.sh" "$host"
  fi
done
echo "setup: ok"
