#!/usr/bin/env python3
"""tivrel-loopback.exe under wine64 over the tests' PCM pair (tivrel_loop_plugin.c,
built for the host): Wine's audio over ALSA, whose default device is the pair.
In exclusive mode Wine hands the program's 32-bit samples to ALSA as they are,
so the figures are held to the Linux test's limits. The latency's fraction is
the chain's; its whole part carries Wine's own offset between the two
streams' starts (a few frames, not the same each run). -F FLOAT_LE is refused
in exclusive mode (the pair takes integers): the run goes through Wine's mixer,
in its mix format (16-bit here), said by a warning. A run whose ALSA library
said "underrun" was starved by the host's scheduler, not by the program: it
is run again, twice at most.
usage: loopback_exe_cli.py WINE64 TIVREL_LOOPBACK_EXE PLUGIN SCHEMA"""
import json, os, subprocess, sys, tempfile
import jsonschema

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "support"))
from loop_goals import CODEC, FLAT, codec_goals, near, write_conf  # noqa: E402

wine, exe, plugin, schema_file = sys.argv[1:5]
schema = json.load(open(schema_file))
TURNED = dict(FLAT, swap=1, invert=1)
INVERTED = {"left": "inverted", "right": "inverted"}
RUNS = [  # name, chain, arguments, exit status, what the checks say, what standard error says
    ("codec", CODEC, [], 0, {}, "headroom"),
    ("swapped and inverted", TURNED, [], 0, {"swapped": True, "polarity": INVERTED}, "swapped"),
    ("no cable", dict(FLAT, disconnected=1, noise=-90), [], 1, {"loopback": False}, "connect the output"),
    ("clipping", dict(FLAT, gain=5), [], 1, {"fatal": True}, "input clipped"),
    ("shared", FLAT, ["-F", "FLOAT_LE"], 0, {"swapped": False}, "refused exclusive mode"),
    ("no such output", FLAT, ["-D", "9"], 64, None, "no device '9'"),
]


def run(folder, chain, args):
    conf = os.path.join(folder, "alsa.conf")
    write_conf(conf, plugin, chain, "!default")
    env = dict(os.environ, ALSA_CONFIG_PATH=conf, WINEDEBUG="-all",
               WINEDLLOVERRIDES="winepulse.drv,wineoss.drv=d")
    for _ in range(3):
        # Through files: Wine's services may keep a pipe open after the program.
        with open(os.path.join(folder, "out"), "w+") as out, open(os.path.join(folder, "err"), "w+") as err:
            status = subprocess.run([wine, exe, "--json"] + args, stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=err, env=env, timeout=120).returncode
            out.seek(0), err.seek(0)
            text, messages = out.read(), err.read()
        if "underrun" not in messages:
            break
    return status, text, messages


def latency_goal(doc, delay):  # the chain's fraction, behind Wine's whole frames
    got = doc["latency"]["samples"]
    return got is not None and near(got - round(got - delay), delay, 0.01) and abs(got - delay) < 32


failures = []
with tempfile.TemporaryDirectory() as folder:
    for name, chain, args, status, checks, said in RUNS:
        code, text, messages = run(folder, chain, args)
        goals = {"exit": code == status, "stderr": said in messages}
        if checks is not None and text:
            doc = json.loads(text)
            jsonschema.validate(doc, schema)
            goals["checks"] = all(doc["checks"][k] == v for k, v in checks.items())
            if name == "codec":
                goals.update(codec_goals(doc), exclusive=doc["format"] == "S32_LE")
            if status == 0:
                goals["measured"] = doc["measured"]
            if status == 0 and chain is not CODEC and doc["measured"]:
                goals["latency"] = latency_goal(doc, chain["delay"])
                goals["response"] = max(map(abs, doc["frequency_response"]["deviation_db"].values())) < 0.02
        failures += [f"{name}: {goal} ({messages.strip()} {text[:400]})" for goal, ok in goals.items() if not ok]
print("\n".join(failures))
sys.exit(1 if failures else 0)
