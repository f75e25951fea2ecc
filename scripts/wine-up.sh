#!/usr/bin/env bash
# Starts a persistent wineserver and boots the prefix of a build once, so that
# the tests do not each pay Wine's start-up. Needs an X display for the GUI
# tests.
#   scripts/wine-up.sh win64|win32      (see wine-env.sh for the prefixes)
#   scripts/wine-up.sh --stop win64|win32
set -u
. "$(dirname "$0")/wine-env.sh"
if [ "${1:-}" = --stop ]; then
  wine_for "${2:-}" 2>/dev/null || exit 0
  "$wine_server" -k >/dev/null 2>&1 </dev/null
  exit 0
fi
wine_for "${1:-}" || exit
"$wine_server" -p >/dev/null 2>&1 </dev/null
# The first start creates the prefix; wait until it is up, however long the
# machine takes.
if ! timeout 300 "$wine_loader" cmd /c exit </dev/null >/dev/null 2>&1; then
  echo "wine-up: $wine_loader did not start in $WINEPREFIX" >&2
  exit 1
fi
# Xvfb has no window manager; Wine's X11 driver would wait for one on every
# window it destroys. Unmanaged windows skip that wait.
"$wine_loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
  </dev/null >/dev/null 2>&1
echo "wine prefix ready ($1): $WINEPREFIX"
