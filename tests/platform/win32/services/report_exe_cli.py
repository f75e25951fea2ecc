#!/usr/bin/env python3
"""tivrel-report.exe under wine64 as a user runs it from a Unix shell: each
device's Core Audio endpoint beside waveform audio's answer, input devices,
JSON checked against docs/tivrel-report.schema.json, a reader that went away.

How Wine 8.0 answers, from its winealsa.drv and mmdevapi: each direction's
endpoints are ALSA's "default" PCM first ("Out: default", "In: default", the
default endpoint), then the PCMs named in the registry (ALSAOutputDevices,
ALSAInputDevices under HKCU\\Software\\Wine\\Drivers\\winealsa.drv), then each
card's PCMs opened as plughw:C,D (with ALSA's conversions) and named
"Out: CARD - PCM"; the endpoint ids are "{0.0.0.00000000}.{GUID}" for
outputs and "{0.0.1.00000000}.{GUID}" for inputs. IsFormatSupported opens
the PCM and reads its hardware-parameter space: the format must be in its
mask, the rate between its least and greatest (so a codec with a list of
rates would seem to take the rates between them), the channel count between
its least and greatest. An output's speakers are placed on ALSA's channels
(front centre on the fifth), so a mono stream needs five; a container wider
than its valid bits (S24_LE) is refused. waveOutOpen's WAVE_FORMAT_QUERY asks
the same in shared mode and converts nothing, so there both matrices agree.
The mix format is 32-bit float where the PCM takes it, else 16, 8, 32 or
24-bit PCM; at most 6 channels (2 beyond), at 48 kHz where the PCM reaches it.

The tests' ALSA configuration makes the default PCM the tests' plugin, with
stereo only and a continuous range of rates for the output, where Wine's
answer is exactly the PCM's space; the machine's own cards are not listed.

Usage: report_exe_cli.py WINE64 TIVREL_REPORT_EXE ALSA_CONF SCHEMA
"""
import json
import os
import subprocess
import sys
import tempfile

try:
    import jsonschema
except ImportError:
    sys.exit("report_exe_cli.py: jsonschema is missing (Debian's python3-jsonschema)")

wine, exe, conf, schema_path = sys.argv[1:5]
for tool in (wine, exe, conf):
    if not os.path.exists(tool):
        sys.exit(f"report_exe_cli.py: {tool} is missing")
with open(schema_path, encoding="utf-8") as f:
    validator = jsonschema.Draft202012Validator(json.load(f))
failures = []


def run(args, stdout=None):
    """Status, standard output and standard error. Wine's processes inherit
    the Unix descriptors and its services may hold a pipe open after the
    program is gone, so both go through files unless `stdout` is given."""
    env = dict(os.environ, ALSA_CONFIG_PATH=conf, WINEDEBUG="-all",
               WINEDLLOVERRIDES="winepulse.drv,wineoss.drv=d")
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        status = subprocess.run([wine, exe] + args, stdin=subprocess.DEVNULL,
                                stdout=stdout or out, stderr=err, env=env, timeout=60).returncode
        out.seek(0)
        err.seek(0)
        return status, out.read().decode(), err.read().decode()


def check(what, got, want):
    if got != want:
        failures.append(f"{what}:\n  got  {got!r}\n  want {want!r}")


def document(what, text):
    try:
        doc = json.loads(text)
    except ValueError as e:
        failures.append(f"{what}: not JSON: {e}")
        return {"devices": []}
    for error in validator.iter_errors(doc):
        failures.append(f"{what}: schema: {error.message} at {list(error.absolute_path)}")
    return doc


def space(matrix):
    """{format: {channels: rates}} of what a matrix accepts."""
    if not matrix:
        return matrix
    got = {f["format"]: {c["channels"]: c["rates"] for c in f["channels"] if c["rates"]}
           for f in matrix["formats"]}
    return {f: c for f, c in got.items() if c}


# The tests' PCM, as the ALSA configuration restricts it, and the mix format
# that Wine derives from it.
STEREO = [44100, 48000, 88200, 96000]
MONO = [8000, 11025, 16000, 22050, 32000, 44100, 48000]
directions = (
    ([], "playback", "Out: default", "{0.0.0.", {"S16_LE": {2: STEREO}, "S24_3LE": {2: STEREO}},
     {"format": "S16_LE", "channels": 2, "rate": 48000, "bits": 16, "valid_bits": 16,
      "channel_mask": 3}),
    (["--capture"], "capture", "In: default", "{0.0.1.", {"S16_LE": {1: MONO}},
     {"format": "S16_LE", "channels": 1, "rate": 48000, "bits": 16, "valid_bits": 16,
      "channel_mask": 4}),
)
for capture, direction, name, id_start, pcm, mix in directions:
    status, out, err = run(capture + ["--all", "--formats", "--json"])
    check(f"{direction} status", (status, err), (0, ""))
    devices = document(f"{direction} JSON", out)["devices"]
    check(f"{direction} devices", [(d["direction"], d["name"]) for d in devices],
          [(direction, name)])
    for d in devices:
        e = d["endpoint"] or {}
        check(f"{direction} endpoint", (e.get("name"), e.get("default"), e.get("mix_format"),
                                        e.get("id", "")[:len(id_start)]),
              (name, True, mix, id_start))
        check(f"{direction} exclusive matrix", space(e.get("exclusive")), pcm)
        check(f"{direction} mixer's matrix", space(d["matrix"]), pcm)
    status, out, err = run(capture + ["--list"])
    check(f"{direction} --list", (status, out, err),
          (0, f"0  wave{'In' if capture else 'Out'} 0  {name}\r\n", ""))

# The text: the waveform report and its matrix, then the endpoint's lines and
# its exclusive matrix, each under a heading that says whom it speaks for.
status, out, err = run(["-d", "0", "--formats"])
check("text", (status, out.split("支持格式列表及扩展输出功能列表：\r\n")[-1], err),
      (0, "44.1Khz,Stereo,16bit,172Kb/Ps\r\nSupport Volume Control\r\n"
          "Support Left-Right Channels\r\n"
          "系统混音器接受的格式（采样格式 声道数：采样率 Hz）：\r\n"
          "S16_LE 2：44100-96000\r\nS24_3LE 2：44100-96000\r\n"
          "端点名称：Out: default\r\n默认端点：是\r\n共享模式混音格式：S16_LE 2 声道 48000 Hz\r\n"
          "端点独占模式接受的格式（采样格式 声道数：采样率 Hz）：\r\n"
          "S16_LE 2：44100-96000\r\nS24_3LE 2：44100-96000\r\n", ""))

# A reader that went away: Wine turns the Unix EPIPE into
# ERROR_PIPE_NOT_CONNECTED (233), Windows says ERROR_NO_DATA (232) or
# ERROR_BROKEN_PIPE (109); each ends the program without a word.
reader, writer = os.pipe()
os.close(reader)
with os.fdopen(writer, "wb") as gone:
    check("vanished reader", run(["--help"], stdout=gone), (74, "", ""))

for failure in failures:
    print("FAIL", failure)
print(f"{len(failures)} failure(s)")
sys.exit(1 if failures else 0)
