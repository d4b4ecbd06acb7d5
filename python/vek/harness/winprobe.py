"""The probe: a Win32 program run inside the prefix that reads the windows of
the program under test (controls, texts, focus, boxes, menu state), and what
the tests make of its dumps."""

import json
import shutil
import subprocess
import tempfile
from pathlib import Path

from .commands import wait_until
from .facts import BUILD, PNL_AGUARDE


class Probe:
    """The Win32 probe, run inside the prefix: the tests' eyes on the
    program's windows, controls, texts and focus."""

    def __init__(self, prefix):
        self.prefix = prefix
        self.exe = prefix.drive_c / "vekprobe.exe"
        shutil.copy(BUILD / "vekprobe.exe", self.exe)

    def _run(self, *args, timeout=120):
        return self.prefix.wine(str(self.exe), *args, timeout=timeout, check=False)

    def wait(self, title, seconds=120):
        """True once a visible window titled `title` exists."""
        return self._run("wait", title, str(seconds), timeout=seconds + 60).returncode == 0

    def ready(self, title, seconds=120):
        """Waits until the window titled `title` is shown, enabled, painted and holds
        the keyboard focus, as after its start; returns its dump."""
        if self._run("ready", title, str(seconds), timeout=seconds + 60).returncode != 0:
            raise AssertionError(f"no window titled {title!r} took the focus")
        return self.dump(title)

    def wait_gone(self, title, seconds=120):
        return self._run("gone", title, str(seconds), timeout=seconds + 60).returncode == 0

    def menu_state(self, title):
        """The menu state of the window's thread: 0 none, 1 in menu mode
        without a popup menu, 2 a popup menu shown."""
        return int(self._run("menustate", title).stdout.decode().strip() or 0)

    def wait_menu(self, title, state, seconds=120):
        """True once the menu state of the window's thread is `state`."""
        return self._run("menu", title, str(state), str(seconds), timeout=seconds + 60).returncode == 0

    def dump(self, title):
        result = self._run("dump", title)
        if result.returncode != 0:
            raise AssertionError(result.stderr.decode(errors="replace"))
        return json.loads(result.stdout.decode("ascii"))

    def panel_text(self, title):
        return controls(self.dump(title)["form"])[PNL_AGUARDE]["text"]

    def boxes(self):
        return json.loads(self._run("boxes").stdout.decode("ascii"))

    def wait_box(self, seconds=120):
        """The first dialog or message box to appear."""
        boxes = wait_until(self.boxes, seconds, 0.3)
        if not boxes:
            raise AssertionError("no dialog appeared")
        return boxes[0]

    def watch(self, title, control_id, seconds=300):
        """Starts watching the texts of a control and returns once the watch
        has seen the first one; returns a function that waits for the watch to
        end (at the first dialog, the window's end or the time limit) and
        returns the texts seen, in order."""
        out = tempfile.NamedTemporaryFile()
        process = self.prefix.start(self.exe, "watch", title, control_id, seconds, stdout=out)
        # The watch prints the control's text as soon as it runs: from then on
        # no change can escape it.
        def started():
            return b'"' in Path(out.name).read_bytes()
        wait_until(lambda: started() or process.poll() is not None, 120, 0.05)
        if not started():
            raise AssertionError("the watch did not start")

        def result():
            process.wait(seconds + 60)
            texts = json.loads(Path(out.name).read_bytes().decode("ascii"))
            out.close()
            return texts
        return result

    def time_run(self, title, button, panel, seconds=120):
        """Clicks `button` and returns [milliseconds since the click, text]
        for each distinct text of `panel`, then for the first dialog."""
        result = self._run("time", title, str(button), str(panel), str(seconds),
                           timeout=seconds + 60)
        return json.loads(result.stdout.decode("ascii"))

    def hold(self, path, how):
        """Holds the file at the Windows path `path` open from another
        program, as a virus scanner may: "exclusive" (for reading, sharing
        nothing) or "shared" (for reading and writing, sharing all); returns
        once it is held, with a function that lets it go."""
        process = self.prefix.start(self.exe, "hold", path, how, stdin=subprocess.PIPE,
                                    stdout=subprocess.PIPE)
        answer = process.stdout.readline().strip()

        def release():
            process.stdin.write(b"\n")
            process.stdin.close()
            process.wait(120)
            process.stdout.close()
        if answer != b"held":
            process.stdin.close()
            process.wait(120)
            process.stdout.close()
            raise AssertionError(f"{path} not held: {answer.decode(errors='replace')}")
        return release

    def enable(self, title, control_id, enabled):
        return self._run("enable", title, str(control_id), "1" if enabled else "0").returncode == 0


def box_texts(box):
    """The texts of a dialog or message box, as the bytes the program wrote."""
    return [cp1252(c["text"]) for c in controls(box).values()
            if c["class"].lower() == "static" and c["text"]]


def dismiss(display, probe, box):
    """Presses Enter in the active one of the boxes titled like `box` (that
    box, unless two such boxes are open), as a person would, and waits until
    one of the boxes open before has closed (another may open in its place at
    once)."""
    before = {b["handle"] for b in probe.boxes()} | {box["handle"]}
    display.key(box["text"], "Return")
    if not wait_until(lambda: not before <= {b["handle"] for b in probe.boxes()}, 120, 0.3):
        raise AssertionError(f"the box {box['text']!r} did not close")


def assert_keys_ignored(display, probe, title, *keys):
    """Types `keys` into the window, then proves that they have been handled
    without closing it: Alt+Space, typed after them, opens the system menu
    only once the keys before it have been dispatched. Esc then closes the
    menu, and a second Esc leaves the menu mode where the first one leaves
    the window in it, as Windows does."""
    display.key(title, *keys)
    display.key(title, "alt+space")
    if not probe.wait_menu(title, 2):
        raise AssertionError(f"the window {title!r} closed or did not handle {keys}")
    display.key(title, "Escape")
    if not wait_until(lambda: probe.menu_state(title) != 2, 120):
        raise AssertionError("the system menu did not close")
    if probe.menu_state(title) == 1:
        display.key(title, "Escape")
        if not probe.wait_menu(title, 0):
            raise AssertionError("the window stayed in menu mode")
    if not probe.wait(title, 1):
        raise AssertionError(f"{keys} closed the window {title!r}")


def cp1252(text):
    """The probe's JSON text as the bytes the program wrote."""
    return text.encode("latin-1")


def controls(node):
    """Every control below `node`, by control id."""
    found = {}
    for child in node["children"]:
        found[child["id"]] = child
        found.update(controls(child))
    return found
