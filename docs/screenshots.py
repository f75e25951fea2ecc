#!/usr/bin/env python3
"""Takes the README's screenshots: the main window right after a Test.

    python3 docs/screenshots.py             both, from build/linux and build/win64
    python3 docs/screenshots.py linux|wine  one of them

linux: build/linux's tivrel on its own Xvfb, no window manager, on the tests'
       fixture machine: its default card's analog output, "HDA Intel PCH:
       ALC892 Analog", a typical HDA codec's space opened as hw:1,0 through the
       tests' ALSA configuration and PCM plugin.
wine:  build/win64's Tivrel.exe under wine64 on the same kind of display, Wine's
       own waveform driver over an ALSA configuration whose default device is
       a null sink (the one Wine device of the Win32 end-to-end test).
Neither touches a real sound card, so the pictures are the same on any machine.
Needs xdotool, xwd (x11-apps) and netpbm; the window is driven with the
end-to-end test's helpers.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "platform", "linux", "e2e"))
import tivrel_e2e as e2e  # noqa: E402

ALSA_TESTS = os.path.join(ROOT, "tests", "platform", "linux", "alsa")
WINE = "/usr/lib/wine/wine64"


def capture(window, path):
    """The window's own pixels as a PNG."""
    xwd = subprocess.run(["xwd", "-silent", "-id", window], env=e2e.ENV, capture_output=True,
                         check=True).stdout
    pnm = subprocess.run(["xwdtopnm"], input=xwd, capture_output=True, check=True).stdout
    png = subprocess.run(["pnmtopng", "-compression", "9"], input=pnm, capture_output=True,
                         check=True).stdout
    with open(path, "wb") as f:
        f.write(png)
    print("wrote", os.path.relpath(path, ROOT))


def linux():
    e2e.ENV.update({
        "QT_QPA_PLATFORM": "xcb",
        "ALSA_CONFIG_PATH": os.path.join(ROOT, "build", "linux", "tests", "platform", "linux",
                                         "alsa", "alsa-test.conf"),
        "TIVREL_ALSA_ROOT": os.path.join(ALSA_TESTS, "fixtures", "machine"),
        "TIVREL_TEST_CARD": "1",
    })
    proc = e2e.start(os.path.join(ROOT, "build", "linux", "src", "platform", "linux", "qt", "tivrel"))
    main = e2e.Form(e2e.one_window(e2e.MAIN_TITLE, proc.pid), e2e.MAIN_CLIENT)
    main.click(240, 4440, 1335, 495)
    e2e.answer_dialog("^_^", proc.pid)
    e2e.run("xdotool", "mousemove", "1000", "900")
    time.sleep(0.5)
    capture(main.window, os.path.join(ROOT, "docs", "screenshot-linux.png"))
    proc.kill()


def wine():
    e2e.ENV.setdefault("WINEPREFIX", os.path.expanduser("~/.wine-tivrel"))
    e2e.ENV.update({
        "WINEDEBUG": "-all",
        "ALSA_CONFIG_PATH": os.path.join(ROOT, "tests", "platform", "win32", "e2e", "asound-null.conf"),
        "WINEDLLOVERRIDES": "winepulse.drv,wineoss.drv=d;mscoree,mshtml=",
    })
    subprocess.run(["bash", os.path.join(ROOT, "scripts", "wine-up.sh"), "win64"], env=e2e.ENV, check=True,
                   stdout=subprocess.DEVNULL)
    # Wine's caption and menu font has no Chinese; a fresh Windows in
    # Chinese draws them with a CJK face, so let Wine take Noto's.
    for face in ("Tahoma", "MS Shell Dlg", "MS Shell Dlg 2"):
        e2e.run(WINE, "reg", "add", r"HKCU\Software\Wine\Fonts\Replacements", "/v", face,
                "/d", "Noto Sans CJK SC", "/f", timeout=60)
    exe = os.path.join(ROOT, "build", "win64", "src", "platform", "win32", "Tivrel.exe")
    proc = subprocess.Popen([WINE, exe], env=e2e.ENV, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    e2e.CHILDREN.append(proc)
    window = e2e.wait_for("the Wine main window", lambda: e2e.windows(e2e.MAIN_TITLE))[0]
    # Wine draws the frame itself: the client area is centred across the
    # width and sits at the bottom, under the caption and the menu bar.
    width, height = e2e.geometry(window)
    scale = 1 / 15
    border = (width - round(e2e.MAIN_CLIENT[0] * scale)) // 2
    top = height - border - round(e2e.MAIN_CLIENT[1] * scale)
    x, y = border + round((240 + 1335 / 2) * scale), top + round((4440 + 495 / 2) * scale)
    e2e.run("xdotool", "mousemove", "--window", window, str(x), str(y))
    time.sleep(0.2)
    e2e.run("xdotool", "click", "1")
    dialog = e2e.wait_for("the '^_^' dialog", lambda: e2e.windows("^_^"))[0]
    e2e.press_return(dialog)
    e2e.wait_for("the dialog to close", lambda: not e2e.windows("^_^"))
    e2e.run("xdotool", "mousemove", "1000", "900")  # off the window: no hover effects
    time.sleep(1.5)
    capture(window, os.path.join(ROOT, "docs", "screenshot-wine.png"))
    proc.kill()


def main(argv):
    which = argv[1:] or ["linux", "wine"]
    runtime = tempfile.mkdtemp(prefix="tivrel-shots-")
    e2e.ENV["XDG_RUNTIME_DIR"] = runtime
    # Xvfb picks a free display and writes its number to the pipe.
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    try:
        with os.fdopen(read_end) as numbers:
            e2e.ENV["DISPLAY"] = ":" + numbers.readline().strip()
        for name in which:
            {"linux": linux, "wine": wine}[name]()
        return 0
    finally:
        for proc in e2e.CHILDREN:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(runtime, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
