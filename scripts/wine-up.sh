#!/usr/bin/env bash
# Starts a persistent wineserver and boots the prefix once, so that the tests
# do not each pay Wine's start-up. Needs an X display for the GUI tests.
set -u
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-tivrel}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
server=/usr/lib/wine/wineserver64
[ -x "$server" ] || server=$(command -v wineserver)
"$server" -p >/dev/null 2>&1 </dev/null &
sleep 0.5
/usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1
# Xvfb has no window manager; Wine's X11 driver would wait for one on every
# window it destroys. Unmanaged windows skip that wait.
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
  </dev/null >/dev/null 2>&1
echo "wine prefix ready: $WINEPREFIX"
