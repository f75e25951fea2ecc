#!/bin/sh
# A DLL planted beside each Windows program under the name of a DLL that it or
# a system DLL loads at run time (Wine's OSS audio driver, and two that
# user32 and comctl32 load) is not loaded: its DllMain would say so in a file.
#   planted_dlls_test.sh WINE_RUN ARCH DRIVER TIVREL_EXE REPORT_EXE MARKER_DLL HOST_EXE
set -u
wine_run=$1 arch=$2 driver=$3 tivrel=$4 report=$5 marker_dll=$6 host=$7
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$tivrel" "$report" "$host" "$dir"/
for name in wineoss.drv uxtheme.dll version.dll; do cp "$marker_dll" "$dir/$name"; done
marker=$dir/loaded.txt
TIVREL_PLANTED_MARKER="Z:$(printf %s "$marker" | tr / '\\')"
# Wine's OSS driver is among those tried (the pulse one is not, as nothing answers).
export TIVREL_PLANTED_MARKER WINEDLLOVERRIDES="mscoree,mshtml=;winepulse.drv=d"
loaded() { [ -s "$marker" ] && iconv -f UTF-16LE -t UTF-8 "$marker"; }
status=0

"$wine_run" "$arch" "$dir/$(basename "$host")" >/dev/null
if ! loaded >/dev/null; then
  echo "FAIL: even a program that does not restrict the search loads no planted DLL; the check means nothing"
  exit 1
fi
printf "ok: without the restriction the planted %s is loaded\n" "$(loaded | head -n 1)"

rm -f "$marker"
"$wine_run" "$arch" "$dir/$(basename "$report")" --all --formats >/dev/null
if loaded >/dev/null; then
  printf "FAIL: tivrel-report.exe loaded %s\n" "$(loaded)"
  status=1
else
  echo "ok: tivrel-report.exe --all --formats loads none of the planted DLLs"
fi

rm -f "$marker"
"$wine_run" "$arch" "$driver" "$dir/$(basename "$tivrel")" device | grep -E 'FAIL|passed'
if loaded >/dev/null; then
  printf "FAIL: Tivrel.exe loaded %s\n" "$(loaded)"
  status=1
else
  echo "ok: Tivrel.exe, its whole walk with Test, loads none of the planted DLLs"
fi
exit $status
