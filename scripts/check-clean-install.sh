#!/usr/bin/env bash
# Installs the Debian package into a clean Debian 12 root (13 with
# SUITE=trixie), as a new user's `apt install ./tivrel_*.deb` would, and
# checks what that user sees: a Chinese face for zh-CN (fc-match), and
# tivrel's main window mapped on an X server in that root. Not part of
# scripts/test.sh: it downloads about two hundred packages. Needs root
# (mmdebstrap's root mode) and the network to the Debian archive.
#   scripts/check-clean-install.sh [PACKAGE.deb]    (default build/packages/tivrel_*.deb)
# The log is kept when something failed, and its path printed.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=${1:-$(ls build/packages/tivrel_*.deb 2>/dev/null | head -n 1)}
if [ ! -f "$deb" ]; then
  echo "check-clean-install: no package; run scripts/check-packages.sh first" >&2
  exit 1
fi
for tool in mmdebstrap; do
  command -v "$tool" >/dev/null || {
    echo "missing tool: $tool (Debian package $tool)" >&2
    exit 1
  }
done
deb=$(realpath "$deb")
mirror=${MIRROR:-http://deb.debian.org/debian}
suite=${SUITE:-bookworm}
root=$(mktemp -d /tmp/tivrel-clean-root.XXXXXX)
log=$root.log
trap 'rm -rf "$root"' EXIT

# What the test needs beside the package: an X server, a way to see windows.
# The package itself brings the rest, fonts included, with apt's defaults.
# shellcheck disable=SC2016
mmdebstrap --variant=apt --include=xvfb,xdotool,x11-utils,fontconfig \
  --customize-hook="copy-in $deb /tmp" \
  --customize-hook='chroot "$1" sh -c "apt-get install -s /tmp/tivrel_*.deb | grep -E \"^[0-9]+ upgraded\""' \
  --customize-hook='chroot "$1" sh -c "DEBIAN_FRONTEND=noninteractive apt-get install -y -q /tmp/tivrel_*.deb >/tmp/install.log 2>&1 || { cat /tmp/install.log; exit 1; }"' \
  --customize-hook='chroot "$1" sh -c "echo \"fc-match :lang=zh-cn: \$(fc-match -f \"%{family} (%{file})\" :lang=zh-cn)\""' \
  --customize-hook='chroot "$1" sh -c "
    Xvfb :7 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & x=\$!
    export DISPLAY=:7 QT_QPA_PLATFORM=xcb
    for i in \$(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    tivrel >/tmp/tivrel.log 2>&1 & t=\$!
    found=
    for i in \$(seq 300); do
      found=\$(xdotool search --onlyvisible --name \"岚铃声卡测试仪\" 2>/dev/null | head -n 1)
      [ -n \"\$found\" ] && break
      sleep 0.1
    done
    state=\$( [ -n \"\$found\" ] && xwininfo -id \$found | sed -n \"s/.*Map State: //p\")
    echo \"tivrel main window: \${found:-none} \${state}\"
    kill \$t \$x 2>/dev/null
    [ \"\$state\" = IsViewable ] || { cat /tmp/tivrel.log; exit 1; }"' \
  "$suite" "$root" "deb $mirror $suite main" >"$log" 2>&1 || status=$?
status=${status:-0}
grep -E '^[0-9]+ upgraded|^fc-match|^tivrel main window|^E:' "$log" || true

family=$(sed -n 's/^fc-match :lang=zh-cn: //p' "$log")
result=0
if [ "$status" -ne 0 ]; then
  # Why it failed: apt's or the hooks' own words, then where the rest is.
  grep -E '^(E|W): |[Uu]nmet|Depends:|Error|error' "$log" | grep -v '^W: Download is performed unsandboxed' | tail -n 20
  echo "check-clean-install: FAILED (mmdebstrap ended with $status; its log: $log)"
  exit 1
fi
case "$family" in
  *CJK* | *WenQuanYi* | *"WenQuanYi Zen Hei"*) echo "ok: a Chinese face resolves: $family" ;;
  *)
    echo "FAIL: no Chinese face for zh-cn: $family"
    result=1
    ;;
esac
grep -q 'main window: [0-9]* IsViewable' "$log" && echo "ok: tivrel's main window maps" || result=1
[ $result -eq 0 ] && rm -f "$log"
[ $result -eq 0 ] && echo "check-clean-install: passed" || echo "check-clean-install: FAILED (its log: $log)"
exit $result
