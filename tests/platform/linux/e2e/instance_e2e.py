#!/usr/bin/env python3
"""One instance per user and machine, with the real tivrel.

Twenty copies started at once, in the environments that sudo, ssh, cron or a
broken session give (no XDG_RUNTIME_DIR, a read-only one, no HOME, nothing
at all), show exactly one main window; every other one shows the refusal
and ends. The one that runs is killed with SIGKILL, and a new copy starts.

Another user (nobody, through setpriv; needs root) who binds our name and
never listens, or listens with a full queue, neither keeps the first copy
from starting nor lets a second one start beside it; nor does this user, for
nobody, whose home does not exist, holding its name and /tmp/tivrel-65534.

Usage: instance_e2e.py path/to/tivrel
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tivrel_e2e as e2e  # noqa: E402
from tivrel_e2e import ENV, MAIN_TITLE, Failure, ok  # noqa: E402
from x_session import run_walks  # noqa: E402

REFUSAL_TITLE = "系统提示"
COPIES = 20


def environments():
    read_only = tempfile.mkdtemp(prefix="tivrel-ro-")
    os.chmod(read_only, 0o500)
    bare = {k: ENV[k] for k in ("DISPLAY", "XAUTHORITY", "QT_QPA_PLATFORM", "PATH", "LANG", "LC_ALL")
            if k in ENV}
    variants = [
        dict(ENV),
        {k: v for k, v in ENV.items() if k != "XDG_RUNTIME_DIR"},
        dict(ENV, XDG_RUNTIME_DIR=read_only),
        {k: v for k, v in ENV.items() if k not in ("HOME", "XDG_RUNTIME_DIR")},
        dict(ENV, HOME="/nonexistent", XDG_RUNTIME_DIR="relative"),
        bare,
    ]
    return [variants[i % len(variants)] for i in range(COPIES)]


def start(program, env):
    proc = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    e2e.CHILDREN.append(proc)
    return proc


LAST = []


def settled(procs):
    """Each copy showing its main window or its refusal, or gone; None until then."""
    shown = {p.pid: (bool(e2e.windows(MAIN_TITLE, p.pid)), bool(e2e.windows(REFUSAL_TITLE, p.pid)))
             for p in procs if p.poll() is None}
    LAST[:] = [shown]
    if any(not main and not refusal for main, refusal in shown.values()):
        return None
    return shown


def scenario(program):
    procs = [start(program, env) for env in environments()]
    try:
        shown = e2e.wait_for("every copy to show a window", lambda: settled(procs), timeout=60)
    except Failure:
        stuck = [pid for pid, seen in LAST[0].items() if seen == (False, False)]
        raise Failure("%d of %d copies show neither their main window nor the refusal; "
                      "their windows: %s" % (len(stuck), COPIES,
                                             [[e2e.run("xdotool", "getwindowname", w).stdout
                                               for w in e2e.windows(pid=pid)]
                                              for pid in stuck]))
    running = [pid for pid, (main, _) in shown.items() if main]
    refused = [pid for pid, (_, refusal) in shown.items() if refusal]
    gone = [p for p in procs if p.poll() is not None]
    if len(running) != 1 or len(refused) != COPIES - 1:
        raise Failure("%d main windows, %d refusals, %d ended (%s)"
                      % (len(running), len(refused), len(gone),
                         [p.returncode for p in gone]))
    ok("%d copies at once: one main window, %d refusals" % (COPIES, len(refused)))
    for p in procs:
        if p.pid != running[0]:
            p.kill()
            p.wait()

    os.kill(running[0], signal.SIGKILL)
    next(p for p in procs if p.pid == running[0]).wait()
    after = start(program, dict(ENV))
    e2e.one_window(MAIN_TITLE, after.pid)
    ok("after SIGKILL of the running copy a new one starts")
    after.kill()
    after.wait()


# Another user's squatter on the name: bound only, or listening with its
# queue filled; says "ready" and holds the name until its input closes.
SQUATTER = r"""
import socket, sys
name = "\0" + sys.argv[1]
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
s.bind(name)
queued = []
if sys.argv[2] == "full":
    s.listen(0)
    while True:
        c = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        c.setblocking(False)
        try:
            c.connect(name)
        except BlockingIOError:
            break
        queued.append(c)
print("ready", flush=True)
sys.stdin.read()
"""


def squatted(program):
    if os.geteuid() != 0:
        ok("another user's squatter not tried: setpriv needs root")
        return
    # The system's interpreter: nobody may not reach the one of this user.
    python = shutil.which("python3", path="/usr/bin:/bin") or sys.executable
    for how in ("bound", "full"):
        squatter = subprocess.Popen(
            ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", python,
             "-c", SQUATTER, "tivrel.instance.uid%d" % os.geteuid(), how],
            env=ENV, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        e2e.CHILDREN.append(squatter)
        if squatter.stdout.readline().strip() != b"ready":
            raise Failure("the squatter (%s) did not come up" % how)
        first = start(program, dict(ENV))
        e2e.one_window(MAIN_TITLE, first.pid)
        second = start(program, dict(ENV))
        e2e.one_window(REFUSAL_TITLE, second.pid)
        if e2e.windows(MAIN_TITLE, second.pid):
            raise Failure("beside a squatter (%s) a second copy showed its main window" % how)
        ok("another user's name (%s): the first copy starts, the second is refused" % how)
        for proc in (second, first, squatter):
            proc.kill()
            proc.wait()
    homeless(program, python)


def homeless(program, python):
    """nobody, whose home does not exist, with its name and /tmp/tivrel-65534
    held by this user: one window, the second copy refused."""
    folder = "/tmp/tivrel-65534"
    made = not os.path.lexists(folder)
    if made:
        os.mkdir(folder, 0o700)
    if os.lstat(folder).st_uid == 65534:
        ok("nobody's squatted folder not tried: %s is nobody's own" % folder)
        return
    squatter = subprocess.Popen([python, "-c", SQUATTER, "tivrel.instance.uid65534", "bound"],
                                env=ENV, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    e2e.CHILDREN.append(squatter)
    try:
        if squatter.stdout.readline().strip() != b"ready":
            raise Failure("the squatter of nobody's name did not come up")
        nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", program]
        env = dict(ENV, HOME="/nonexistent")
        first = subprocess.Popen(nobody, env=env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        e2e.CHILDREN.append(first)
        e2e.one_window(MAIN_TITLE, first.pid)
        second = subprocess.Popen(nobody, env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        e2e.CHILDREN.append(second)
        e2e.one_window(REFUSAL_TITLE, second.pid)
        if e2e.windows(MAIN_TITLE, second.pid):
            raise Failure("nobody without a home, squatted: a second copy showed its main window")
        ok("nobody without a home, its name and folder squatted: one window, the second refused")
        for proc in (second, first):
            proc.kill()
            proc.wait()
    finally:
        squatter.kill()
        squatter.wait()
        if made:
            os.rmdir(folder)


if __name__ == "__main__":
    sys.exit(run_walks(__doc__, scenario, squatted, tools=("setpriv",)))
