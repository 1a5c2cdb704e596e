# Sourced by the scripts that run Windows programs: the project's own Wine
# prefix, Korean locale (ANSI code page 949), no Wine chatter.
_vanto_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${VANTO_WINEPREFIX:-$_vanto_top/build/wineprefix}
export LANG=ko_KR.UTF-8
export LC_ALL=ko_KR.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono/Gecko install prompts, no menu entries on the host.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
# Debian's /usr/bin/wine prefers the 32-bit loader whenever it is installed,
# even where the kernel cannot run it; name the loaders directly.
export VANTO_WINE64=/usr/lib/wine/wine64
export VANTO_WINE32=/usr/lib/wine/wine
export WINELOADER=$VANTO_WINE64
export WINESERVER=/usr/lib/wine/wineserver64
