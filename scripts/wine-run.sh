#!/usr/bin/env bash
# Runs a Windows program under Wine for ctest:
#   scripts/wine-run.sh win64|win32 [--direct] PROGRAM ARGS...
# A Wine process inherits the Unix stdout, and Wine's services can keep that
# pipe open after the program is gone; so the output goes through a file and
# ctest's pipe is closed by us, not by Wine. --direct leaves the program the
# standard streams it is given (for a test that gives it /dev/full).
set -u
. "$(dirname "$0")/wine-env.sh"
wine_for "$1" || exit
shift
if [ "${1:-}" = --direct ]; then
  shift
  exec "$wine_loader" "$@"
fi
out=$(mktemp)
"$wine_loader" "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
