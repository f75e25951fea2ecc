#!/usr/bin/env python3
"""tivrel-report.exe under wine64 as a user runs it from a Unix shell.

Usage: report_exe_cli.py WINE64 TIVREL_REPORT_EXE ALSA_CONF SCHEMA
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

wine, exe, conf, schema_path = sys.argv[1:5]
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
