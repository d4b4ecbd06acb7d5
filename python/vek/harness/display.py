"""The X display that the harness runs Wine in: Xvfb with a window manager
(openbox, without which Wine windows never take the keyboard focus), and the
keys, clicks and screenshots of a person sitting at the machine."""

import os
import re
import select
import subprocess
import tempfile
from pathlib import Path

from .commands import run, wait_until
from .winprobe import controls


class Display:
    """Xvfb with openbox, on a display number that Xvfb chose free itself.
    A start that fails stops whatever it had started."""

    def __init__(self, width=1024, height=768):
        self.xvfb = self.wm = None
        self._wm_log = tempfile.TemporaryFile()
        # A private folder for openbox's configuration: a fixed name in the
        # shared /tmp could be another user's file, or a link planted there.
        self._wm_folder = tempfile.TemporaryDirectory(prefix="vek-openbox-")
        try:
            self._start_xvfb(width, height)
            self._start_wm()
        except BaseException:
            self.close()
            raise

    def _start_xvfb(self, width, height):
        # -displayfd: Xvfb takes the first free display and writes its number
        # once it accepts clients, so that two displays started at once never
        # take the same one and nothing polls it. -noreset: without it Xvfb
        # resets whenever its last client leaves, and refuses the clients
        # that connect meanwhile.
        read, write = os.pipe()
        try:
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write), "-noreset",
                 "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp"],
                pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        finally:
            os.close(write)
        with os.fdopen(read, "rb") as announced:
            ready, _, _ = select.select([announced], [], [], 120)
            number = announced.readline().strip() if ready else b""
        if not number.isdigit():
            raise RuntimeError("Xvfb did not start")
        self.number = int(number)
        self.name = f":{self.number}"

    def _start_wm(self):
        self.wm = subprocess.Popen(["openbox", "--config-file", str(self._wm_config())],
                                   env=self.env(), stdout=self._wm_log, stderr=self._wm_log)
        # Without the window manager no window takes the keyboard focus: wait
        # until it has announced itself on the root window.
        def announced():
            if self.wm.poll() is not None:
                return "exited"
            return "window id" in run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                                      env=self.env(), check=False).stdout.decode()
        if wait_until(announced, 120, 0.05) is not True:
            self._wm_log.seek(0)
            raise RuntimeError("openbox did not start: "
                               + self._wm_log.read().decode(errors="replace").strip())

    def _wm_config(self):
        """openbox's own configuration without its key bindings: every key
        (Alt+F4, Alt+Space among them) reaches the program, as on Windows."""
        rc = Path("/etc/xdg/openbox/rc.xml").read_text()
        rc = re.sub(r"<keyboard>.*?</keyboard>", "<keyboard></keyboard>", rc, flags=re.DOTALL)
        path = Path(self._wm_folder.name) / "rc.xml"
        path.write_text(rc)
        return path

    def env(self):
        return dict(os.environ, DISPLAY=self.name)

    def xdotool(self, *args):
        return run(["xdotool", *args], env=self.env(), check=False).stdout.decode().strip()

    def find(self, title):
        """The visible X windows titled `title`, as a list. (The application's
        invisible owner window carries the same title, and so does the
        standard error box.)"""
        return self.xdotool("search", "--onlyvisible", "--name", f"^{title}$").split()

    def key(self, title, *keys):
        """Types `keys` into the window titled `title`, activating it first
        unless it is active already. Of two windows of that title (the main
        window and a box that it owns), the active one takes the keys."""
        windows = self.find(title)
        if not windows:
            raise AssertionError(f"no X window titled {title!r}")
        # Not --sync: a program busy between two of its dispatches answers the
        # window manager late. Wait for the activation instead, however long.
        if self.xdotool("getactivewindow") not in windows:
            self.xdotool("windowactivate", windows[0])
            if not wait_until(lambda: self.xdotool("getactivewindow") in windows, 60):
                raise AssertionError(f"the window {title!r} never became active")
        self.xdotool("key", "--clearmodifiers", *keys)

    def wait_window(self, title, seconds=120):
        """Waits for an X window titled `title`, without starting any Wine process."""
        return bool(wait_until(lambda: self.find(title), seconds, 0.3))

    def click_close_box(self, frame):
        """Clicks the close box of a window whose frame is [x, y, w, h]."""
        x, y, w, _ = frame
        self.click(x + w - 12, y + 12)

    def click(self, x, y):
        self.xdotool("mousemove", "--sync", str(x), str(y), "click", "1")

    def click_control(self, window, control_id):
        """Clicks the middle of a control of a window that the probe dumped."""
        x, y, w, h = controls(window["form"])[control_id]["screen"]
        self.click(x + w // 2, y + h // 2)

    def screenshot(self, path, frame=None):
        """Saves the screen, or the part `frame` = [x, y, w, h] of it, as PNG."""
        path = Path(path)
        path.parent.mkdir(parents=True, exist_ok=True)
        crop = []
        if frame:
            x, y, w, h = frame
            crop = ["-crop", f"{w + 8}x{h + 8}+{max(x - 4, 0)}+{max(y - 4, 0)}", "+repage"]
        run(["import", "-display", self.name, "-window", "root", *crop, str(path)])
        return path

    def pixels(self, x, y, width, height):
        """The screen's pixels in that rectangle, as rows of (r, g, b)."""
        raw = run(["import", "-display", self.name, "-window", "root",
                   "-crop", f"{width}x{height}+{x}+{y}", "-depth", "8", "rgb:-"]).stdout
        return [[tuple(raw[3 * (row * width + column):3 * (row * width + column) + 3])
                 for column in range(width)] for row in range(height)]

    def close(self):
        for process in (self.wm, self.xvfb):
            if process is None:
                continue
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        self._wm_log.close()
        self._wm_folder.cleanup()
