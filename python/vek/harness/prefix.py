"""Wine prefixes and the payload files in their folders. Every Wine command
line of the harness (wine, wineserver, wineboot, and the WINEPREFIX
they run in) is made here, with the Wine to use: this machine's own, or
that of the Debian root in VEK_WINE (tools/setup-wine10.sh makes one with
Wine 10; the tests then run inside tools/wine-root.sh, which sets it and shows
this machine's folders inside the root at the same paths)."""

import hashlib
import os
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

from .commands import run
from .facts import PAYLOADS

WINE_ROOT = os.environ.get("VEK_WINE")


def wine_command(program, *args, cwd=None):
    """The command line that runs Wine's `program` (wine, wineserver,
    wineboot) with `args`, in `cwd` or the current folder."""
    if not WINE_ROOT:
        return [program, *args]
    inside = Path(WINE_ROOT, "tmp")
    if not (inside.is_dir() and os.path.samefile(inside, "/tmp")):
        raise RuntimeError(f"VEK_WINE={WINE_ROOT}: run the tests inside tools/wine-root.sh")
    return ["unshare", f"--root={WINE_ROOT}", f"--wd={cwd or os.getcwd()}", program, *args]


class WinePrefix:
    """Wine's programs run in the prefix at `path`, with the environment
    `base_env` (by default this process's) and WINEPREFIX."""

    def __init__(self, path, base_env=None):
        self.path = Path(path)
        self.base_env = os.environ if base_env is None else base_env

    def env(self, **extra):
        env = dict(self.base_env, WINEPREFIX=str(self.path))
        env.update(extra)
        return env

    @property
    def drive_c(self):
        return self.path / "drive_c"

    def windows_path(self, path):
        return "C:\\" + str(Path(path).relative_to(self.drive_c)).replace("/", "\\")

    @staticmethod
    def command(*args, cwd=None):
        """The command line that runs a Windows program with its arguments,
        in `cwd` or the current folder."""
        return wine_command("wine", *(str(arg) for arg in args), cwd=cwd)

    def wine(self, *args, cwd=None, timeout=300, check=True, **extra_env):
        """Runs a Windows program to its end; returns its CompletedProcess."""
        return run(self.command(*args, cwd=cwd), env=self.env(**extra_env), cwd=cwd,
                   timeout=timeout, check=check)

    def start(self, exe, *args, cwd=None, wrap=(), stdin=subprocess.DEVNULL,
              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **extra_env):
        """Starts a Windows program, in its own folder unless `cwd` is given,
        by the command `wrap` given Wine's command line; returns its Popen."""
        cwd = str(cwd or Path(exe).parent)
        return subprocess.Popen([*wrap, *self.command(exe, *args, cwd=cwd)],
                                env=self.env(**extra_env), cwd=cwd, stdin=stdin, stdout=stdout,
                                stderr=stderr)

    def boot(self):
        """Creates the prefix (or brings it up to date)."""
        run(wine_command("wineboot", "-i"), env=self.env(), timeout=900)

    def server(self, *args, timeout=120, check=False):
        """Runs the prefix's Wine server with `args` (-k to end it, -p to keep it running)."""
        return run(wine_command("wineserver", *args), env=self.env(), timeout=timeout, check=check)

    def wait_idle(self):
        self.server("-w", timeout=300)

    def kill(self):
        self.server("-k")
        self.wait_idle()


def install_wine_fonts(drive_c):
    """Copies Wine's own fonts (MS Sans Serif, Tahoma, Marlett for the title
    bar's boxes) into the prefix: a 32-bit Wine run through qemu does not find
    them in its data folder."""
    fonts = drive_c / "windows" / "Fonts"
    for font in Path(WINE_ROOT or "/", "usr/share/wine/fonts").glob("*"):
        if not (fonts / font.name).exists():
            shutil.copy(font, fonts / font.name)


class Prefix(WinePrefix):
    """A Wine prefix, 64-bit (win64) or 32-bit (win32), whose programs show
    their windows on `display`: a fresh one in a new temporary folder, or the
    one at `path`, created there if it does not exist yet."""

    def __init__(self, arch, display, root=None, path=None, restart_server=True):
        super().__init__(path or tempfile.mkdtemp(prefix=f"vek-{arch}-", dir=root))
        self.arch = arch
        self.display = display
        started = time.monotonic()
        # A Wine server already running for this prefix may have been started
        # without a display (a wineboot in a terminal, say): programs that
        # join it cannot open windows. Ours is started on `display`.
        if restart_server and (self.path / "system.reg").exists():
            self.kill()
        if not (self.drive_c / "windows").is_dir():
            self.boot()
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
    def system_folder(self):
        """Where a 32-bit program's system libraries live."""
        return self.drive_c / "windows" / ("syswow64" if self.arch == "win64" else "system32")

    def remove(self):
        self.kill()
        shutil.rmtree(self.path, ignore_errors=True)


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
    """The landing folders in a target folder, by name: real folders (a
    link of such a name is none)."""
    return sorted(p.name for p in folder.glob("vek*.tmp") if p.is_dir() and not p.is_symlink())


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

    def foreign(self, payloads):
        """How many payload names in the folder hold bytes that are neither
        the payload's own (the file of that name in `payloads`) nor those
        they held when this was made."""
        before = {name: state[1] for name, state in self.before.items()}
        return sum(1 for name in PAYLOADS if (self.folder / name).is_file()
                   and digest(self.folder / name) not in (digest(payloads / name),
                                                          before.get(name)))


def mappings(path):
    """{pid: set of (first, end) file offsets of each mapping} of the running
    processes that map the file `path` (the Linux side of the Wine
    processes). Adjacent sections mapped alike may make one mapping, as
    Linux merges them. A process whose Wine runs
    inside VEK_WINE's root names the file by its path seen from here through
    the root."""
    path = os.path.realpath(path)
    names = {" " + path}
    if WINE_ROOT:
        names.add(" " + os.path.join(WINE_ROOT, path.lstrip("/")))
    found = {}
    for maps in Path("/proc").glob("[0-9]*/maps"):
        try:
            lines = maps.read_text().splitlines()
        except OSError:
            continue
        ranges = set()
        for line in lines:
            if any(map(line.endswith, names)):
                addresses, _, offset = line.split()[:3]
                low, high = (int(a, 16) for a in addresses.split("-"))
                ranges.add((int(offset, 16), int(offset, 16) + high - low))
        if ranges:
            found[int(maps.parent.name)] = ranges
    return found


def kill_program(process, exe):
    """Kills at once (SIGKILL) the Windows program `exe` that `process`
    (WinePrefix.start) started: the process that maps it, which need not be
    the one started (a wine that cannot run a program in its own process
    hands it to another), and the one started; waits for the latter."""
    for pid in {process.pid, *mappings(exe)}:
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    process.wait()
