#!/usr/bin/env bash
# Downloads the original tarball of a Debian source package into DIR.
#   scripts/apt-source.sh PACKAGE DIR
# The archive may list a source version it does not serve (a security
# suite's index ahead of its pool), so every version apt knows is tried,
# newest first, until one downloads; apt verifies what it fetches. Prints
# the fetched version on standard output; apt's messages go to standard
# error. Needs deb-src entries and a fresh `apt-get update` (scripts/setup.sh
# sees to both). Never reads standard input.
set -euo pipefail
pkg=${1:?package}
dir=${2:?folder}
me="apt-source($pkg)"

# Versions of the source package, newest first.
mapfile -t listed < <(apt-cache showsrc "$pkg" 2>/dev/null | sed -n 's/^Version: *//p' | sort -u)
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
  echo "$me: apt knows no source package '$pkg'." >&2
  echo "$me: check that a deb-src entry exists for Debian's archive and that 'apt-get update' succeeded." >&2
  exit 1
fi

mkdir -p "$dir"
chmod 755 "$dir"  # apt's download user must be able to write here
log=$(mktemp)
trap 'rm -f "$log"' EXIT
for v in "${versions[@]}"; do
  if (cd "$dir" && apt-get source --download-only "$pkg=$v" </dev/null >"$log" 2>&1); then
    echo "$v"
    exit 0
  fi
  echo "$me: $v is listed but could not be fetched: $(grep -m1 -E '^(E|Err):' "$log" || tail -n 1 "$log")" >&2
done
echo "$me: no source version could be fetched; tried: ${versions[*]}" >&2
echo "$me: check the network, the deb-src entries and 'apt-get update'." >&2
exit 1
