#!/usr/bin/env python3
"""tivrel-report's options on the ALSA tests' fixture machine, as a user runs
them: exact text, JSON checked against docs/tivrel-report.schema.json, exit
statuses, and output that cannot be written.

Usage: report_tool_cli.py TIVREL_REPORT ALSA_CONF FIXTURES SCHEMA
"""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile

import jsonschema

tool, conf, fixtures, schema_path = sys.argv[1:5]
if not shutil.which("strace"):
    sys.exit("report_tool_cli.py: strace is missing (Debian's strace package)")
with open(schema_path, encoding="utf-8") as f:
    validator = jsonschema.Draft202012Validator(json.load(f))
failures = []


def run(args, root="machine", card="1", tool=[tool], **kw):
    env = dict(os.environ, LC_ALL="C.UTF-8", ALSA_CONFIG_PATH=conf,
               TIVREL_ALSA_ROOT=os.path.join(fixtures, root), TIVREL_TEST_CARD=card,
               PULSE_SERVER="unix:/nonexistent/tivrel-tests")
    env.pop("ALSA_CARD", None)
    kw.setdefault("stdout", subprocess.PIPE)
    return subprocess.run(tool + args, env=env, stderr=subprocess.PIPE, timeout=30, **kw)


def check(what, got, want):
    if got != want:
        failures.append(f"{what}:\n  got  {got!r}\n  want {want!r}")


def document(what, proc):
    try:
        doc = json.loads(proc.stdout)
    except ValueError as e:
        failures.append(f"{what}: not JSON: {e}")
        return {"devices": []}
    for error in validator.iter_errors(doc):
        failures.append(f"{what}: schema: {error.message} at {list(error.absolute_path)}")
    return doc


# Every device of the machine: where it lives, what it answers, and its matrix
# exactly as the tests' PCM plugin (or the busy headset's stream0) allows it.
ALL = 2 ** 15 - 1
devices = [
    # number, location line, matrix {format: {channels: rates}} or error reason
    ("hw:1,0 PCH", "HDA Intel PCH: ALC892 Analog", "HDA-Intel",
     {f: {c: [44100, 48000, 88200, 96000, 176400, 192000] for c in range(2, 9)}
      for f in ("S16_LE", "S32_LE")}),
    ("hw:0,3 HDMI", "HDA ATI HDMI: HDMI 0", "HDA-Intel", "设备正被其他程序（pipewire）占用"),
    ("hw:2,0 Headset", "Logitech USB Headset: USB Audio", "USB-Audio",
     {"U8": {1: [8000, 11025, 16000, 22050]}, "S16_LE": {2: [44100, 48000]}}),
    ("hw:3,0 Audio", "Äudio 声卡: USB Audio", "USB-Audio",
     {"S16_LE": {1: [8000, 11025, 16000, 22050, 32000, 44100, 48000]}}),
    ("hw:4,0 Locked", "HDA Intel Locked: ALC269 Analog", "HDA-Intel", "没有使用该设备的权限"),
    ("hw:5,0 Stubborn", "Stubborn USB: USB Audio", "USB-Audio", "设备拒绝了所有播放参数"),
]

listing = run(["--list"])
check("--list status", listing.returncode, 0)
check("--list", listing.stdout.decode(),
      "".join(f"{n}  {loc}  {name}" +
              ("  [device 0: ALSA's default (defaults.pcm.card)]" if n == 0 else "") +
              "\n" for n, (loc, name, _, _) in enumerate(devices)))

for args in (["--all", "--formats", "--json"], ["-afj"]):
    proc = run(args)
    check(f"{args} status", proc.returncode, 2)
    doc = document(str(args), proc)
    check(f"{args} count", len(doc["devices"]), len(devices))
    for d, (loc, name, driver, want) in zip(doc["devices"], devices):
        check(f"{loc} location", (d["location"]["hw"] + " " + d["location"]["card_id"],
                                  d["location"]["driver"], d["name"]), (loc, driver, name))
        if isinstance(want, str):
            check(f"{loc} error", (d["error"]["reason"].startswith(want), d["capabilities"]),
                  (True, None))
            continue
        got = {f["format"]: {c["channels"]: c["rates"] for c in f["channels"] if c["rates"]}
               for f in d["matrix"]["formats"]}
        check(f"{loc} matrix", {k: v for k, v in got.items() if v}, want)
    headset = doc["devices"][2]
    check("busy headset", (headset["busy"], headset["matrix"]["sources"]),
          ({"busy": True, "holder": "pipewire", "sources": ["/proc/asound/card2/stream0"]},
           ["/proc/asound/card2/stream0"]))
    check("device 0's rule", doc["device0"], {"rule": "alsa-default", "detail": "defaults.pcm.card"})

