#!/usr/bin/env bash
# Start-up time, peak memory and file size of the x86-64 Tivrel.exe against a
# minimal Win32 window program of the same outer size, built with the same
# compiler and flags, all under Wine in one run.
#   scripts/measure-win32.sh [BUILD_DIR]     (default build/measure-win64)
#   RUNS=N (default 11) starts of each program, started in turns, the order
#   rotated each round so that none always follows the same one.
# Every program is measured alike: from CreateProcess to the first visible,
# unowned top-level window with a caption (the e2e driver's --wait-visible
# mode); memory is the process's peak working set (GetProcessMemoryInfo) half a
# second after that. A second time, to ready for input (WaitForInputIdle: the
# program's first wait for input, its window built and painted), has no goal:
# it shows what the user waits for in all.
# Goals: start-up within 1.25x of the minimal program, memory within 1.4x.
# A third program, the minimal one with a report box (common controls 6 under
# the program's manifest, a Chinese face), shows how much of the difference
# that box alone costs; it has no goal. The numbers mean little on a machine
# busy with other work: the load average is printed beside them.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/measure-win64}
runs=${RUNS:-11}

export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-tivrel}"
export WINEDEBUG=-all
loader=/usr/lib/wine/wine64
[ -x "$loader" ] || loader=$(command -v wine64 || command -v wine)

xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  # Xvfb picks a free display itself: runs side by side never share one.
  displayfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$displayfile" ] && break
    sleep 0.05
  done
  export DISPLAY=:$(head -n1 "$displayfile")
  rm -f "$displayfile"
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DTIVREL_QT=OFF >/dev/null
fi
cmake --build "$build" -j 2 --target Tivrel tivrel_e2e_driver >/dev/null

tivrel=$(find "$build" -name Tivrel.exe -type f -not -path '*/CMakeFiles/*' | head -n 1)
driver=$(find "$build" -name tivrel_e2e_driver.exe -type f | head -n 1)

# The minimal program: the build's own target when the build has it, else the
# same compiler with the flags the build gives Tivrel.exe.
cmake --build "$build" -j 2 --target win32_minimal win32_minimal_report_box >/dev/null 2>&1 || true
minimal=$(find "$build" -name win32_minimal.exe -type f -not -path '*/bench-win32_minimal/*' | head -n 1)
report_box=$(find "$build" -name win32_minimal_report_box.exe -type f | head -n 1)
if [ -z "$minimal" ]; then
  cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
  cxx=$(sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")$/\1/p' "$build"/CMakeFiles/*/CMakeCXXCompiler.cmake | head -n 1)
  cxx=${cxx:-x86_64-w64-mingw32-g++-posix}
  minimal="$build/bench-win32_minimal/win32_minimal.exe"
  mkdir -p "$(dirname "$minimal")"
  # shellcheck disable=SC2046
  "$cxx" -std=c++20 $(cache CMAKE_CXX_FLAGS) $(cache CMAKE_CXX_FLAGS_MINSIZEREL) \
    -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601 \
    -static -static-libgcc -static-libstdc++ -mwindows -municode -s \
    "$root/bench/win32_minimal/main.cpp" -o "$minimal"
fi

# A wineserver that outlives each start by a few seconds: the runs do not
# pay for its start, and it goes away by itself afterwards.
server=/usr/lib/wine/wineserver64
[ -x "$server" ] || server=$(command -v wineserver)
"$server" -p10 >/dev/null 2>&1 </dev/null || true
timeout 120 "$loader" cmd /c exit </dev/null >/dev/null 2>&1 || true

# One start of a program; prints "startup_ms peak_kib ready_ms".
measure_once() {
  local out
  out=$(mktemp)
  # A Wine process keeps the Unix stdout it got: through a file, not a pipe.
  timeout 60 "$loader" "$driver" --wait-visible "$1" 1 >"$out" 2>&1 </dev/null || {
    cat "$out" >&2
    rm -f "$out"
    return 1
  }
  sed -n 's/^run 1 startup_ms \([0-9.]*\) ready_ms \([0-9.-]*\) peak_ws_kib \([0-9.]*\).*/\1 \3 \2/p' "$out"
  rm -f "$out"
}

min_file=$(mktemp)
box_file=$(mktemp)
tiv_file=$(mktemp)
trap 'cleanup; rm -f "$min_file" "$box_file" "$tiv_file"' EXIT
load_before=$(cut -d' ' -f1 /proc/loadavg)
for ((i = 0; i < runs; i++)); do
  order=(min tiv box)
  for ((k = 0; k < 3; k++)); do
    case ${order[(i + k) % 3]} in
      min) measure_once "$minimal" >>"$min_file" ;;
      tiv) measure_once "$tivrel" >>"$tiv_file" ;;
      box) [ -n "$report_box" ] && measure_once "$report_box" >>"$box_file" ;;
    esac
  done
