#!/usr/bin/env python3
"""tivrel-loopback end to end: each run plays through the tests' PCM pair
(tivrel_loop_plugin.c) in real time, and its --json is checked against the
chain it was given and against the schema. The runs go side by side.
The fixture machine's devices (ALSA_CONF) are named in tivrel-report's forms.
usage: loopback_e2e.py TIVREL_LOOPBACK PLUGIN SCHEMA ALSA_ROOT ALSA_CONF"""
import json, os, subprocess, sys, tempfile
import jsonschema

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "support"))
from loop_goals import CODEC, FLAT, codec_goals, near, write_conf  # noqa: E402

program, plugin, schema_file, root, machine_conf = sys.argv[1:6]
RUNS = {  # name: chain, exit status, what the checks say, what standard error says
    "codec": (CODEC, 0, {}, "headroom"),
    "flat": (FLAT, 0, {"swapped": False}, ""),
    "no cable": (dict(FLAT, disconnected=1, noise=-90), 1, {"loopback": False, "fatal": True}, "connect the output"),
    "clipping": (dict(FLAT, gain=5), 1, {"fatal": True}, "input clipped"),
    "swapped": (dict(FLAT, swap=1), 0, {"swapped": True}, "swapped"),
    "inverted": (dict(FLAT, invert=1), 0, {"polarity": {"left": "inverted", "right": "inverted"}}, "polarity"),
}

DEVICE_RUNS = [  # the fixture's hw:1,0 takes the parameters but its clock never runs
    (["-D", "hw:2,0"], 2, "output hw:2,0 (Logitech USB Headset: USB Audio): Device or resource busy (-16), held by pipewire"),
    (["-D", "0", "-C", "Headset"], 2, "input hw:2,0 (Logitech USB Headset: USB Audio): Device or resource busy (-16), held by arecord"),
    (["-C", "PCH"], 2, "cannot record from input hw:1,0 (HDA Intel PCH: ALC892 Analog): Connection timed out"),
    (["-D", "9"], 64, "no output device '9'"),
]
for args, status, said in DEVICE_RUNS:
    run = subprocess.run([program] + args, env=dict(os.environ, ALSA_CONFIG_PATH=machine_conf, TIVREL_ALSA_ROOT=root),
                         capture_output=True, text=True, timeout=60)
    if run.returncode != status or said not in run.stderr:
        print(f"{args}: exit {run.returncode}, {run.stderr}")
        sys.exit(1)
schema = json.load(open(schema_file))
failures, work = [], tempfile.mkdtemp()
started = {}
for name, (chain, *_rest) in RUNS.items():
    conf = os.path.join(work, name.replace(" ", "_") + ".conf")
    write_conf(conf, plugin, chain, "loop")
    env = dict(os.environ, ALSA_CONFIG_PATH=conf, TIVREL_ALSA_ROOT=root)
    started[name] = subprocess.Popen([program, "-D", "loop", "-C", "loop", "--json"], env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
for name, (chain, status, checks, said) in RUNS.items():
    out, err = started[name].communicate(timeout=120)
    doc = json.loads(out)
    jsonschema.validate(doc, schema)
    goals = {"exit": started[name].returncode == status, "stderr": said in err,
             "checks": all(doc["checks"][k] == v for k, v in checks.items())}
    if name == "codec":
        goals.update(codec_goals(doc))
    if chain is FLAT or name in ("swapped", "inverted"):
        goals["latency"] = near(doc["latency"]["samples"], chain["delay"], 0.01)
    failures += [f"{name}: {goal} ({out if goal != 'stderr' else err})" for goal, ok in goals.items() if not ok]
print("\n".join(failures))
print(f"{len(RUNS) - len({f.split(':')[0] for f in failures})} passed, {len({f.split(':')[0] for f in failures})} failed")
sys.exit(1 if failures else 0)
