#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${KORVO_WINEPREFIX:-$here/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1
  # wineboot returns before the server has written the registry
  /usr/lib/wine/wineserver -w 2>/dev/null || wineserver -w 2>/dev/null || true
fi
# Ignored, as the programs started from here inherit it: a write past a file-size limit (tests
# set one with prlimit) then fails and is reported instead of ending the program.
trap '' XFSZ
exec "$wine" "$@"
