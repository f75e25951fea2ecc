#!/usr/bin/env bash
# Start-up time to the first window on screen, and peak memory (VmHWM), of
# tivrel against the least Qt Widgets window program (bench/qt_minimal),
# both built RelWithDebInfo with the same compiler, timed alternately in one
# run on a private Xvfb. Prints medians.
#   scripts/measure-qt.sh [build-dir] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/linux}
runs=${2:-11}

if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target tivrel >/dev/null
cmake -S bench/qt_minimal -B "$build/qt_minimal" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build/qt_minimal" -j2 >/dev/null

display=:$((200 + RANDOM % 50))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
runtime=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$runtime"' EXIT
for _ in $(seq 50); do
  DISPLAY=$display xdotool getmouselocation >/dev/null 2>&1 && break
  sleep 0.1
done

DISPLAY=$display XDG_RUNTIME_DIR=$runtime python3 - "$runs" \
  "$build/src/platform/linux/qt/tivrel" "$build/qt_minimal/qt_minimal" <<'PY'
import os, statistics, subprocess, sys, time

runs = int(sys.argv[1])
programs = {"tivrel": sys.argv[2], "qt_minimal": sys.argv[3]}
env = dict(os.environ, TIVREL_EXIT_WHEN_SHOWN="1", QT_QPA_PLATFORM="xcb")

def once(path):
    start = time.perf_counter()
    proc = subprocess.Popen([path], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # wait4 gives this child's own peak resident size (VmHWM), in KiB.
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        sys.exit("%s ended with status %d" % (path, proc.returncode))
    return elapsed * 1000.0, usage.ru_maxrss / 1024.0

for path in programs.values():  # warm the caches once, not counted
    once(path)
samples = {name: [] for name in programs}
for _ in range(runs):
    for name, path in programs.items():
        samples[name].append(once(path))

median = {n: (statistics.median(t for t, _ in s), statistics.median(m for _, m in s))
          for n, s in samples.items()}
t_ratio = median["tivrel"][0] / median["qt_minimal"][0]
m_ratio = median["tivrel"][1] / median["qt_minimal"][1]
print("runs: %d each, medians" % runs)
print("%-12s %14s %14s" % ("program", "start-up (ms)", "VmHWM (MiB)"))
for name in programs:
    print("%-12s %14.1f %14.1f" % (name, *median[name]))
print("%-12s %13.2fx %13.2fx" % ("ratio", t_ratio, m_ratio))
print("%-12s %14s %14s" % ("goal", "<= 1.30x", "<= 1.50x"))
print("%-12s %14s %14s" % ("verdict", "met" if t_ratio <= 1.3 else "MISSED",
                           "met" if m_ratio <= 1.5 else "MISSED"))
PY
