#!/usr/bin/env python3
"""Whether device 0 holds under load: a real PulseAudio of the bench's own,
its default sink on the fixture machine's hw:3,0, asked by
`tivrel-report --list --json` RUNS times while HOGS busy loops keep the
machine loaded; counts the runs where another rule chose device 0 and prints
the run times. Light by default: 200 runs, 2 hogs, well under a minute.

Usage: sound_server_bound.py TIVREL_REPORT ALSA_TEST_CONF FIXTURE_MACHINE [RUNS] [HOGS]
"""
import json
import os
import subprocess
import sys
import tempfile
import time


def hog():
    pid = os.fork()
    if pid == 0:
        while True:
            pass
    return pid


def main():
    tool, conf, machine = (os.path.abspath(a) for a in sys.argv[1:4])
    runs = int(sys.argv[4]) if len(sys.argv) > 4 else 200
    hogs = int(sys.argv[5]) if len(sys.argv) > 5 else 2
    folder = tempfile.mkdtemp(prefix="tivrel-bound-")
    socket = os.path.join(folder, "native")
    env = dict(os.environ, HOME=folder, XDG_RUNTIME_DIR=folder, XDG_CONFIG_HOME=folder,
               ALSA_CONFIG_PATH=conf, TIVREL_ALSA_ROOT=machine, PULSE_SERVER="unix:" + socket)
    env.pop("DISPLAY", None)
    server = subprocess.Popen(
        ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--realtime=no",
         "--high-priority=no", "-Lmodule-alsa-sink device=hw:3,0 sink_name=headset",
         "-Lmodule-native-protocol-unix auth-anonymous=1 socket=" + socket],
        env=env, stderr=subprocess.DEVNULL)
    pids = []
    try:
        for _ in range(200):
            if subprocess.run(["pactl", "info"], env=env, capture_output=True).returncode == 0:
                break
            time.sleep(0.05)
        pids = [hog() for _ in range(hogs)]
        times, fallbacks = [], 0
        for _ in range(runs):
            start = time.monotonic()
            out = subprocess.run([tool, "--list", "--json"], env=env, capture_output=True).stdout
            times.append((time.monotonic() - start) * 1000)
            fallbacks += json.loads(out)["device0"]["rule"] != "sound-server"
        load = os.getloadavg()[0]
    finally:
        for pid in pids:
            os.kill(pid, 9)
            os.waitpid(pid, 0)
        server.kill()
        server.wait()
    times.sort()
    print(f"{runs} runs, {hogs} busy loops (load {load:.2f} on {os.cpu_count()} cores): "
          f"{fallbacks} fell back; run time median {times[len(times) // 2]:.0f} ms, "
          f"95th {times[len(times) * 95 // 100]:.0f} ms, most {times[-1]:.0f} ms")
    return 1 if fallbacks else 0


if __name__ == "__main__":
    sys.exit(main())
