#!/usr/bin/env bash
# The install step's retry decision, with a fake apt-get that succeeds or
# fails as each case asks and notes how it was called: a failed plain
# install is retried once with the release (from os-release) as the target;
# a plain success is not retried; a failed retry, or no release to retry
# with, fails the step. Each case says which step installed.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cat >"$tmp/apt-get" <<'FAKE'
#!/usr/bin/env bash
echo "$*" >>"$FAKE_APT_CALLS"
case "$FAKE_APT_MODE" in
  ok) exit 0 ;;
  plain-fails) for a in "$@"; do [ "$a" = -t ] && exit 0; done; exit 100 ;;
  both-fail) exit 100 ;;
esac
exit 3
FAKE
chmod +x "$tmp/apt-get"
printf 'ID=debian\nVERSION_CODENAME=bookworm\n' >"$tmp/os-release"
printf 'ID=debian\n' >"$tmp/os-release-no-codename"

failures=0
# case MODE OS_RELEASE EXPECTED_EXIT EXPECTED_CALLS EXPECTED_OUTPUT
check() {
  local mode=$1 release=$2 want_rc=$3 want_calls=$4 want_text=$5 out rc calls
  : >"$tmp/calls"
  out=$(FAKE_APT_MODE=$mode FAKE_APT_CALLS=$tmp/calls APT_GET=$tmp/apt-get OS_RELEASE=$release \
        "$top/scripts/apt-install.sh" wine32:i386 nginx 2>&1)
  rc=$?
  calls=$(cat "$tmp/calls")
  local why=
  [ "$rc" = "$want_rc" ] || why="exit $rc, expected $want_rc"
  [ "$(printf '%s\n' "$calls" | grep -c .)" = "$want_calls" ] || why="$why; $want_calls apt-get calls expected"
  printf '%s\n' "$calls" | grep -q -- 'install .*wine32:i386 nginx' || why="$why; packages not passed on"
  if [ "$want_calls" = 2 ]; then
    printf '%s\n' "$calls" | sed -n 2p | grep -q -- '-t bookworm wine32:i386 nginx' || why="$why; retry lacks -t bookworm"
  fi
  printf '%s\n' "$out" | grep -qF -- "$want_text" || why="$why; output lacks \"$want_text\""
  if [ -n "$why" ]; then
    echo "FAIL [$mode, $(basename "$release")]: ${why#; }" >&2
    printf '  output:\n%s\n  apt-get calls:\n%s\n' "$out" "$calls" >&2
    failures=$((failures + 1))
  fi
}

check plain-fails "$tmp/os-release" 0 2 "apt-install: installed by the retry with -t bookworm"
check ok "$tmp/os-release" 0 1 "apt-install: installed by the plain install"
check both-fail "$tmp/os-release" 1 2 "apt-install: the retry with -t bookworm failed too"
check plain-fails "$tmp/os-release-no-codename" 1 1 "names no release to retry with"

[ "$failures" = 0 ] || exit 1
echo "apt-install: retry decision right in 4 cases"
