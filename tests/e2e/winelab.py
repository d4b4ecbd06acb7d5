"""The end-to-end tests' laboratory: an X display (Xvfb with a window manager,
without which Wine windows never take the keyboard focus), fresh Wine
prefixes, the probe that reads windows from inside Wine, and the keys, clicks
and screenshots of a person sitting at the machine."""

import hashlib
import json
import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("VEK_BUILD", ROOT / "build" / "win32"))
ARTIFACTS = Path(os.environ.get("VEK_ARTIFACTS", ROOT / "build" / "e2e"))



def _facts():
    """What the build read from the program's own tables (harness.json)."""
    path = BUILD / "harness.json"
    if not path.exists():
        raise RuntimeError(f"{path} is missing: configure the win32 preset first")
    return json.loads(path.read_text())


FACTS = _facts()
# The payloads, in the order in which the installer writes and copies them.
PAYLOADS = [payload["file"] for payload in FACTS["payloads"]]
# The ids of the main form's controls that the tests press and read.
BTN_OK, BTN_SAIR, PNL_AGUARDE = (FACTS["controls"][name] for name in ("BtnOk", "BtnSair", "PnlAguarde"))
# The window's title by the bitness of Windows.
TITLES = {"win64": "VEK DLLS - 64 BITS", "win32": "VEK DLLS - 32 BITS"}


def payload_folder():
    """The folder of the seven payloads that the built executable carries."""
    return Path((BUILD / "payload" / "folder.txt").read_text().strip())


def digest(path):
    return hashlib.sha256(Path(path).read_bytes()).hexdigest()


def partial_files(staging, payloads):
    """Files in the staging folder under a payload's name that differ from
    that payload in `payloads`, and anything else left there (temporaries)."""
    if not staging.is_dir():
        return 0
    count = 0
    for entry in staging.iterdir():
        if entry.name in PAYLOADS:
            count += entry.is_file() and digest(entry) != digest(payloads / entry.name)
        else:
            count += 1
    return count


def partial_targets(folder, payloads, foreign=()):
    """Files in a target folder under a payload's name that differ from that
    payload in `payloads` (but those whose digests are in `foreign`, such as
    Wine's own zlib1.dll), and landing folders left there."""
    if not folder.is_dir():
        return 0
    partial = sum(1 for name in PAYLOADS if (folder / name).is_file()
                  and digest(folder / name) not in (digest(payloads / name), *foreign))
    return partial + len(landing_folders(folder))


def landing_folders(folder):
    """The landing folders in a target folder, by name."""
    return sorted(p.name for p in folder.glob("vek*.tmp") if p.is_dir())


def remove_payloads(folder, wine_zlib):
    """Takes our payloads, and folders named like them, out of a system
    folder; never Wine's own zlib1.dll, whose digest is `wine_zlib`."""
    for name in PAYLOADS:
        path = folder / name
        if path.is_dir():
            shutil.rmtree(path)
        elif path.exists() and not (name == "zlib1.dll" and digest(path) == wine_zlib):
            path.unlink()


class Targets:
    """The payload files in a target folder when it is made, to tell later
    how many of them were replaced or changed."""

    def __init__(self, folder):
        self.folder = folder
        self.before = self._state()

    def _state(self):
        return {name: ((self.folder / name).stat().st_mtime_ns, digest(self.folder / name))
                for name in PAYLOADS if (self.folder / name).is_file()}

    def replaced(self):
        after = self._state()
        return sum(1 for name, state in self.before.items() if after.get(name) != state)


FAULT_TABLE = ARTIFACTS / "faults.txt"
_FAULT_COLUMNS = [("scenario", 40), ("expected", 44), ("seen", 44), ("partial", 8), ("replaced", 8)]
_fault_rows = []


def record_fault(scenario, expected, seen, partial, replaced):
    """Adds a row to the fault table: what a fault scenario was expected to
    give, what it gave, how many partial files it left in the staging folder
    and how many existing targets it replaced. The table is rewritten in
    build/e2e/faults.txt after each row; the test command prints it."""
    _fault_rows.append((scenario, expected, seen, partial, replaced))
    lines = [" | ".join(name.ljust(width) for name, width in _FAULT_COLUMNS).rstrip()]
    for row in _fault_rows:
        lines.append(" | ".join(str(cell)[:width].ljust(width)
                                for cell, (_, width) in zip(row, _FAULT_COLUMNS)).rstrip())
    FAULT_TABLE.parent.mkdir(parents=True, exist_ok=True)
    FAULT_TABLE.write_text("\n".join(lines) + "\n")


