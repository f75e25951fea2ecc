#!/usr/bin/env bash
# Builds every configuration and runs every test:
#   linux       core, Qt front end, ALSA service, end-to-end (Xvfb)
#   linux-asan  core under AddressSanitizer and UndefinedBehaviorSanitizer
#   win64       the same sources for x86-64 Windows, tests under wine64 on Xvfb
#   win32       the shipped 32-bit Tivrel.exe, built and inspected
#   packages    the .deb and the win32 zip, made with CPack and checked
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-tivrel}"
export WINEDEBUG=-all

# One X server for everything that needs a real display.
# Xvfb picks a free display number itself, so that runs side by side never
# share a server; -noreset keeps it up between clients (it refuses connections
# while it resets after the last one leaves).
displayfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$displayfile" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$displayfile" ] && break
  sleep 0.05
done
display=:$(head -n1 "$displayfile")
rm -f "$displayfile"
cleanup() {
  /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
  kill "$xvfb_pid" >/dev/null 2>&1 || true
}
trap cleanup EXIT
export DISPLAY=$display

status=0
section() { printf '\n==== %s\n' "$*"; }

section "format: clang-format over src, tests and bench"
if ! git ls-files 'src/*' 'tests/*' 'bench/*' | grep -E '\.(c|cpp|h)$' |
  xargs clang-format --dry-run --Werror; then
  echo "clang-format: the files above differ; run scripts/format.sh"
  status=1
fi

section "linux: build"
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs"
section "linux: tests"
ctest --preset linux -j "$jobs" || status=1

section "linux-asan: build"
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan -j "$jobs"
section "linux-asan: tests"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --preset linux-asan -j "$jobs" || status=1

section "win64: build"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
section "win64: tests under wine64"
bash scripts/wine-up.sh
ctest --preset win64 || status=1

section "resources: generator, image check, both windres builds, loading under Wine"
python3 tests/resources/test_resources.py || status=1

section "win32: build"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
if [ -x scripts/check-win32.sh ]; then
  section "win32: inspect Tivrel.exe"
  bash scripts/check-win32.sh build/win32 || status=1
fi

section "packages: the Debian package and the Windows zip"
bash scripts/check-packages.sh build/linux build/win32 || status=1

section "benchmark: one Test press"
if [ -x build/linux/bench/tivrel_bench ]; then
  build/linux/bench/tivrel_bench --benchmark_min_time=0.2 | tail -n 3
fi

if [ $status -ne 0 ]; then
  echo "SOME TESTS FAILED"
  exit 1
fi
echo "all configurations passed"
