#!/usr/bin/env bash
# Tries the README's two commands for the Linux build in a clean Debian 13
# (trixie) root, as a new user with sudo would: setup, build and run (tivrel
# --version, as there is no display), the install step after it, then
# `scripts/test.sh linux`, the Linux build with all of its tests. The tree is
# the one checked out here, uncommitted changes included. Not part of
# scripts/test.sh: it downloads some three hundred packages. Needs root
# (mmdebstrap's root mode) and the network to the Debian archive.
#   scripts/check-debian13.sh [--keep]
# --keep leaves the root beside the log. The log is always kept; its path is
# the last line. With TIVREL_CCACHE_DIR set, the builds share that compiler
# cache (copied in and back out), so that a second run builds little.
set -euo pipefail
cd "$(dirname "$0")/.."
keep=""
[ "${1:-}" = --keep ] && keep=yes
command -v mmdebstrap >/dev/null || {
  echo "missing tool: mmdebstrap (Debian package mmdebstrap)" >&2
  exit 1
}
mirror=${MIRROR:-http://deb.debian.org/debian}
work=$(mktemp -d /tmp/tivrel-debian13.XXXXXX)
log=$work.log
chmod 755 "$work"  # apt downloads as _apt
[ -n "$keep" ] || trap 'rm -rf "$work"' EXIT

# The working tree without its builds.
git ls-files -z --cached --others --exclude-standard |
  tar --null --ignore-failed-read -T - -cf "$work/tree.tar" 2>/dev/null
cache=${TIVREL_CCACHE_DIR:-}
if [ -n "$cache" ]; then
  mkdir -p "$cache"
  cache=$(realpath "$cache")
else
  cache=$work/ccache
  mkdir -p "$cache"
fi

# What runs as the new user: each step by name, its status noted; the checks
# go on after a failure so that one run tells everything.
cat >"$work/newcomer.sh" <<'EOF'
set -u
cd ~/tivrel
export CCACHE_DIR=/var/cache/tivrel-ccache CCACHE_BASEDIR=$HOME CCACHE_UMASK=000
export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
export CMAKE_BUILD_PARALLEL_LEVEL=2
failed=0
step() {
  local name=$1
  shift
  printf '\n#### %s\n' "$name"
  if "$@"; then echo "#### ok: $name"; else echo "#### FAILED ($?): $name"; failed=1; fi
}
step "README, build and run: setup.sh run, cmake --preset linux, --target tivrel, tivrel --version" \
  sh -c 'bash scripts/setup.sh run && cmake --preset linux && cmake --build --preset linux --target tivrel &&
    build/linux/src/platform/linux/qt/tivrel --version'
step "README, install: --target programs, cmake --install build/linux --prefix ~/.local" \
  sh -c 'cmake --build --preset linux --target programs &&
    cmake --install build/linux --prefix ~/.local && ~/.local/bin/tivrel-report --version'
step "README, tests of the Linux build: scripts/test.sh linux" bash scripts/test.sh linux
# Nothing but the note on Debian 12's developer_name, which the file keeps.
appstream_notes() {
  sudo apt-get install -y -q --no-install-recommends appstream >/dev/null || return 1
  appstreamcli --version
  local out
  out=$(appstreamcli validate --no-net --pedantic resources/packaging/*.metainfo.xml 2>&1) ||
    { echo "$out"; return 1; }
  echo "$out"
  ! echo "$out" | grep -E '^[IWE]: ' | grep -vq ': developer-name-tag-deprecated$'
}
step "AppStream data: appstreamcli validate --pedantic" appstream_notes
echo "#### compilers: $(g++ --version | head -n 1); Qt $(dpkg-query -W -f='${Version}' qt6-base-dev)"
exit $failed
EOF

# shellcheck disable=SC2016
mmdebstrap --variant=apt --include=passwd,sudo,ccache,ca-certificates \
  --customize-hook="copy-in $work/tree.tar $work/newcomer.sh /tmp" \
  --customize-hook='mkdir -p "$1/var/cache/tivrel-ccache"' \
  --customize-hook="sync-in $cache /var/cache/tivrel-ccache" \
  --customize-hook='chroot "$1" sh -ec "
    useradd -m -s /bin/bash newcomer
    echo \"newcomer ALL=(ALL) NOPASSWD: ALL\" >/etc/sudoers.d/newcomer
    chmod -R a+rwX /var/cache/tivrel-ccache
    runuser -u newcomer -- sh -c \"mkdir ~/tivrel && tar -xf /tmp/tree.tar -C ~/tivrel\""' \
  --customize-hook='chroot "$1" runuser -u newcomer -- env -i HOME=/home/newcomer USER=newcomer \
    LANG=C.UTF-8 PATH=/usr/local/bin:/usr/bin:/bin bash /tmp/newcomer.sh; echo $? >"$1/tmp/status"' \
  --customize-hook="sync-out /var/cache/tivrel-ccache $cache" \
  --customize-hook='exit "$(cat "$1/tmp/status")"' \
  trixie "$work/root" "deb $mirror trixie main" >"$log" 2>&1 || status=$?
status=${status:-0}

grep -E '^#### |^(linux: |100% tests|[0-9]+% tests|The following tests FAILED|[[:space:]]+[0-9]+ - )|^E: ' "$log" || true
if [ "$status" -ne 0 ]; then
  echo "check-debian13: FAILED (mmdebstrap ended with $status)"
else
  echo "check-debian13: passed"
fi
[ -n "$keep" ] && echo "root: $work/root"
echo "log: $log"
exit "$status"