text = run(["--all", "--formats", "--crlf"]).stdout.decode()
check("--all --formats, the analog output", text.split("\r\n\r\n")[0],
      "设备 0（hw:1,0 PCH）：\r\n产品名称：HDA Intel PCH: ALC892 Analog\r\n产品 Id：-24208\r\n"
      "驱动程序 Id：-32634\r\n驱动程序版本：6.1\r\n输出声道： 8\r\n"
      "支持格式列表及扩展输出功能列表：\r\n44.1Khz,Stereo,16bit,172Kb/Ps\r\n"
      "原生格式（采样格式 声道数：采样率 Hz）：\r\nS16_LE 2-8：44100-192000\r\n"
      "S32_LE 2-8：44100-192000")
check("--all --formats, the busy headset's matrix", text.split("\r\n\r\n")[2].split("Hz）：\r\n")[1],
      "U8 1：8000-22050\r\nS16_LE 2：44100-48000")

# One device, the list, and no card at all, as JSON.
for args, root, status, count in ((["-d", "3", "--json"], "machine", 0, 1),
                                  (["--list", "--json"], "machine", 0, 6),
                                  (["--json"], "noids", 1, 0),
                                  (["--all", "--json"], "noids", 1, 0),
                                  (["-d", "0", "--json"], "noids", 1, 0)):
    proc = run(args, root)
    check(f"{args} {root} status", proc.returncode, status)
    check(f"{args} {root} devices", len(document(f"{args} {root}", proc)["devices"]), count)

# Terminal manners: which device --device names, what a wrong one gets, a
# configuration that does not load, and text from the system never raw.
for args, status, out, err in (
        (["--device", "hw:2,0"], 0, "产品名称：Logitech USB Headset: USB Audio\n", "in use by pipewire"),
        (["-D", "Headset"], 0, "产品名称：Logitech USB Headset: USB Audio\n", "in use by pipewire"),
        (["--device", "42"], 64, "", "no device '42': there are 6 output devices, 0 to 5"),
        (["-D", "hw:9,0"], 64, "", "no device 'hw:9,0'"),
        (["--capture", "--list"], 0, "0  hw:1,0 PCH  HDA Intel PCH: ALC892 Analog", ""),
        (["--capture", "-d", "1"], 0, "输入声道： 1\n", "in use by arecord")):
    proc = run(args)
    text = proc.stdout.decode()
    check(f"{args}", (proc.returncode, out in text, err in proc.stderr.decode(), "\r" in text),
          (status, True, True, False))
# A file that is no ALSA configuration: made here, never the machine's own.
not_alsa = tempfile.NamedTemporaryFile("w", prefix="passwd.", delete=False)
not_alsa.write("root:x:0:0:root:/root:/bin/bash\nstaff {\n")
not_alsa.close()
for conf_path, why in (("/nonexistent", "No such file or directory"), (not_alsa.name, "Invalid"),
                       ("/dev/null", "defines no hw devices")):
    proc = subprocess.run([tool, "--all"], capture_output=True, timeout=30,
                          env=dict(os.environ, ALSA_CONFIG_PATH=conf_path,
                                   TIVREL_ALSA_ROOT=os.path.join(fixtures, "machine")))
    check(f"configuration {conf_path}", (proc.returncode, proc.stdout,
                                         why in proc.stderr.decode(), proc.stderr.endswith(b"\n")),
          (3, b"", True, True))
os.unlink(not_alsa.name)
proc = document("capture json", run(["--capture", "--all", "--formats", "--json"]))
check("capture json", [(d["direction"], d["location"]["hw"]) for d in proc["devices"]],
      [("capture", "hw:1,0"), ("capture", "hw:2,0"), ("capture", "hw:3,0")])