done
load_after=$(cut -d' ' -f1 /proc/loadavg)

python3 - "$min_file" "$tiv_file" "$box_file" "$minimal" "$tivrel" "$runs" "$load_before" "$load_after" \
  "$(nproc)" <<'PY'
import os, statistics, sys

def load(path):
    rows = [tuple(map(float, line.split())) for line in open(path) if line.strip()]
    # A start whose program never waited for input has no ready time (-1).
    return [r[0] for r in rows], [r[1] for r in rows], [r[2] for r in rows if r[2] >= 0]

min_t, min_m, min_r = load(sys.argv[1])
tiv_t, tiv_m, tiv_r = load(sys.argv[2])
box_t, box_m, _ = load(sys.argv[3])
min_size, tiv_size = os.path.getsize(sys.argv[4]), os.path.getsize(sys.argv[5])
runs, load_before, load_after, cpus = sys.argv[6], float(sys.argv[7]), float(sys.argv[8]), int(sys.argv[9])

def row(name, a, b, unit, fmt, goal=None, base="win32_minimal"):
    ratio = b / a if a else float("inf")
    verdict = "" if goal is None else ("within %.2fx" % goal if ratio <= goal else "OVER %.2fx" % goal)
    print("%-26s %14s %14s %7.2fx  %s" % (name, fmt % a + unit, fmt % b + unit, ratio, verdict))
    return goal is None or ratio <= goal

print("Win32 x86-64 under Wine, %s starts each, medians (spread min..max)" % runs)
print("%-26s %14s %14s %8s" % ("", "win32_minimal", "Tivrel.exe", "ratio"))
ok = row("start-up to window", statistics.median(min_t), statistics.median(tiv_t), " ms", "%.0f", 1.25)
if min_r and tiv_r:
    row("ready for input", statistics.median(min_r), statistics.median(tiv_r), " ms", "%.0f")
ok &= row("peak working set", statistics.median(min_m) / 1024, statistics.median(tiv_m) / 1024, " MiB", "%.1f", 1.4)
row("file size", min_size / 1024, tiv_size / 1024, " KiB", "%.0f")
print("start-up spread: minimal %.0f..%.0f ms, Tivrel %.0f..%.0f ms"
      % (min(min_t), max(min_t), min(tiv_t), max(tiv_t)))
if box_t:
    print("the minimal program with a report box alone: start-up %.0f ms (%.2fx the minimal one), "
          "peak %.1f MiB (%.2fx)" % (statistics.median(box_t), statistics.median(box_t) / statistics.median(min_t),
                                     statistics.median(box_m) / 1024, statistics.median(box_m) / statistics.median(min_m)))
print("load average %.1f before, %.1f after, on %d processors%s"
      % (load_before, load_after, cpus, "" if max(load_before, load_after) < cpus else
         ": the machine was busy, the start-up times are not to be trusted"))
sys.exit(0 if ok else 1)
PY
