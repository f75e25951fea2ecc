#!/usr/bin/env python3
"""tivrel-channels.exe under wine64, heard through the tests' recorder PCM:
Wine's audio over ALSA, whose default device is the recorder with six
channels in ALSA's order (FL FR RL RR FC LFE). The endpoint mixes 5.1 in
Windows' order (FL FR FC LFE BL BR) and Wine places each speaker on ALSA's
channel of that name, so every step must sound on the recorder channel that
the announced name maps to, alone, at the level asked for.

Usage: channels_exe_cli.py WINE64 TIVREL_CHANNELS_EXE RECORDER_PLUGIN
"""
import json
import math
import os
import struct
import subprocess
import sys
import tempfile

wine, exe, plugin = sys.argv[1:4]
ALSA_ORDER = ["FL", "FR", "RL", "RR", "FC", "LFE"]
failures = []


def play(folder, args):
    conf = os.path.join(folder, "alsa.conf")
    with open(conf, "w", encoding="utf-8") as f:
        f.write(f'pcm_type.tivrel_recorder {{ lib "{plugin}" }}\n'
                "pcm.!default { type tivrel_recorder card 1 device 0 }\n"
                "tivrel_recorder.1.0 { formats [ S16_LE S32_LE FLOAT_LE ] rates [ 44100 48000 ] "
                f'channels [ 6 6 ] chmaps [ "{",".join(ALSA_ORDER)}" ] }}\n')
    record = os.path.join(folder, "record.raw")
    env = dict(os.environ, ALSA_CONFIG_PATH=conf, TIVREL_TEST_RECORD=record, WINEDEBUG="-all",
               WINEDLLOVERRIDES="winepulse.drv,wineoss.drv=d")
    # Through files: Wine's services may keep a pipe open after the program.
    with open(os.path.join(folder, "out"), "w+b") as out, open(os.path.join(folder, "err"), "w+b") as err:
        status = subprocess.run([wine, exe] + args, stdin=subprocess.DEVNULL, stdout=out,
                                stderr=err, env=env, timeout=60).returncode
        out.seek(0), err.seek(0)
        text, messages = out.read().decode(), err.read().decode()
    if not os.path.exists(record + ".format"):
        return status or -1, text, messages + "\n(the recorder was never opened)", b"", []
    with open(record, "rb") as f:
        raw = f.read()
    with open(record + ".format", encoding="utf-8") as f:
        form = f.read().split()
    return status, text, messages, raw, form


def level(raw, form, channel, start, end):
    width = 2 if form[0] == "S16_LE" else 4
    count, total = int(form[1]), 0.0
    for frame in range(start, end):
        at = (frame * count + channel) * width
        if form[0] == "FLOAT_LE":
            v = struct.unpack_from("<f", raw, at)[0]
        else:
            v = int.from_bytes(raw[at:at + width], "little", signed=True) / (1 << (8 * width - 1))
        total += v * v
    return 20 * math.log10(math.sqrt(total / (end - start)) * math.sqrt(2)) if total else -math.inf


CASES = [  # arguments, the walk as "channel:position"
    (["--json", "--seconds=0.25"], "1:FL 3:FC 2:FR 6:RR 5:RL 4:LFE"),
    (["--json", "--seconds=0.25", "-s", "4", "-t", "sine", "--level=-24"], "4:LFE"),
]
for args, walk in CASES:
    with tempfile.TemporaryDirectory() as folder:
        status, text, messages, raw, form = play(folder, args)
        if status != 0:
            failures.append(f"{args}: status {status}: {messages}")
            continue
        doc = json.loads(text)
        steps = doc["steps"]
        got = " ".join(f"{s['channel']}:{s['position']}" for s in steps)
        if got != walk:
            failures.append(f"{args}: walked {got}, want {walk}")
        for s in steps:
            line = f"{s['channel']} {s['chinese']} {s['english']}\n"
            if line not in messages:
                failures.append(f"{args}: {line!r} was not announced")
            for k, name in enumerate(ALSA_ORDER):
                heard = level(raw, form, k, s["start"], s["end"])
                want = doc["level_dbfs"] if name == s["position"] else -math.inf
                if not (abs(heard - want) <= 1 or heard == want):
                    failures.append(f"{args}: step {s['position']}: {name} at {heard:.2f} dBFS")
for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