with tempfile.TemporaryDirectory() as hostile:
    shutil.copytree(os.path.join(fixtures, "machine"), hostile, dirs_exist_ok=True)
    with open(os.path.join(hostile, "proc", "4242", "comm"), "wb") as comm:
        comm.write(b"\x1b]0;pwned\x07\x1b[2J\nevil\n")
    proc = run(["-D", "Headset", "--json"], root=hostile)
    check("hostile holder, JSON", document("hostile", proc)["devices"][0]["busy"]["holder"],
          "\x1b]0;pwned\x07\x1b[2J\nevil")
    for args in (["-D", "Headset"], ["-D", "hw:0,3"], ["--all"]):
        proc = run(args, root=hostile)
        raw = [b for b in (b"\x1b", b"\x07") if b in proc.stdout + proc.stderr]
        check(f"hostile holder {args}", (raw, b"\\x1B]0;pwned\\x07" in proc.stdout + proc.stderr),
              ([], True))

# A command reads the kernel's list of cards once, whatever it reports: the
# listing, the records and the matrices are of one device list.
for args in ([], ["--list"], ["--device", "2", "--formats"], ["--all"], ["-afj"]):
    with tempfile.NamedTemporaryFile("r") as trace:
        run(["strace", "-f", "-qq", "-e", "trace=openat", "-o", trace.name, tool] + args,
            tool=[])
        opened = sum("/proc/asound/cards" in line for line in trace)
    check(f"{args}: /proc/asound/cards opened", opened, 1)

# A held HDA output is described from its card's codec files: each is read
# once a command, however many devices and questions need it.
msi = os.path.join(fixtures, "machines", "msi-ms7752")
with tempfile.NamedTemporaryFile("w", suffix=".conf") as msi_conf, \
        tempfile.NamedTemporaryFile("r") as trace:
    msi_conf.write(f"<{os.path.join(os.path.dirname(conf), 'alsa-test-base.conf')}>\n"
                   f"<{os.path.join(msi, 'devices.conf')}>\n")
    msi_conf.flush()
    env = dict(os.environ, ALSA_CONFIG_PATH=msi_conf.name, TIVREL_ALSA_ROOT=msi,
               PULSE_SERVER="unix:/nonexistent/tivrel-tests")
    subprocess.run(["strace", "-f", "-qq", "-e", "trace=openat", "-o", trace.name, tool, "--all",
                    "--formats", "--json"], env=env, capture_output=True, timeout=60)
    codecs = [line.split('"')[1] for line in trace if "/codec#" in line]
check("codec files opened more than once", sorted({c for c in codecs if codecs.count(c) > 1}), [])
check("codec files opened at all", len(codecs) > 0, True)

# Output that cannot be written: a message and status 74; a reader that went
# away: nothing said.
with open("/dev/full", "wb") as full:
    proc = run(["--all"], stdout=full)
check("/dev/full", (proc.returncode, proc.stderr.decode().endswith(
    "tivrel-report: the report could not be written: No space left on device\n")), (74, True))
env = dict(os.environ, ALSA_CONFIG_PATH=conf, TIVREL_ALSA_ROOT=os.path.join(fixtures, "machine"))
closed = subprocess.run(["sh", "-c", f"'{tool}' --list >&-"], env=env, capture_output=True)
check("closed stdout", (closed.returncode, b"Bad file descriptor" in closed.stderr), (74, True))
reader, writer = os.pipe()
os.close(reader)
with os.fdopen(writer, "wb") as gone:
    proc = run(["-d", "0", "-f"], stdout=gone)
    check("vanished reader", (proc.returncode, proc.stderr), (-signal.SIGPIPE, b""))
    # Started with the signal ignored, it still ends without a word.
    proc = run(["-d", "0", "-f"], stdout=gone,
               preexec_fn=lambda: signal.signal(signal.SIGPIPE, signal.SIG_IGN))
    check("vanished reader, SIGPIPE ignored", (proc.returncode, proc.stderr),
          (-signal.SIGPIPE, b""))

# Unknown options are refused wherever they stand, echoed harmlessly.
proc = run(["--version", "--frob\x1b]0;x\x07"])
check("--version --frob", (proc.returncode, proc.stdout, proc.stderr.decode()),
      (64, b"", "tivrel-report: unknown option '--frob\\x1B]0;x\\x07'\n"
                "Try 'tivrel-report --help' for more information.\n"))

for failure in failures:
    print("FAIL", failure)
print(f"{len(failures)} failure(s)")
sys.exit(1 if failures else 0)
