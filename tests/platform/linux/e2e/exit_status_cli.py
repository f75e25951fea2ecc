#!/usr/bin/env python3
"""tivrel's exit statuses as a user meets them, without a display: each one
ends the program with a sentence on standard error (never a signal, never a
core) and is listed in the manual page.

Usage: exit_status_cli.py path/to/tivrel path/to/tivrel.1
"""
import os
import re
import subprocess
import sys

program, page = sys.argv[1:3]
with open(page, encoding="utf-8") as f:
    statuses = re.search(r"\.SH EXIT STATUS\n(.*?)\n\.SH", f.read(), re.S).group(1)
listed = {int(n) for n in re.findall(r"^\.B (\d+)$", statuses, re.M)}
bare = {k: v for k, v in os.environ.items()
        if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
failures = []
for what, args, env, out, status, said in (
        ("no display", [], bare, None, 69, "no display"),
        ("a display that is not there", [], dict(bare, DISPLAY=":4711"), None, 69, "':4711'"),
        ("--help on a full disk", ["--help"], bare, "/dev/full", 74, "No space left on device"),
        ("--version to a closed output", ["--version"], bare, "closed", 74, "Bad file descriptor"),
        ("a wrong argument", ["--frob"], bare, None, 64, "unknown option '--frob'"),
        ("--help", ["--help"], bare, None, 0, "")):
    stdout = open(out, "wb") if out not in (None, "closed") else subprocess.DEVNULL
    proc = subprocess.run([program] + args, env=env, stdout=stdout, stderr=subprocess.PIPE,
                          timeout=60, preexec_fn=(lambda: os.close(1)) if out == "closed" else None)
    err = proc.stderr.decode()
    got = (proc.returncode, said in err, err.endswith("\n") or not err, proc.returncode in listed)
    if got != (status, True, True, True):
        failures.append(f"{what}: status {proc.returncode} (listed: {sorted(listed)}), "
                        f"stderr {err!r}")
for failure in failures:
    print("FAIL", failure)
print(f"{len(failures)} failure(s)")
sys.exit(1 if failures else 0)
