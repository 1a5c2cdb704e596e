#!/usr/bin/env bash
# Creates the project's Wine prefix on first use (a few seconds), with the
# null graphics driver so that windows and dialogs work without a display.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -f "$WINEPREFIX/.vanto-ready" ]; then
  rm -rf "$WINEPREFIX"
  "$VANTO_WINE64" wineboot -i >/dev/null 2>&1
  "$VANTO_WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  "$WINESERVER" -w
  touch "$WINEPREFIX/.vanto-ready"
fi
# Wine links the user's shell folders (Desktop, ...) to the host's home;
# tests write desktop links, so keep those folders inside the prefix.
for d in "$WINEPREFIX"/drive_c/users/*/{Desktop,Documents,Downloads,Music,Pictures,Videos,Templates}; do
  if [ -L "$d" ]; then rm -f "$d"; mkdir -p "$d"; fi
done
