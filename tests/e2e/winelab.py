"""The end-to-end tests' laboratory: an X display (Xvfb with a window manager,
without which Wine windows never take the keyboard focus), fresh Wine
prefixes, the probe that reads windows from inside Wine, and the keys, clicks
and screenshots of a person sitting at the machine."""

import hashlib
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("VEK_BUILD", ROOT / "build" / "win32"))
ARTIFACTS = Path(os.environ.get("VEK_ARTIFACTS", ROOT / "build" / "e2e"))


# The seven payloads, in the order in which the installer writes them.
PAYLOADS = ["libxml2.dll", "libxmlsec.dll", "libxmlsec-openssl.dll", "libxslt.dll",
            "midas.dll", "zlib1.dll", "iconv.dll"]


def payload_folder():
    """The folder of the seven payloads that the built executable carries."""
    return Path((BUILD / "payload" / "folder.txt").read_text().strip())


def digest(path):
    return hashlib.sha256(Path(path).read_bytes()).hexdigest()


def large_payload_build(root, megabytes):
    """Builds, under `root`, VekDll.exe carrying seven large payloads: the
    placeholder midas.dll (a valid 32-bit DLL) with `megabytes` MB of data
    appended, embedded through -DVEK_PAYLOAD_DIR. The payloads are made once;
    the build is brought up to date each time. Returns (build folder, payload
    folder)."""
    folder, build = root / "large-set", root / "large-build"
    if not all((folder / name).exists() for name in PAYLOADS):
        folder.mkdir(parents=True, exist_ok=True)
        head = (payload_folder() / "midas.dll").read_bytes()
        for index, name in enumerate(PAYLOADS):
            filler = bytes((index * 37 + i) % 253 for i in range(1 << 16))
            with open(folder / name, "wb") as out:
                out.write(head)
                for _ in range(megabytes * 16):
                    out.write(filler)
    run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja",
         f"-DCMAKE_TOOLCHAIN_FILE={ROOT}/cmake/mingw-i686.cmake",
         "-DCMAKE_BUILD_TYPE=MinSizeRel", f"-DVEK_PAYLOAD_DIR={folder}"], timeout=300)
    run(["cmake", "--build", str(build), "--target", "VekDll"], timeout=600)
    return build, folder


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


