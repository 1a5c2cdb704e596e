#!/usr/bin/env bash
# Creates the project's Wine prefix on first use (a few seconds), with the
# null graphics driver so that windows and dialogs work without a display,
# and makes sure a wineserver with Wine's own service processes is up.
#
# Why the second part: the first program of a wineserver session starts
# services.exe, winedevice.exe and friends, and they inherit its standard
# output and error for as long as the server lives. Had a test started them,
# CTest (or the e2e harness) would wait on that test's output until its time
# limit. So they are started here, detached, before any test program runs.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
# A prefix made while 32-bit programs could not run has no 32-bit side (an
# empty syswow64: they then fail with "could not load kernel32.dll"). It is
# made again once they can; through qemu that takes about five minutes.
lacks_32bit_side() {
  [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] && "$VANTO_WINE32" --version >/dev/null 2>&1
}
# Wine processes must not inherit the lock (fd 9): services would hold it.
if [ ! -f "$WINEPREFIX/.vanto-ready" ] || lacks_32bit_side; then
  if [ -f "$WINEPREFIX/.vanto-ready" ]; then
    echo "wine-prefix: making $WINEPREFIX again, with its 32-bit side" >&2
    "$WINESERVER" -k </dev/null >/dev/null 2>&1 9>&- || true
  fi
  rm -rf "$WINEPREFIX"
  "$VANTO_WINE64" wineboot -i </dev/null >/dev/null 2>&1 9>&-
  "$VANTO_WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1 9>&-
  "$WINESERVER" -w 9>&-
  touch "$WINEPREFIX/.vanto-ready"
fi
# Wine links the user's shell folders (Desktop, ...) to the host's home;
# tests write desktop links, so keep those folders inside the prefix.
for d in "$WINEPREFIX"/drive_c/users/*/{Desktop,Documents,Downloads,Music,Pictures,Videos,Templates}; do
  if [ -L "$d" ]; then rm -f "$d"; mkdir -p "$d"; fi
done

wine_services_running() {
  local f cmd
  for f in /proc/[0-9]*/cmdline; do
    cmd=
    IFS= read -r -d '' cmd 2>/dev/null <"$f" || true
    [ "$cmd" = 'C:\windows\system32\services.exe' ] || continue
    grep -qzxF "WINEPREFIX=$WINEPREFIX" "${f%cmdline}environ" 2>/dev/null && return 0
  done
  return 1
}

if ! wine_services_running; then
  # A server that outlives the last program by a while (scripts/test.sh
  # ends it); exit code 2 means one runs already. Its messages (a client it
  # had to kill, for example) go to a log beside the prefix.
  "$WINESERVER" -p"${VANTO_WINESERVER_LINGER:-300}" </dev/null >/dev/null 2>>"$WINEPREFIX.server.log" 9>&- || true
  "$VANTO_WINE64" cmd /c exit 0 </dev/null >/dev/null 2>&1 9>&- || true
fi
