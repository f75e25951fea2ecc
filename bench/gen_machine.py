#!/usr/bin/env python3
"""A machine of many cards for tivrel-report's benchmark: CARDS cards of
DEVICES playback PCMs each, as the kernel lays out /proc/asound, and an ALSA
configuration (the tests' base, with every PCM added) under which each hw:C,D
opens as an HDA codec's analog output would.

Usage: gen_machine.py OUT_DIR TESTS_ALSA_BASE_CONF [CARDS [DEVICES]]
Writes OUT_DIR/{proc,sys} and OUT_DIR/alsa.conf.
"""
import os
import sys

out, base_conf = sys.argv[1:3]
cards = int(sys.argv[3]) if len(sys.argv) > 3 else 100
devices = int(sys.argv[4]) if len(sys.argv) > 4 else 10
asound = os.path.join(out, "proc", "asound")
os.makedirs(asound, exist_ok=True)
os.makedirs(os.path.join(out, "sys", "class", "sound"), exist_ok=True)

with open(os.path.join(asound, "version"), "w") as f:
    f.write("Advanced Linux Sound Architecture Driver Version k6.1.0-13-amd64.\n")
with open(os.path.join(asound, "cards"), "w") as f:
    for c in range(cards):
        f.write(f"{c:2d} [Card{c:<11d}]: HDA-Intel - HDA Intel Card {c}\n"
                f"                      HDA Intel Card {c} at 0xf7f{c:05x} irq {c}\n")
conf = f"<{os.path.abspath(base_conf)}>\n"
for c in range(cards):
    for d in range(devices):
        pcm = os.path.join(asound, f"card{c}", f"pcm{d}p")
        os.makedirs(pcm, exist_ok=True)
        with open(os.path.join(pcm, "info"), "w") as f:
            f.write(f"card: {c}\ndevice: {d}\nsubdevice: 0\nstream: PLAYBACK\n"
                    f"id: ALC892 Analog {d}\nname: ALC892 Analog {d}\nsubname: subdevice #0\n"
                    "class: 0\nsubclass: 0\nsubdevices_count: 1\nsubdevices_avail: 1\n")
        conf += (f"tivrel_devices.{c}.{d} {{ formats [ S16_LE S32_LE ] channels [ 2 8 ] "
                 "rates [ 44100 192000 ] }\n")
with open(os.path.join(out, "alsa.conf"), "w") as f:
    f.write(conf)
