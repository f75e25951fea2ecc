#!/usr/bin/env python3
"""tivrel-loopback end to end: each run plays through the tests' PCM pair
(tivrel_loop_plugin.c) in real time, and its --json is checked against the
chain it was given and against the schema. The runs go side by side.
The fixture machine's devices (ALSA_CONF) are named in tivrel-report's forms.
usage: loopback_e2e.py TIVREL_LOOPBACK PLUGIN SCHEMA ALSA_ROOT ALSA_CONF"""
import json, math, os, subprocess, sys, tempfile
import jsonschema

program, plugin, schema_file, root, machine_conf = sys.argv[1:6]
LEVEL = 10 ** (-3 / 20)
CODEC = dict(delay=300.25, highpass=20, lowpass=21000, noise=-90, h2=2e-4 / LEVEL, crosstalk=-75, bits=24)
FLAT = dict(delay=91.37, gain=-7, bits=24)


def biquad_db(kind, f0, hz, rate=48000):
    w, z = 2 * math.pi * f0 / rate, complex(math.cos(2 * math.pi * hz / rate), -math.sin(2 * math.pi * hz / rate))
    cw, alpha = math.cos(w), math.sin(w) / (2 * math.sqrt(0.5))
    b = [(1 + cw) / 2, -(1 + cw), (1 + cw) / 2] if kind == "h" else [(1 - cw) / 2, 1 - cw, (1 - cw) / 2]
    h = (b[0] + b[1] * z + b[2] * z * z) / ((1 + alpha) + -2 * cw * z + (1 - alpha) * z * z)
    return 20 * math.log10(abs(h))


def codec_db(hz):  # the codec's filters; its delay line is flat to 20 kHz within 0.001 dB
    return biquad_db("h", 20, hz) + biquad_db("l", 21000, hz)


def a_weighted_noise(dbfs):  # white noise over 0..24 kHz, read A-weighted 20 Hz..20 kHz
    def ra(f):
        f2 = f * f
        return 12194**2 * f2 * f2 / ((f2 + 20.6**2) * math.sqrt((f2 + 107.7**2) * (f2 + 737.9**2)) * (f2 + 12194**2))
    band = sum((ra(f) / ra(1000)) ** 2 for f in range(20, 20001))
    return dbfs + 10 * math.log10(band / 24000)


def near(value, goal, tolerance):
    return value is not None and abs(value - goal) <= tolerance


def codec_goals(doc):
    response = all(near(p[side], codec_db(p["hz"]) - codec_db(997), 0.02)
                   for p in doc["frequency_response"]["points"] for side in ("left_db", "right_db"))
    noise = a_weighted_noise(-90)
    return {"response": response, "thd": near(doc["thd_db"], -80, 0.2), "noise": near(doc["noise_dba"], noise, 0.3),
            "dynamic range": near(doc["dynamic_range_dba"], -noise, 0.3),
            "crosstalk": near(doc["crosstalk_db"]["left_to_right"], -75, 0.5)
            and near(doc["crosstalk_db"]["right_to_left"], -75, 0.5),
            "-3 dB": near(doc["frequency_response"]["minus_3db_hz"]["low"], 20, 0.2)}


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
    with open(conf, "w") as f:
        keys = " ".join(f"{k} {v}" for k, v in chain.items())
        f.write(f'pcm_type.tivrel_loop {{ lib "{plugin}" }}\npcm.loop {{ type tivrel_loop {keys} }}\n')
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
