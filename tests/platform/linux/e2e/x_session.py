"""The setting of an end-to-end walk: an X display (ours when none is given),
a private XDG_RUNTIME_DIR, and every child process killed at the end."""
import os
import shutil
import subprocess
import tempfile

import tivrel_e2e as e2e


class Session:
    def __enter__(self):
        self.runtime = tempfile.mkdtemp(prefix="tivrel-e2e-")  # 0700, ours
        e2e.ENV["XDG_RUNTIME_DIR"] = self.runtime
        e2e.ENV["QT_QPA_PLATFORM"] = "xcb"
        e2e.ENV.pop("TIVREL_EXIT_WHEN_SHOWN", None)
        self.xvfb = None
        if not e2e.ENV.get("DISPLAY"):
            # Xvfb picks a free display itself: runs side by side never share one.
            read, write = os.pipe()
            self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0",
                                          "1280x1024x24", "-nolisten", "tcp"],
                                         pass_fds=(write,), stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL)
            os.close(write)
            with os.fdopen(read) as answer:
                number = answer.readline().strip()
            if not number:
                raise e2e.Failure("Xvfb did not start")
            e2e.ENV["DISPLAY"] = ":" + number
            e2e.wait_for("Xvfb on :" + number,
                         lambda: e2e.run("xdotool", "getmouselocation",
                                         check=False).returncode == 0)
        return self

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