def run(args, env=None, timeout=120, check=True):
    """Runs a command and returns its CompletedProcess with the output as bytes.

    The output goes through files, not pipes: Wine leaves daemons running
    (wineserver, services) that inherit the descriptors, and a pipe would then
    never reach its end."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run(args, env=env, timeout=timeout, check=False, stdout=out, stderr=err)
        out.seek(0)
        err.seek(0)
        result.stdout, result.stderr = out.read(), err.read()
    if check and result.returncode != 0:
        raise subprocess.CalledProcessError(result.returncode, args, result.stdout, result.stderr)
    return result


def wait_until(condition, seconds, interval=0.2):
    """Calls `condition` until it returns something true or `seconds` have
    passed; returns its last result. The limits are generous: they only
    bound how long a broken run takes to fail."""
    deadline = time.monotonic() + seconds
    while True:
        result = condition()
        if result or time.monotonic() >= deadline:
            return result
        time.sleep(interval)


class Display:
    """Xvfb with openbox, on a display number that Xvfb chose free itself.
    A start that fails stops whatever it had started."""

    def __init__(self, width=1024, height=768):
        self.xvfb = self.wm = None
        self._wm_log = tempfile.TemporaryFile()
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
        path = Path(tempfile.gettempdir()) / f"vek-openbox-{self.number}.xml"
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


def install_wine_fonts(drive_c):
    """Copies Wine's own fonts (MS Sans Serif, Tahoma, Marlett for the title
    bar's boxes) into the prefix: a 32-bit Wine run through qemu does not find
    them in its data folder."""
    fonts = drive_c / "windows" / "Fonts"
    for font in Path("/usr/share/wine/fonts").glob("*"):
        if not (fonts / font.name).exists():
            shutil.copy(font, fonts / font.name)


class Prefix:
    """A Wine prefix, 64-bit (win64) or 32-bit (win32), whose programs show
    their windows on `display`: a fresh one in a new temporary folder, or the
    one at `path`, created there if it does not exist yet."""

    def __init__(self, arch, display, root=None, path=None, restart_server=True):
        self.arch = arch
        self.display = display
        self.path = Path(path) if path else Path(tempfile.mkdtemp(prefix=f"vek-{arch}-", dir=root))
        started = time.monotonic()
        # A Wine server already running for this prefix may have been started
        # without a display (a wineboot in a terminal, say): programs that
        # join it cannot open windows. Ours is started on `display`.
        if restart_server and (self.path / "system.reg").exists():
            self.kill()
        if not (self.drive_c / "windows").is_dir():
            run(["wineboot", "-i"], env=self.env(), timeout=900)
        install_wine_fonts(self.drive_c)
        # Arial is a Windows font: Liberation Sans has the same metrics.
        self.wine("reg", "add", r"HKCU\Software\Wine\Fonts\Replacements",
                  "/v", "Arial", "/d", "Liberation Sans", "/f")
        # Wine draws the title bars itself, as Windows does, rather than the
        # window manager: the close box alone, no minimise or maximise box.
        self.wine("reg", "add", r"HKCU\Software\Wine\X11 Driver",
                  "/v", "Decorated", "/d", "N", "/f")
        self.wait_idle()
        self.creation_seconds = time.monotonic() - started

    def env(self, **extra):
        env = dict(self.display.env(), WINEPREFIX=str(self.path), WINEARCH=self.arch,
                   WINEDEBUG="-all", WINEDLLOVERRIDES="winemenubuilder.exe=d")
        env.update(extra)
        return env

    @property
    def drive_c(self):
        return self.path / "drive_c"

    @property
    def system_folder(self):
        """Where a 32-bit program's system libraries live."""
        return self.drive_c / "windows" / ("syswow64" if self.arch == "win64" else "system32")

    def wine(self, *args, timeout=300, check=True):
        return run(["wine", *args], env=self.env(), timeout=timeout, check=check)

    def start(self, exe, cwd=None, **extra_env):
        """Starts a Windows program; returns its Popen."""
        return subprocess.Popen(["wine", str(exe)], env=self.env(**extra_env),
                                cwd=str(cwd or Path(exe).parent),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def windows_path(self, path):
        return "C:\\" + str(Path(path).relative_to(self.drive_c)).replace("/", "\\")

    def wait_idle(self):
        run(["wineserver", "-w"], env=self.env(), timeout=300, check=False)

    def kill(self):
        run(["wineserver", "-k"], env=self.env(), check=False)
        self.wait_idle()

    def remove(self):
        self.kill()
        shutil.rmtree(self.path, ignore_errors=True)


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
        process = subprocess.Popen(["wine", str(self.exe), "watch", title, str(control_id), str(seconds)],
                                   env=self.prefix.env(), stdout=out, stderr=subprocess.DEVNULL)
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


def wait_for_exit(process, seconds=120):
    try:
        return process.wait(seconds)
    except subprocess.TimeoutExpired:
        return None


def stop(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        wait_for_exit(process, 5)
