#!/usr/bin/env python3
"""Drives the real tivrel as a user would, on an X display.

Test, the dialog, a right-click on the report and "全文复制", the clipboard
read back; a second instance refused; About and back; Exit. Every wait has a
timeout. Usage: tivrel_e2e.py path/to/tivrel

With TIVREL_E2E_REPORT_TOOL naming tivrel-report, the clipboard must hold
exactly what that tool prints for the same device, or, after a failed query,
the line that the tool writes on standard error. With TIVREL_E2E_EXPECT, the
copied text must contain that text.
"""
import os
import re
import subprocess
import sys
import time

WAIT = 15.0  # seconds for any one thing to happen

MAIN_TITLE = "岚铃声卡测试仪 Build0730修正版"
ABOUT_TITLE = "关于岚铃声卡测试仪"
NO_DEVICE = "在您的计算机上没有发现声卡设备或声卡驱动程序未安装"
FIRST_LABEL = "产品名称："
FAILED_LABEL = "测试失败："

# Client sizes in twips, from the designs.
MAIN_CLIENT = (4680, 5340)
ABOUT_CLIENT = (5550, 1875)


class Failure(Exception):
    pass


ENV = dict(os.environ)
CHILDREN = []


def run(*args, check=True, timeout=WAIT):
    try:
        result = subprocess.run(args, env=ENV, capture_output=True, timeout=timeout)
    except FileNotFoundError:
        raise Failure("missing tool: %s; scripts/setup.sh installs it" % args[0])
    if check and result.returncode != 0:
        raise Failure("%s failed: %s" % (" ".join(args), result.stderr.decode(errors="replace")))
    return result


def wait_for(what, probe, timeout=WAIT):
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.05)


def title_pattern(title):
    return "^" + re.escape(title) + "$"


def windows(title=None, pid=None):
    """Visible windows, by exact title and/or process."""
    args = ["xdotool", "search", "--onlyvisible"]
    if title is not None and pid is not None:
        args.append("--all")
    if pid is not None:
        args += ["--pid", str(pid)]
    if title is not None:
        args += ["--name", title_pattern(title)]
    elif pid is None:
        args += ["--name", "."]
    result = run(*args, check=False)
    return result.stdout.decode().split()


def one_window(title, pid):
    found = wait_for("window '%s' of process %d" % (title, pid),
                     lambda: windows(title, pid))
    return found[0]


def geometry(window):
    out = run("xdotool", "getwindowgeometry", "--shell", window).stdout.decode()
    values = dict(line.split("=", 1) for line in out.split() if "=" in line)
    return int(values["WIDTH"]), int(values["HEIGHT"])


class Form:
    """A window of ours, addressed in the design's twips."""

    def __init__(self, window, client):
        self.window = window
        width, height = geometry(window)
        self.scale = width / client[0]
        # Whatever is above the client area is the menu bar.
        self.top = height - round(client[1] * self.scale)

    def click(self, left, top, width, height, button=1):
        x = round((left + width / 2) * self.scale)
        y = self.top + round((top + height / 2) * self.scale)
        run("xdotool", "mousemove", "--window", self.window, "--sync", str(x), str(y))
        run("xdotool", "click", str(button))


def pop_up(pid, open_it):
    """Opens a pop-up menu of the process with open_it() and waits until it
    is on the screen, so that the keys after it reach it."""
    before = set(windows(pid=pid))
    open_it()
    wait_for("the pop-up menu", lambda: set(windows(pid=pid)) - before)


def press_return(window):
    # No window manager hands out the focus here: take it for the dialog.
    run("xdotool", "windowfocus", "--sync", window, check=False)
    run("xdotool", "key", "--clearmodifiers", "Return")


def answer_dialog(title, pid, gone=None):
    """OK on the dialog; pressed again should the first key miss it."""
    dialog = one_window(title, pid)
    closed = gone or (lambda: not windows(title, pid))
    for attempt in range(3):
        press_return(dialog)
        try:
            wait_for("dialog '%s' to close" % title, closed, timeout=WAIT / 3)
            return dialog
        except Failure:
            if attempt == 2:
                raise


def clipboard():
    result = run("xclip", "-o", "-selection", "clipboard", check=False, timeout=5)
    return result.stdout.decode("utf-8", errors="replace") if result.returncode == 0 else None


def set_clipboard(text):
    # xclip stays as the owner in the background until someone else takes it.
    proc = subprocess.Popen(["xclip", "-i", "-selection", "clipboard", "-loops", "1"],
                            stdin=subprocess.PIPE, env=ENV)
    CHILDREN.append(proc)
    proc.stdin.write(text.encode())
    proc.stdin.close()
    wait_for("the clipboard to hold the marker", lambda: clipboard() == text)


def check_report_text(text):
    if text == NO_DEVICE:
        return "the no-device message"
    if text.startswith(FAILED_LABEL) and "\r" not in text and "\n" not in text:
        return "the failure line %r" % text
    if not text.startswith(FIRST_LABEL):
        raise Failure("clipboard holds neither the report nor the no-device message: %r" % text)
    if not text.endswith("\r\n") or "\n" in text.replace("\r\n", ""):
        raise Failure("report lines do not all end with CR LF: %r" % text)
    return "a report of %d lines" % text.count("\r\n")


