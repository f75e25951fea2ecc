#!/usr/bin/env python3
"""The real tivrel on a small screen at a large scale, and from the keyboard.

At QT_SCALE_FACTOR=2 on 1280x1024 every window lies wholly on the screen
(the main window's buttons ran off it, placed at their designed origin);
at 1.5 the report box keeps its frame lines.
The menu key on the report opens the report menu, whose 全文复制 copies it.

Usage: screen_e2e.py path/to/tivrel
"""
import os
import struct
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tivrel_e2e as e2e  # noqa: E402
from tivrel_e2e import ABOUT_TITLE, ENV, MAIN_CLIENT, MAIN_TITLE, Failure, ok  # noqa: E402
from x_session import run_walks  # noqa: E402

SCREEN = (1280, 1024)


def placed(window):
    out = e2e.run("xdotool", "getwindowgeometry", "--shell", window).stdout.decode()
    v = dict(line.split("=", 1) for line in out.split() if "=" in line)
    return int(v["X"]), int(v["Y"]), int(v["WIDTH"]), int(v["HEIGHT"])


def on_screen(what, window):
    x, y, w, h = placed(window)
    if x < 0 or y < 0 or x + w > SCREEN[0] or y + h > SCREEN[1]:
        raise Failure("%s at %d,%d size %dx%d leaves the %dx%d screen"
                      % (what, x, y, w, h, SCREEN[0], SCREEN[1]))
    ok("%s at %d,%d size %dx%d lies on the screen" % (what, x, y, w, h))


def pixels(window):
    """The window's pixels as grey levels, by row, read from xwd's dump."""
    dump = e2e.run("xwd", "-silent", "-id", window).stdout
    head = struct.unpack(">25I", dump[:100])
    width, height, per_line, colours = head[4], head[5], head[12], head[19]
    start = head[0] + colours * 12
    return [[sum(dump[start + y * per_line + 4 * x:start + y * per_line + 4 * x + 3]) // 3
             for x in range(width)] for y in range(height)]


def report_frame_whole(program):
    """At 150 % the report box keeps its left, right and bottom frame lines."""
    ENV["QT_SCALE_FACTOR"] = "1.5"
    proc = e2e.start(program)
    main = e2e.Form(e2e.one_window(MAIN_TITLE, proc.pid), MAIN_CLIENT)
    # The report box, 240,240 4185x4005 twips, in the window's pixels.
    left, right = round(240 * main.scale), round((240 + 4185) * main.scale)
    top = main.top + round(240 * main.scale)
    bottom = main.top + round((240 + 4005) * main.scale)
    seen = {}

    def framed():
        """True once every side shows its line; mapped is not yet painted."""
        grey = pixels(main.window)
        middle_row, middle_col = grey[(top + bottom) // 2], [row[(left + right) // 2] for row in grey]
        background = grey[top - 4][left - 4]
        seen["sides"] = {"left": middle_row[left - 2:left + 3],
                         "right": middle_row[right - 3:right + 2],
                         "bottom": middle_col[bottom - 3:bottom + 2]}
        seen["missing"] = [side for side, near in seen["sides"].items()
                           if min(near) >= background - 20]
        return not seen["missing"]

    try:
        e2e.wait_for("the report box's frame lines", framed)
    except Failure:
        raise Failure("at 150 %% the report box has no %s frame line: %s"
                      % (", ".join(seen["missing"]), seen["sides"]))
    ok("at 150 % the report box shows its frame lines")
    proc.kill()
    proc.wait()


def scenario(program):
    ENV["QT_SCALE_FACTOR"] = "2"
    proc = e2e.start(program)
    main = e2e.Form(e2e.one_window(MAIN_TITLE, proc.pid), MAIN_CLIENT)
    on_screen("the main window at 200 %", main.window)
    main.click(240, 4440, 1335, 495)  # Test
    e2e.answer_dialog("^_^", proc.pid)
    # The report has the focus after Test: the menu key opens its menu.
    e2e.set_clipboard("marker")
    e2e.run("xdotool", "windowfocus", "--sync", main.window, check=False)
    e2e.pop_up(proc.pid, lambda: e2e.run("xdotool", "key", "Menu"))
    e2e.run("xdotool", "key", "Down", "Down", "Return")
    text = e2e.wait_for("the report on the clipboard",
                        lambda: (lambda t: t if t not in (None, "marker") else None)(
                            e2e.clipboard()))
    ok("the menu key's 全文复制 put %s on the clipboard" % e2e.check_report_text(text))
    main.click(1680, 4440, 1335, 495)  # About
    about = e2e.one_window(ABOUT_TITLE, proc.pid)
    on_screen("the About window at 200 %", about)
    proc.kill()
    proc.wait()


if __name__ == "__main__":
    sys.exit(run_walks(__doc__, scenario, report_frame_whole, tools=("xwd",)))
