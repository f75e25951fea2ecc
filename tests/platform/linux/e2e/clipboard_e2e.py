#!/usr/bin/env python3
"""The clipboard against other X clients, with the real tivrel.

1. A clipboard manager runs: 全文复制, then 退出 (which ends the process at
   once). The report must still be on the clipboard afterwards.
2. A hostile owner takes the clipboard back the moment it loses it and never
   answers: 全文复制 must give up and say so in the busy-clipboard dialog,
   and the program goes on. The time it took is shown; the bound only
   catches a copy that never gives up.

Usage: clipboard_e2e.py path/to/tivrel
"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tivrel_e2e as e2e  # noqa: E402
from x_session import run_walks  # noqa: E402
from tivrel_e2e import ENV, MAIN_CLIENT, MAIN_TITLE, Failure, ok  # noqa: E402

AGENTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "x_clipboard_agents.py")
BUSY_TITLE = "系统提示"


def agent(mode):
    proc = subprocess.Popen([sys.executable, AGENTS, mode], env=ENV, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, text=True)
    e2e.CHILDREN.append(proc)
    if proc.stdout.readline().strip() != "ready":
        raise Failure("the %s clipboard client did not come up" % mode)
    return proc


def tested(program):
    """A started tivrel with a report written, and its main window."""
    errors = tempfile.TemporaryFile()
    proc = subprocess.Popen([program], env=ENV, stdout=subprocess.DEVNULL, stderr=errors)
    e2e.CHILDREN.append(proc)
    try:
        window = e2e.one_window(MAIN_TITLE, proc.pid)
    except Failure:
        errors.seek(0)
        raise Failure("no main window; the process %s, its windows %s, it said %r" % (
            "runs" if proc.poll() is None else "ended with %s" % proc.returncode,
            [e2e.run("xdotool", "getwindowname", w).stdout for w in e2e.windows(pid=proc.pid)],
            errors.read().decode(errors="replace")))
    main = e2e.Form(window, MAIN_CLIENT)
    main.click(240, 4440, 1335, 495)
    e2e.answer_dialog("^_^", proc.pid)
    return proc, main


def copy_all(proc, main):
    e2e.pop_up(proc.pid, lambda: main.click(240, 240, 4185, 4005, button=3))
    e2e.run("xdotool", "key", "Down", "Down", "Return")


def handed_over_at_exit(program):
    manager = agent("manager")
    proc, main = tested(program)
    copy_all(proc, main)
    text = e2e.wait_for("the report on the clipboard",
                        lambda: (lambda t: t if t and t.strip() else None)(e2e.clipboard()))
    e2e.check_report_text(text)
    main.click(3120, 4440, 1335, 495)  # 退出
    e2e.answer_dialog("Thanks", proc.pid)
    if e2e.ended(proc, "the program after Exit") != 0:
        raise Failure("Exit ended with status %d" % proc.returncode)
    after = e2e.clipboard()
    if after != text:
        raise Failure("after 退出 the clipboard holds %r, not the report" % after)
    ok("the report copied before 退出 is still on the clipboard (%d lines)" % text.count("\r\n"))
    manager.kill()
    manager.wait()


def gives_up_on_a_hostile_owner(program):
    proc, main = tested(program)
    hostile = agent("hostile")
    copy_all(proc, main)
    started = time.monotonic()
    e2e.wait_for("the busy-clipboard dialog", lambda: e2e.windows(BUSY_TITLE, proc.pid),
                 timeout=60)
    # The menu's own closing and the key presses take part of this.
    took = time.monotonic() - started
    e2e.answer_dialog(BUSY_TITLE, proc.pid)
    if proc.poll() is not None or not e2e.windows(MAIN_TITLE, proc.pid):
        raise Failure("the program did not go on after the busy clipboard")
    ok("a hostile owner: the busy-clipboard dialog after %.2f s, and the program goes on" % took)
    hostile.kill()
    hostile.wait()
    proc.kill()
    proc.wait()


if __name__ == "__main__":
    sys.exit(run_walks(__doc__, handed_over_at_exit, gives_up_on_a_hostile_owner,
                       modules=("Xlib",)))