def start(program):
    proc = subprocess.Popen([program], env=ENV, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    CHILDREN.append(proc)
    return proc


def ended(proc, what):
    try:
        return proc.wait(timeout=WAIT)
    except subprocess.TimeoutExpired:
        raise Failure(what + " did not end")


def ok(message):
    print("ok:", message, flush=True)


def scenario(program):
    set_clipboard("marker before the test")

    first = start(program)
    main = Form(one_window(MAIN_TITLE, first.pid), MAIN_CLIENT)
    ok("main window shown (%.3f px per twip, menu bar %d px)" % (main.scale, main.top))
    # Fixed size for the window manager: the least size is the largest.
    hints = run("xprop", "-id", main.window, "WM_NORMAL_HINTS").stdout.decode()
    least = re.search(r"minimum size: (\d+) by (\d+)", hints)
    most = re.search(r"maximum size: (\d+) by (\d+)", hints)
    if not least or not most or least.groups() != most.groups():
        raise Failure("the main window can be resized: " + hints)

    # Test: the report, then the dialog.
    main.click(240, 4440, 1335, 495)
    answer_dialog("^_^", first.pid)
    ok("Test showed '^_^' and OK closed it")

    # Right-click the report; the second item of the pop-up is 全文复制.
    pop_up(first.pid, lambda: main.click(240, 240, 4185, 4005, button=3))
    run("xdotool", "key", "Down", "Down", "Return")
    text = wait_for("the report on the clipboard",
                    lambda: (lambda t: t if t not in (None, "marker before the test") else None)(
                        clipboard()))
    ok("全文复制 put %s on the clipboard" % check_report_text(text))
    tool = ENV.get("TIVREL_E2E_REPORT_TOOL")
    wanted = ENV.get("TIVREL_E2E_EXPECT")
    if wanted and wanted not in text:
        raise Failure("the copied text lacks %r: %r" % (wanted, text))
    if tool and text.startswith(FAILED_LABEL):
        expected = subprocess.run([tool], env=ENV, capture_output=True, timeout=WAIT)
        if expected.returncode != 2 or text not in expected.stderr.decode("utf-8"):
            raise Failure("tivrel-report says otherwise: %r" % expected.stderr)
        ok("tivrel-report fails with the same words: %r" % expected.stderr.decode("utf-8"))
    elif tool:
        # The window's text has CR LF line ends; tivrel-report gives them on request.
        expected = subprocess.run([tool, "--crlf"], env=ENV, capture_output=True, timeout=WAIT)
        if expected.returncode != 0:
            raise Failure("tivrel-report found no report: %r" % expected.stderr)
        if text != expected.stdout.decode("utf-8"):
            raise Failure("the copied report differs from tivrel-report's: %r" % text)
        ok("the copied report is byte for byte what tivrel-report prints")
    if first.poll() is not None:
        raise Failure("the program ended after copying")

    # A second instance: its dialog only, then it is gone; the first stays.
    second = start(program)
    one_window("系统提示", second.pid)
    if windows(MAIN_TITLE, second.pid):
        raise Failure("the second instance showed its main window")
    answer_dialog("系统提示", second.pid, gone=lambda: second.poll() is not None)
    if ended(second, "the refused second instance") != 0:
        raise Failure("the second instance ended with status %d" % second.returncode)
    if first.poll() is not None or main.window not in windows(MAIN_TITLE, first.pid):
        raise Failure("the first instance did not survive the second")
    ok("second instance refused with '系统提示' and ended; the first runs on")

    # About replaces the main window; no taskbar entry, no close command.
    main.click(1680, 4440, 1335, 495)
    about = Form(one_window(ABOUT_TITLE, first.pid), ABOUT_CLIENT)
    wait_for("the main window to go", lambda: not windows(MAIN_TITLE, first.pid))
    props = run("xprop", "-id", about.window, "_NET_WM_STATE", "_MOTIF_WM_HINTS").stdout.decode()
    if "_NET_WM_STATE_SKIP_TASKBAR" not in props:
        raise Failure("the About window would have a taskbar entry: " + props)
    hints = re.search(r"_MOTIF_WM_HINTS\(_MOTIF_WM_HINTS\) = (\S+), (\S+),", props)
    if not hints or int(hints.group(1).rstrip(","), 16) & 1 == 0 or \
            int(hints.group(2).rstrip(","), 16) & 0x21:
        raise Failure("the About window still offers closing: " + props)
    ok("About replaced the main window; skips the taskbar, offers no close")
    about.click(3960, 1320, 1335, 375)
    main = Form(one_window(MAIN_TITLE, first.pid), MAIN_CLIENT)
    wait_for("the About window to go", lambda: not windows(ABOUT_TITLE, first.pid))
    ok("return brought a new main window")

    # Exit: thanks, then the process is gone.
    main.click(3120, 4440, 1335, 495)
    answer_dialog("Thanks", first.pid)
    if ended(first, "the program after Exit") != 0:
        raise Failure("Exit ended with status %d" % first.returncode)
    ok("Exit thanked the user and the program ended")


if __name__ == "__main__":
    # The walk runs from the module that x_session imports, so that both see
    # one ENV and one list of children.
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import tivrel_e2e  # noqa: E402
    from x_session import run_walks  # noqa: E402
    sys.exit(run_walks(__doc__, tivrel_e2e.scenario))