class Display:
    """Xvfb with openbox on a free display number."""

    def __init__(self, width=1024, height=768):
        self.number = next(n for n in range(90, 200)
                           if not Path(f"/tmp/.X{n}-lock").exists()
                           and not Path(f"/tmp/.X11-unix/X{n}").exists())
        self.name = f":{self.number}"
        self.xvfb = subprocess.Popen(
            ["Xvfb", self.name, "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._wait_for_server()
        self.wm = subprocess.Popen(["openbox"], env=self.env(),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(0.5)

    def _wait_for_server(self):
        for _ in range(100):
            if run(["xdpyinfo", "-display", self.name], check=False).returncode == 0:
                return
            time.sleep(0.1)
        raise RuntimeError("Xvfb did not start")

    def env(self):
        return dict(os.environ, DISPLAY=self.name)

    def xdotool(self, *args):
        return run(["xdotool", *args], env=self.env(), check=False).stdout.decode().strip()

    def key(self, title, *keys):
        """Activates the X window titled `title` and types `keys` into it."""
        window = self.xdotool("search", "--limit", "1", "--name", f"^{title}$")
        if not window:
            raise AssertionError(f"no X window titled {title!r}")
        # Not --sync: a program busy between two of its dispatches answers the
        # window manager late, and the keys would then arrive late too.
        if self.xdotool("getactivewindow") != window:
            self.xdotool("windowactivate", window)
            time.sleep(0.3)
        self.xdotool("key", "--clearmodifiers", *keys)

    def wait_window(self, title, seconds=60):
        """Waits for an X window titled `title`, without starting any Wine process."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if self.xdotool("search", "--limit", "1", "--name", f"^{title}$"):
                return True
            time.sleep(0.3)
        return False

    def click_close_box(self, frame):
        """Clicks the close box of a window whose frame is [x, y, w, h]."""
        x, y, w, _ = frame
        self.click(x + w - 12, y + 12)

    def click(self, x, y):
        self.xdotool("mousemove", "--sync", str(x), str(y), "click", "1")

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

    def close(self):
        for process in (self.wm, self.xvfb):
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()


def install_wine_fonts(drive_c):
    """Copies Wine's own fonts (MS Sans Serif, Tahoma, Marlett for the title
    bar's boxes) into the prefix: a 32-bit Wine run through qemu does not find
    them in its data folder."""
    fonts = drive_c / "windows" / "Fonts"
    for font in Path("/usr/share/wine/fonts").glob("*"):
        if not (fonts / font.name).exists():
            shutil.copy(font, fonts / font.name)


class Prefix:
    """A fresh Wine prefix, 64-bit (win64) or 32-bit (win32), on `display`."""

    def __init__(self, arch, display, root=None):
        self.arch = arch
        self.display = display
        self.path = Path(tempfile.mkdtemp(prefix=f"vek-{arch}-", dir=root))
        started = time.monotonic()
        run(["wineboot", "-i"], env=self.env(), timeout=600)
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

    def wine(self, *args, timeout=120, check=True):
        return run(["wine", *args], env=self.env(), timeout=timeout, check=check)

    def start(self, exe, cwd=None, **extra_env):
        """Starts a Windows program; returns its Popen."""
        return subprocess.Popen(["wine", str(exe)], env=self.env(**extra_env),
                                cwd=str(cwd or Path(exe).parent),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def windows_path(self, path):
        return "C:\\" + str(Path(path).relative_to(self.drive_c)).replace("/", "\\")

    def wait_idle(self):
        run(["wineserver", "-w"], env=self.env(), timeout=120, check=False)

    def kill(self):
        run(["wineserver", "-k"], env=self.env(), check=False)
        self.wait_idle()

    def remove(self):
        self.kill()
        shutil.rmtree(self.path, ignore_errors=True)


class Probe:
    """The Win32 probe, run inside the prefix."""

    def __init__(self, prefix):
        self.prefix = prefix
        self.exe = prefix.drive_c / "vekprobe.exe"
        shutil.copy(BUILD / "vekprobe.exe", self.exe)

    def _run(self, *args, timeout=60):
        return self.prefix.wine(str(self.exe), *args, timeout=timeout, check=False)

    def wait(self, title, seconds=60):
        return self._run("wait", title, str(seconds), timeout=seconds + 30).returncode == 0

    def wait_gone(self, title, seconds=30):
        return self._run("gone", title, str(seconds), timeout=seconds + 30).returncode == 0

    def dump(self, title):
        result = self._run("dump", title)
        if result.returncode != 0:
            raise AssertionError(result.stderr.decode(errors="replace"))
        return json.loads(result.stdout.decode("ascii"))

    def boxes(self):
        return json.loads(self._run("boxes").stdout.decode("ascii"))

    def wait_box(self, seconds=30):
        """The first dialog or message box to appear."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            boxes = self.boxes()
            if boxes:
                return boxes[0]
            time.sleep(0.3)
        raise AssertionError("no dialog appeared")

    def watch(self, title, control_id, seconds=60):
        """Starts watching the texts of a control; returns a function that
        waits for the watch to end (at the first dialog, the window's end or
        the time limit) and returns the texts seen, in order."""
        out = tempfile.TemporaryFile()
        process = subprocess.Popen(["wine", str(self.exe), "watch", title, str(control_id), str(seconds)],
                                   env=self.prefix.env(), stdout=out, stderr=subprocess.DEVNULL)

        def result():
            process.wait(seconds + 30)
            out.seek(0)
            texts = json.loads(out.read().decode("ascii"))
            out.close()
            return texts
        return result

    def enable(self, title, control_id, enabled):
        return self._run("enable", title, str(control_id), "1" if enabled else "0").returncode == 0


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


def wait_for_exit(process, seconds=30):
    try:
        return process.wait(seconds)
    except subprocess.TimeoutExpired:
        return None


def stop(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        wait_for_exit(process, 5)
