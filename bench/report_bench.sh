#!/usr/bin/env bash
# tivrel-report --all --formats --json over the tests' devices (the fixture
# machine, hw:C,D through the tests' PCM plugin), side by side with aplay -l
# and aplay --dump-hw-params on the same devices; then --all and --all
# --formats over a generated machine of 100 cards x 10 devices, where a cost
# that grows faster than the device count shows at once. Wall time per run,
# the mean of N runs, programs started as a user starts them.
#   bench/report_bench.sh [build folder, default build/linux] [N, default 50]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/linux}
runs=${2:-50}
report=$build/src/platform/linux/alsa/tivrel-report
export ALSA_CONFIG_PATH=$PWD/$build/tests/platform/linux/alsa/alsa-test.conf
export TIVREL_ALSA_ROOT=$PWD/tests/platform/linux/alsa/fixtures/machine
export TIVREL_TEST_CARD=1 LC_ALL=C.UTF-8
[ -x "$report" ] && [ -f "$ALSA_CONFIG_PATH" ] || { echo "build $build with its tests first"; exit 1; }

# Mean milliseconds of one run of the command.
mean_ms() {
  local start end
  start=$(date +%s%N)
  for ((i = 0; i < runs; i++)); do "$@" >/dev/null 2>&1 || true; done
  end=$(date +%s%N)
  awk -v ns=$((end - start)) -v n="$runs" 'BEGIN { printf "%8.2f", ns / n / 1e6 }'
}

# Every playback device of the machine, as tivrel-report lists them.
mapfile -t hws < <("$report" --list | awk '{ print $2 }')

dump_all() {
  for hw in "${hws[@]}"; do aplay --dump-hw-params -D "$hw" -t raw /dev/null; done
}

printf '%-48s %8s\n' "command (${#hws[@]} devices, mean of $runs runs)" "ms/run"
printf '%-48s %s\n' "tivrel-report --list" "$(mean_ms "$report" --list)"
printf '%-48s %s\n' "tivrel-report --all" "$(mean_ms "$report" --all)"
printf '%-48s %s\n' "tivrel-report --all --formats --json" "$(mean_ms "$report" --all --formats --json)"
printf '%-48s %s\n' "aplay -l" "$(mean_ms aplay -l)"
printf '%-48s %s\n' "aplay --dump-hw-params -D hw:C,D, every device" "$(mean_ms dump_all)"
printf '%-48s %s\n' "aplay --dump-hw-params -D ${hws[0]}" "$(mean_ms aplay --dump-hw-params -D "${hws[0]}" -t raw /dev/null)"
printf '%-48s %s\n' "tivrel-report --device 0 --formats --json" "$(mean_ms "$report" -d 0 -f -j)"
printf '%-48s %s\n' "tivrel-report --device 0" "$(mean_ms "$report" -d 0)"

# 100 cards x 10 devices, each opening as an HDA codec's analog output.
big=$(mktemp -d)
trap 'rm -rf "$big"' EXIT
python3 bench/gen_machine.py "$big" "${ALSA_CONFIG_PATH%/*}/alsa-test-base.conf" 100 10
bigruns=$(( runs < 5 ? runs : 5 ))
big_ms() {
  local saved=$runs
  runs=$bigruns
  ALSA_CONFIG_PATH=$big/alsa.conf TIVREL_ALSA_ROOT=$big TIVREL_TEST_CARD=0 mean_ms "$@"
  runs=$saved
}
printf '%-48s %8s\n' "command (1000 devices, mean of $bigruns runs)" "ms/run"
printf '%-48s %s\n' "tivrel-report --list" "$(big_ms "$report" --list)"
printf '%-48s %s\n' "tivrel-report --all" "$(big_ms "$report" --all)"
printf '%-48s %s\n' "tivrel-report --all --formats" "$(big_ms "$report" --all --formats)"
echo "aplay -l finds $(aplay -l 2>&1 | grep -c '^card' || true) cards here: it asks the kernel's control devices, which the tests' configuration does not have."
