"""The setting of an end-to-end walk: its tools checked first, an X display
(ours when none is given), a private XDG_RUNTIME_DIR, and every child process
killed at the end."""
import importlib.util
import os
import random
import shutil
import subprocess
import sys
import tempfile

import tivrel_e2e as e2e

# What the walks call, and the Debian packages that bring it.
PACKAGES = {"xdotool": "xdotool", "xclip": "xclip", "xprop": "x11-utils", "xwd": "x11-apps",
            "Xvfb": "xvfb", "Xlib": "python3-xlib", "setpriv": "util-linux"}
COMMON_TOOLS = ("xdotool", "xclip", "xprop")


def missing(tools, modules):
    """The tools not on PATH and the Python modules not importable, with
    their packages; [] when everything is there."""
    gone = [t for t in tools if not shutil.which(t, path=e2e.ENV.get("PATH"))]
    gone += [m for m in modules if importlib.util.find_spec(m) is None and not os.path.isdir(
        os.path.join("/usr/lib/python3/dist-packages", m))]
    return ["%s (Debian package %s)" % (t, PACKAGES.get(t, "?")) for t in gone]


class Session:
    def __enter__(self):
        self.runtime = tempfile.mkdtemp(prefix="tivrel-e2e-")  # 0700, ours
        e2e.ENV["XDG_RUNTIME_DIR"] = self.runtime
        e2e.ENV["QT_QPA_PLATFORM"] = "xcb"
        e2e.ENV.pop("TIVREL_EXIT_WHEN_SHOWN", None)
        self.xvfb = None
        if not e2e.ENV.get("DISPLAY"):
            self.xvfb = self.start_xvfb()
        # An X server resets when its last client leaves, and refuses
        # connections meanwhile; between two xdotool calls that can be the
        # moment the program starts. One client stays for the whole walk.
        e2e.CHILDREN.append(subprocess.Popen(["xprop", "-root", "-spy", "_NET_ACTIVE_WINDOW"],
                                             env=e2e.ENV, stdout=subprocess.DEVNULL,
                                             stderr=subprocess.DEVNULL))
        return self

    @staticmethod
    def start_xvfb():
        # A number far above the ones Xvfb -displayfd hands out: on a machine
        # shared by many test runs lock files are not always to be trusted.
        for _ in range(5):
            display = ":%d" % random.randint(1000, 30000)
            xvfb = subprocess.Popen(["Xvfb", display, "-noreset", "-screen", "0", "1280x1024x24",
                                     "-nolisten", "tcp"], stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
            e2e.ENV["DISPLAY"] = display
            try:
                e2e.wait_for("Xvfb on " + display,
                             lambda: xvfb.poll() is not None or e2e.run(
                                 "xdotool", "getmouselocation", check=False).returncode == 0,
                             timeout=10)
            except e2e.Failure:
                pass
            if xvfb.poll() is None:
                return xvfb
        raise e2e.Failure("no Xvfb could be started")

    def __exit__(self, *exc):
        for proc in e2e.CHILDREN:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()
        shutil.rmtree(self.runtime, ignore_errors=True)
        return False


def run_walks(doc, *walks, tools=(), modules=()):
    """The entry point of a walk script: `script PROGRAM` runs each walk on
    PROGRAM in one session and says PASS or FAIL. The walks call the common
    tools and `tools`, and their helpers import `modules`."""
    if len(sys.argv) != 2:
        print(doc)
        return 2
    program = os.path.abspath(sys.argv[1])
    needed = COMMON_TOOLS + tuple(tools) + (() if e2e.ENV.get("DISPLAY") else ("Xvfb",))
    absent = missing(needed, modules)
    if absent:
        print("FAIL: missing tool: %s; scripts/setup.sh installs them" % ", ".join(absent))
        return 1
    with Session():
        try:
            for walk in walks:
                walk(program)
        except (e2e.Failure, subprocess.TimeoutExpired) as e:
            print("FAIL:", e)
            return 1
    print("PASS")
    return 0
