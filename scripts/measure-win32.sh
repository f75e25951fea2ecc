#!/usr/bin/env bash
# Start-up, first picture, peak memory and file size of the x86-64 Tivrel.exe
# against plain Win32 programs built with the same compiler and flags, all
# under Wine in one run.
#   scripts/measure-win32.sh [BUILD_DIR]     (default build/measure-win64)
#   RUNS=N (default 11) starts of each program, started in turns, the order
#   rotated each round so that none always follows the same one.
# Every program is measured alike by the e2e driver's --wait-visible mode,
# which samples the screen from the moment the window exists until half a
# second after the program first waits for input:
#   complete window   the first sample from which on the whole window (but the
#                     scrolling contact line) stays as it settled;
#   without buttons   how long the window was on the screen before its three
#                     buttons were as they settled;
#   start-up to window  CreateProcess to the window first visible;
#   ready for input   WaitForInputIdle, the program's first wait for input;
#   peak working set  GetProcessMemoryInfo at the end of the sampling.
# Goals: the complete window within 1.15x of win32_five_controls (the same
# window and five controls with the same texts, by plain Win32 calls); the
# window without its buttons for at most one video frame (16 ms) in the
# median start; memory within 1.4x of win32_minimal (one bare window). The
# other rows have no goal. A fourth program, the bare window with a report box
# alone (common controls 6 under the program's manifest, a Chinese face),
# shows how much of the difference that box costs. The numbers mean little
# on a machine busy with other work: the load average is printed beside them.
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
cmake --build "$build" -j 2 --target Tivrel tivrel_e2e_driver win32_minimal win32_five_controls \
  win32_minimal_report_box >/dev/null

tivrel=$(find "$build" -name Tivrel.exe -type f -not -path '*/CMakeFiles/*' | head -n 1)
driver=$(find "$build" -name tivrel_e2e_driver.exe -type f | head -n 1)
bench=$(dirname "$(find "$build" -name win32_five_controls.exe -type f | head -n 1)")
minimal=$bench/win32_minimal.exe
yardstick=$bench/win32_five_controls.exe
report_box=$bench/win32_minimal_report_box.exe

# A wineserver that outlives each start by a few seconds: the runs do not
# pay for its start, and it goes away by itself afterwards.
server=/usr/lib/wine/wineserver64
[ -x "$server" ] || server=$(command -v wineserver)
"$server" -p10 >/dev/null 2>&1 </dev/null || true
timeout 120 "$loader" cmd /c exit </dev/null >/dev/null 2>&1 || true

# One start of a program; prints the driver's line for it.
measure_once() {
  local out
  out=$(mktemp)
  # A Wine process keeps the Unix stdout it got: through a file, not a pipe.
  timeout 60 "$loader" "$driver" --wait-visible "$1" 1 >"$out" 2>&1 </dev/null || {
    cat "$out" >&2
    rm -f "$out"
    return 1
  }
  grep '^run 1 ' "$out"
  rm -f "$out"
}

files=()
for name in min yard tiv box; do files+=("$(mktemp)"); done
trap 'cleanup; rm -f "${files[@]}"' EXIT
programs=("$minimal" "$yardstick" "$tivrel" "$report_box")
load_before=$(cut -d' ' -f1 /proc/loadavg)
for ((i = 0; i < runs; i++)); do
  for ((k = 0; k < 4; k++)); do
    p=$(((i + k) % 4))
    measure_once "${programs[$p]}" >>"${files[$p]}"
  done
done
load_after=$(cut -d' ' -f1 /proc/loadavg)

python3 - "${files[@]}" "$minimal" "$tivrel" "$runs" "$load_before" "$load_after" "$(nproc)" <<'PY'
import os, statistics, sys

def load(path):
    # "run 1 key value key value ...": one dict a start.
    runs = []
    for line in open(path):
        f = line.split()
        runs.append({f[i]: float(f[i + 1]) for i in range(2, len(f) - 1, 2)})
    return runs

def median(runs, key):
    # A start whose program never waited for input has no ready time (-1).
    values = [r[key] for r in runs if r[key] >= 0]
    return statistics.median(values) if values else float("nan")

mins, yard, tiv, box = (load(p) for p in sys.argv[1:5])
min_size, tiv_size = os.path.getsize(sys.argv[5]), os.path.getsize(sys.argv[6])
runs, load_before, load_after, cpus = sys.argv[7], float(sys.argv[8]), float(sys.argv[9]), int(sys.argv[10])

def row(name, base, a, b, unit, fmt, goal=None):
    ratio = b / a if a else float("inf")
    verdict = "" if goal is None else ("within %.2fx" % goal if ratio <= goal else "OVER %.2fx" % goal)
    print("%-26s %-20s %12s %12s %7.2fx  %s" % (name, base, fmt % a + unit, fmt % b + unit, ratio, verdict))
    return goal is None or ratio <= goal

print("Win32 x86-64 under Wine, %s starts each, medians" % runs)
print("%-26s %-20s %12s %12s %8s" % ("", "against", "it", "Tivrel.exe", "ratio"))
ok = row("complete window", "win32_five_controls", median(yard, "complete_ms"), median(tiv, "complete_ms"),
         " ms", "%.0f", 1.15)
bare = median(tiv, "bare_ms")
print("%-26s %-20s %12s %12s %8s  %s" % ("window without buttons", "win32_five_controls",
      "%.0f ms" % median(yard, "bare_ms"), "%.0f ms" % bare, "", "within 16 ms" if bare <= 16 else "OVER 16 ms"))
ok &= bare <= 16
row("start-up to window", "win32_minimal", median(mins, "startup_ms"), median(tiv, "startup_ms"), " ms", "%.0f")
row("ready for input", "win32_minimal", median(mins, "ready_ms"), median(tiv, "ready_ms"), " ms", "%.0f")
ok &= row("peak working set", "win32_minimal", median(mins, "peak_ws_kib") / 1024,
          median(tiv, "peak_ws_kib") / 1024, " MiB", "%.1f", 1.4)
row("file size", "win32_minimal", min_size / 1024, tiv_size / 1024, " KiB", "%.0f")
complete = sorted(r["complete_ms"] for r in tiv)
print("complete window spread: win32_five_controls %.0f..%.0f ms, Tivrel %.0f..%.0f ms"
      % (min(r["complete_ms"] for r in yard), max(r["complete_ms"] for r in yard), complete[0], complete[-1]))
print("the bare window with a report box alone: start-up %.0f ms (%.2fx win32_minimal), peak %.1f MiB (%.2fx)"
      % (median(box, "startup_ms"), median(box, "startup_ms") / median(mins, "startup_ms"),
         median(box, "peak_ws_kib") / 1024, median(box, "peak_ws_kib") / median(mins, "peak_ws_kib")))
print("load average %.1f before, %.1f after, on %d processors%s"
      % (load_before, load_after, cpus, "" if max(load_before, load_after) < cpus else
         ": the machine was busy, the times are not to be trusted"))
sys.exit(0 if ok else 1)
PY
