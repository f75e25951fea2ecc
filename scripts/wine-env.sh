# Sourced by the scripts that run Windows programs. `wine_for win64|win32`
# sets WINEPREFIX, WINEARCH, $wine_loader and $wine_server for that build:
#   win64  the x86-64 build, in $WINEPREFIX (default ~/.wine-tivrel)
#   win32  the shipped 32-bit build, in a 32-bit prefix of its own,
#          $WINEPREFIX32 (default ~/.wine-tivrel32), under Debian's wine32
# Runs side by side set their own prefixes; two runs in one prefix share its
# wineserver and see each other's windows.
# Call it once per process: it sets WINEPREFIX itself.
tivrel_prefix64=${WINEPREFIX:-$HOME/.wine-tivrel}
tivrel_prefix32=${WINEPREFIX32:-$HOME/.wine-tivrel32}
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

wine_for() {
  case "$1" in
    win64)
      export WINEPREFIX=$tivrel_prefix64 WINEARCH=win64
      wine_loader=/usr/lib/wine/wine64
      wine_server=/usr/lib/wine/wineserver64
      ;;
    win32)
      export WINEPREFIX=$tivrel_prefix32 WINEARCH=win32
      wine_loader=/usr/lib/wine/wine
      wine_server=/usr/lib/wine/wineserver32
      ;;
    *)
      echo "wine_for: win64 or win32, not '$1'" >&2
      return 64
      ;;
  esac
  if [ ! -x "$wine_loader" ] || [ ! -x "$wine_server" ]; then
    local package=wine64
    [ "$1" = win32 ] && package=wine32:i386
    echo "missing tool: $wine_loader or $wine_server (Debian package $package; scripts/setup.sh installs it)" >&2
    return 69
  fi
}
