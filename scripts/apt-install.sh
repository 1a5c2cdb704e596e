#!/usr/bin/env bash
# Installs Debian packages, tolerating an archive index caught mid-sync.
#   scripts/apt-install.sh PACKAGE...
# A security index that failed to download ("Mirror sync in progress?") is
# ignored by apt-get update; the install can then fail with "held broken
# packages" because installed libraries want security versions whose i386
# twins are unknown. Installing with the release as the target resolves the
# same set from the release alone, so a failed install is retried once that
# way. Says which step installed the packages; exits non-zero when neither did.
# APT_GET and OS_RELEASE may point elsewhere (the set-up's own test does).
set -uo pipefail
apt_get=${APT_GET:-apt-get}
os_release=${OS_RELEASE:-/etc/os-release}

as_root() { if [ "$(id -u)" = 0 ] || [ -n "${APT_GET:-}" ]; then "$@"; else sudo "$@"; fi; }
install() {
  as_root env DEBIAN_FRONTEND=noninteractive "$apt_get" install -y -qq --no-install-recommends \
    -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold "$@" </dev/null
}

[ "$#" -gt 0 ] || { echo "apt-install: no packages named" >&2; exit 2; }
if install "$@" >/dev/null; then
  echo "apt-install: installed by the plain install"
  exit 0
fi
codename=$(. "$os_release" 2>/dev/null && echo "${VERSION_CODENAME:-}")
if [ -z "$codename" ]; then
  echo "apt-install: install failed and $os_release names no release to retry with" >&2
  exit 1
fi
echo "apt-install: install failed; retrying with the release as the target (-t $codename)" >&2
if install -t "$codename" "$@" >/dev/null; then
  echo "apt-install: installed by the retry with -t $codename"
  exit 0
fi
echo "apt-install: the retry with -t $codename failed too" >&2
exit 1
