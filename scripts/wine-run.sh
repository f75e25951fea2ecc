#!/usr/bin/env bash
# Runs a Windows test program under wine64 for ctest.
# A Wine process inherits the Unix stdout, and Wine's services can keep that
# pipe open after the program is gone; so the output goes through a file and
# ctest's pipe is closed by us, not by Wine.
set -u
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-tivrel}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
loader=/usr/lib/wine/wine64
[ -x "$loader" ] || loader=$(command -v wine64 || command -v wine)
out=$(mktemp)
"$loader" "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
