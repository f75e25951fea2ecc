#!/usr/bin/env bash
# Builds and tests every configuration, or only those named:
#   scripts/test.sh [CONFIGURATION...]
#   format      clang-format over src, tests and bench
#   linux       core, Qt front end, ALSA service, end-to-end (Xvfb)
#   linux-asan  core under AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz        libFuzzer over the kernel-file parsers and tivrel-report's
#               writers, a few seconds each (clang)
#   win64       the same sources for x86-64 Windows, tests under wine64 on Xvfb
#   resources   the resource generator, image check, both windres builds
#   win32       the shipped 32-bit Tivrel.exe, inspected, and the Windows
#               tests again under 32-bit Wine in a 32-bit prefix
#   packages    the .deb and the win32 zip, made with CPack and checked
#   benchmark   one Test press, and tivrel-loopback's analysis of one run
# packages and benchmark build what they need of linux and win32 when alone.
# Wine prefixes: $WINEPREFIX (x86-64) and $WINEPREFIX32 (32-bit); see
# scripts/wine-env.sh for their defaults.
set -euo pipefail
cd "$(dirname "$0")/.."

all=(format linux linux-asan fuzz win64 resources win32 packages benchmark)
if [ $# -eq 0 ]; then
  configurations=("${all[@]}")
else
  configurations=("$@")
  for c in "${configurations[@]}"; do
    if [[ " ${all[*]} " != *" $c "* ]]; then
      echo "test.sh: no configuration '$c'; there are: ${all[*]}" >&2
      exit 64
    fi
  done
fi
wanted() { [[ " ${configurations[*]} " == *" $1 "* ]]; }

# The Linux configurations alone need neither Wine nor MinGW.
setup=linux
for c in "${configurations[@]}"; do
  case "$c" in format | linux | linux-asan) ;; *) setup=all ;; esac
done
bash scripts/setup.sh "$setup"

jobs=$(nproc)
# The test command's builds fail on a warning; a user's build does not.
werror=(-DTIVREL_WERROR=ON)
export QT_QPA_PLATFORM=offscreen
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-tivrel}"
export WINEPREFIX32="${WINEPREFIX32:-$HOME/.wine-tivrel32}"
export WINEDEBUG=-all

xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then
    bash scripts/wine-up.sh --stop win64
    bash scripts/wine-up.sh --stop win32
    kill "$xvfb_pid" >/dev/null 2>&1 || true
  fi
}
trap cleanup EXIT

# One X server for everything that needs a real display.
# Xvfb picks a free display number itself, so that runs side by side never
# share a server; -noreset keeps it up between clients (it refuses connections
# while it resets after the last one leaves).
start_xvfb() {
  local displayfile
  displayfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$displayfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  # It writes the number once it listens, or it ends; a minute bounds a hang.
  local deadline=$((SECONDS + 60))
  while [ ! -s "$displayfile" ] && kill -0 "$xvfb_pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
    sleep 0.05
  done
  local number
  number=$(head -n1 "$displayfile")
  rm -f "$displayfile"
  if [ -z "$number" ]; then
    echo "test.sh: Xvfb did not start (it ended, or gave no display number within a minute); the tests need an X server" >&2
    exit 1
  fi
  export DISPLAY=:$number
  echo "Xvfb on $DISPLAY"
}
for c in linux win64 resources win32; do
  if wanted "$c"; then
    start_xvfb
    break
  fi
done

status=0
skipped_note=""
section() { printf '\n==== %s\n' "$*"; }

if wanted format; then
  section "format: clang-format over src, tests and bench"
  if ! git ls-files 'src/*' 'tests/*' 'bench/*' | grep -E '\.(c|cpp|h)$' |
    xargs clang-format --dry-run --Werror; then
    echo "clang-format: the files above differ; run scripts/format.sh"
    status=1
  fi
fi

if wanted linux; then
  section "linux: build"
  cmake --preset linux "${werror[@]}" >/dev/null
  cmake --build --preset linux -j "$jobs"
  section "linux: tests"
  ctest --preset linux -j "$jobs" || status=1
fi

if wanted linux-asan; then
  section "linux-asan: build"
  cmake --preset linux-asan "${werror[@]}" >/dev/null
  cmake --build --preset linux-asan -j "$jobs"
  section "linux-asan: tests"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --preset linux-asan -j "$jobs" || status=1
fi

if wanted fuzz; then
  section "fuzz: build"
  cmake --preset fuzz "${werror[@]}" >/dev/null
  cmake --build --preset fuzz -j "$jobs"
  section "fuzz: each target for a few seconds"
  ctest --preset fuzz || status=1
fi

# The Windows tests of one build in its own prefix.
windows_tests() {
  local preset=$1 what=$2
  section "$preset: build"
  cmake --preset "$preset" "${werror[@]}" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  section "$preset: tests of $what under Wine"
  local why
  if [ "$preset" = win32 ] && ! why=$(bash scripts/kernel-runs-i386.sh); then
    # ctest reports each test that runs the program as skipped, with this reason.
    echo "$preset: the 32-bit runtime tests are SKIPPED: $why"
    skipped_note=" (win32: the 32-bit runtime tests were skipped: $why)"
    ctest --preset "$preset" || status=1
  elif bash scripts/wine-up.sh "$preset"; then
    ctest --preset "$preset" || status=1
  else
    status=1
  fi
}

if wanted win64; then
  windows_tests win64 "the x86-64 build"
fi

if wanted resources; then
  section "resources: generator, image check, both windres builds, loading under Wine"
  python3 tests/resources/test_resources.py || status=1
fi

if wanted win32; then
  windows_tests win32 "the shipped 32-bit build"
  section "win32: inspect Tivrel.exe"
  bash scripts/check-win32.sh build/win32 || status=1
fi

# What a configuration needs of another one's build, built when missing.
built() {
  cmake --preset "$1" "${werror[@]}" >/dev/null
  cmake --build --preset "$1" -j "$jobs" >/dev/null
}

if wanted packages; then
  section "packages: the Debian package and the Windows zip"
  built linux
  built win32
  bash scripts/check-packages.sh build/linux build/win32 || status=1
fi

if wanted benchmark; then
  section "benchmark: one Test press"
  built linux
  if [ -x build/linux/bench/tivrel_bench ]; then
    build/linux/bench/tivrel_bench --benchmark_min_time=0.2 | tail -n 3
  fi
  # tivrel-loopback's analysis of one whole run: the goal is under 100 ms
  # and 64 MiB (peak_bytes beside the capture's own).
  if [ -x build/linux/bench/loopback_analysis_bench ]; then
    build/linux/bench/loopback_analysis_bench --benchmark_min_time=0.2 | tail -n 1
  fi
fi

if [ $status -ne 0 ]; then
  echo "SOME TESTS FAILED"
  exit 1
fi
echo "passed: ${configurations[*]}$skipped_note"
