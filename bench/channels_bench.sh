#!/usr/bin/env bash
# tivrel-channels on the tests' 6-channel device (hw:1,0 of the fixture
# machine, played in real time into a file by the tests' recorder PCM): the
# time from the program's start to its first frame reaching the device, and
# its peak memory, each over N runs of one step; speaker-test's peak memory
# on the same device beside it.
#   bench/channels_bench.sh [build folder, default build/linux] [N, default 10]
# First sound: strace's clock at the program's execve and at the recorder's
# first write of a frame into its file (strace's own cost included, so an
# upper bound). Peak memory: the largest resident set, from GNU time.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/linux}
runs=${2:-10}
channels=$PWD/$build/src/platform/linux/alsa/tivrel-channels
plugin=$PWD/$build/tests/platform/linux/alsa/libasound_module_pcm_tivrel_recorder.so
[ -x "$channels" ] && [ -f "$plugin" ] || { echo "build $build with its tests first"; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cat >"$scratch/alsa.conf" <<CONF
pcm_type.tivrel_recorder { lib "$plugin" }
pcm.hw { @args [ CARD DEV SUBDEV ] @args.CARD { type string } @args.DEV { type integer }
  @args.SUBDEV { type integer default -1 } type tivrel_recorder card \$CARD device \$DEV }
tivrel_recorder.1.0 { formats [ S32_LE ] rates [ 48000 48000 ] channels [ 6 6 ]
  chmaps [ "FL,FR,RL,RR,FC,LFE" ] }
CONF
export ALSA_CONFIG_PATH=$scratch/alsa.conf TIVREL_TEST_RECORD=$scratch/record.raw
export TIVREL_ALSA_ROOT=$PWD/tests/platform/linux/alsa/fixtures/machine LC_ALL=C.UTF-8
export PULSE_SERVER=unix:/nonexistent

first_sound_ms() {
  rm -f "$scratch/record.raw"
  strace -f -ttt -y -e trace=execve,write -o "$scratch/trace" "$channels" -D hw:1,0 -s 1 \
    --seconds 0.1 >/dev/null 2>&1
  awk '/execve\(/ && !start { start = $2 } /record\.raw>/ && !first { first = $2 }
       END { printf "%.1f\n", (first - start) * 1000 }' "$scratch/trace"
}

peak_kib() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }

printf 'first sound, ms (of %d runs):' "$runs"
for ((i = 0; i < runs; i++)); do printf ' %s' "$(first_sound_ms)"; done
echo
printf 'peak memory, KiB: tivrel-channels -D hw:1,0 (6 steps of 0.2 s) %s\n' \
  "$(peak_kib "$channels" -D hw:1,0 --seconds 0.2 2>/dev/null)"
if command -v speaker-test >/dev/null; then
  printf 'peak memory, KiB: speaker-test -D hw:1,0 -c 6 -l 1 %s\n' \
    "$(peak_kib speaker-test -D hw:1,0 -c 6 -l 1 -F S32_LE -r 48000)"
fi
