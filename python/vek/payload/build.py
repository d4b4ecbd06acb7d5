"""Builds the seven payload DLLs from Debian's packages and our own sources,
caches them outside the source tree, and prints the folder that holds them.

Each library is one step (tools/payload/steps/NAME.sh) whose result is kept
under a key made of what went into it: the Debian source package it comes
from (the .dsc and its checksum), the step's scripts and sources, the
compiler, and the keys of the steps it builds on. A source package is taken
at the newest version that any configured suite offers (the security suite
included: tools/setup-debian.sh adds it); where the archive does not serve
that version's files, at the newest one it does, and the build says so. A step
whose key is already in the cache is not built again, and the finished set is
keyed the same way, so a second run takes seconds.

Only the folder goes to stdout; progress, warnings and failures go to stderr,
and each step's compiler output to its own log."""

import fcntl
import functools
import hashlib
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

from vek import ROOT, pe
from vek.payload import validate, versioninfo

# The build's own files: the steps' scripts, our sources, build.sh.
TOOLS = ROOT / "tools" / "payload"
HOST = "i686-w64-mingw32"
CACHE = Path(os.environ.get("XDG_CACHE_HOME") or Path.home() / ".cache") / "vekdll" / "payload"


class Step:
    def __init__(self, name, source=None, own=None, deps=(), files=()):
        self.name = name
        self.source = source      # Debian source package, fetched with apt-get source
        self.own = own            # (package, version) of a library of our own
        self.deps = deps
        self.files = files        # our own sources that go into the step


STEPS = [
    Step("iconv", own=("vekdll-iconv", "1.0"),
         files=["iconv/iconv.c", "iconv/iconv.h", "iconv/iconv.rc", "iconv/charset.h",
                "iconv/names.c", "iconv/codepage.c", "iconv/iso2022jp.c"]),
    Step("zlib", source="zlib", files=["zlib/zlib1.def"]),
    Step("libxml2", source="libxml2", deps=("zlib", "iconv")),
    Step("libxslt", source="libxslt", deps=("libxml2", "iconv")),
    Step("openssl", source="openssl"),
    Step("xmlsec", source="xmlsec1", deps=("libxml2", "libxslt", "openssl", "iconv"),
         files=["patches/xmlsec-legacy-provider.patch"]),
    Step("midas", own=("vekdll-midas-placeholder", "0.0"),
         files=["midas/midas.c", "midas/midas.rc"]),
]

# The steps whose packages each payload file is made of; the files
# themselves are the program's list (vek.productfacts).
MADE_OF = {
    "zlib1.dll": ["zlib"],
    "iconv.dll": ["iconv"],
    "libxml2.dll": ["libxml2"],
    "libxslt.dll": ["libxslt"],
    "libxmlsec.dll": ["xmlsec"],
    "libxmlsec-openssl.dll": ["xmlsec", "openssl"],
    "midas.dll": ["midas"],
}


def say(message):
    print(f"payload: {message}", file=sys.stderr, flush=True)


def fail(message):
    say(message)
    sys.exit(1)


def output(args, **kwargs):
    return subprocess.run(args, check=True, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, text=True, **kwargs).stdout


def sha256_file(path):
    with open(path, "rb") as f:
        return hashlib.file_digest(f, "sha256").hexdigest()


# ------------------------------------------------------------ what goes in

def versions_offered(package):
    """The versions of a source package that apt's indexes offer, in any
    configured suite, newest first."""
    done = subprocess.run(["apt-cache", "showsrc", "--only-source", package],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    versions = {line.split(":", 1)[1].strip() for line in done.stdout.splitlines()
                if line.startswith("Version:")}
    return sorted(versions, key=functools.cmp_to_key(compare_versions), reverse=True)


def compare_versions(a, b):
    """Debian's order of two versions, as dpkg compares them."""
    if a == b:
        return 0
    return -1 if subprocess.run(["dpkg", "--compare-versions", a, "lt", b]).returncode == 0 else 1


def source_dsc(package, version):
    """The .dsc that apt-get source fetches for `package` at `version`, and
    its SHA-256, read from the apt lists without downloading anything."""
    try:
        text = output(["apt-get", "source", "--print-uris", "--only-source", f"{package}={version}"])
    except subprocess.CalledProcessError as error:
        fail(f"apt cannot find the source package {package} {version}: {error.stderr.strip()}")
    for line in text.splitlines():
        fields = line.split()
        if len(fields) >= 4 and fields[1].endswith(".dsc"):
            return fields[1], fields[3].removeprefix("SHA256:")
    fail(f"apt-get source --print-uris {package}={version} named no .dsc file")


def fetch_newest(package):
    """The .dsc name and checksum of the newest version of `package` whose
    source is in the cache or can be fetched; the source is then in the
    cache. A newer version that cannot be fetched (its files not yet on the
    mirror, or no network) is said and passed over: the audit
    (tools/payload/audit.sh) then reports the set as behind."""
    offered = versions_offered(package)
    if not offered:
        fail(f"apt offers no source package {package}; tools/setup-debian.sh adds the "
             "deb-src entries; run it, then apt-get update")
    for version in offered:
        dsc, checksum = source_dsc(package, version)
        problem = fetch_source(package, version, dsc)
        if not problem:
            return dsc, checksum
        say(f"warning: {package} {version} is the newest, but its source cannot be fetched "
            f"({problem}); taking an older version")
    fail(f"no version of the source package {package} can be fetched ({', '.join(offered)})")


def origin(step):
    """What identifies the Debian source package (or our own library) of a step."""
    if step.source:
        return " ".join(fetch_newest(step.source))
    return " ".join(step.own)


def toolchain_id():
    return output([f"{HOST}-gcc-win32", "--version"]).splitlines()[0] + \
        output([f"{HOST}-ld", "--version"]).splitlines()[0]


def step_key(step, origins, keys, toolchain):
    """The cache key of a step whose origin and dependencies' keys are known."""
    common = [TOOLS / "steps" / "common.sh", Path(__file__), Path(versioninfo.__file__)]
    digest = hashlib.sha256()
    for part in (step.name, origins[step.name], toolchain, *(keys[d] for d in step.deps)):
        digest.update(part.encode() + b"\0")
    for path in [*common, TOOLS / "steps" / f"{step.name}.sh", *(TOOLS / f for f in step.files)]:
        digest.update(path.read_bytes() + b"\0")
    return digest.hexdigest()[:16]


# ---------------------------------------------------------------- sources

def fetch_source(package, version, dsc_name):
    """Fetches the unpacked source package (Debian's patches applied) once,
    into the cache. None when it is there; otherwise what apt said."""
    home = CACHE / "sources" / dsc_name.removesuffix(".dsc")
    if (home / "tree").is_dir():
        return None
    partial = home.with_name(home.name + ".partial")
    shutil.rmtree(partial, ignore_errors=True)
    partial.mkdir(parents=True)
    done = subprocess.run(["apt-get", "source", "--only-source", f"{package}={version}"],
                          cwd=partial, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if done.returncode != 0 or not (partial / dsc_name).exists():
        shutil.rmtree(partial, ignore_errors=True)
        errors = [line[3:] for line in done.stdout.splitlines() if line.startswith("E: ")]
        return errors[0] if errors else f"apt-get source exited {done.returncode}"
    trees = [p for p in partial.iterdir() if p.is_dir()]
    if len(trees) != 1:
        fail(f"apt-get source {package}={version} unpacked {len(trees)} folders, not one")
    trees[0].rename(partial / "tree")
    shutil.rmtree(home, ignore_errors=True)
    partial.rename(home)
    return None


def dsc_field(home, field):
    for line in next(home.glob("*.dsc")).read_text(errors="replace").splitlines():
        if line.startswith(field + ":"):
            return line.split(":", 1)[1].strip()
    fail(f"{home} has no {field} in its .dsc")


def changelog_timestamp(tree):
    return output(["dpkg-parsechangelog", "-l", str(tree / "debian" / "changelog"),
                   "-S", "Timestamp"]).strip()


# ------------------------------------------------------------------- steps

def tail(log, lines=40):
    text = Path(log).read_text(errors="replace").splitlines()
    return "\n".join(text[-lines:])


def source_home(step, origins):
    return CACHE / "sources" / origins[step.name].split()[0].removesuffix(".dsc")


def step_version(step, origins):
    if step.source:
        return dsc_field(source_home(step, origins), "Version")
    return step.own[1]


def step_package(step):
    return step.source or step.own[0]


def write_version_scripts(step, origins, folder):
    """Writes NAME.rc, the version resource, for each file that `step`
    makes (the first of the steps it is made of) and that has one; returns
    the folder."""
    folder.mkdir()
    steps = {s.name: s for s in STEPS}
    for name, made_of in MADE_OF.items():
        if made_of[0] == step.name and name in versioninfo.FACTS:
            packages = [(step_package(steps[s]), step_version(steps[s], origins)) for s in made_of]
            (folder / f"{name}.rc").write_text(versioninfo.script(name, packages))
    return folder


def run_step(number, step, keys, origins):
    """Builds one step unless the cache has it; returns its stage folder."""
    done = CACHE / "steps" / f"{step.name}-{keys[step.name]}"
    tree = source_home(step, origins) / "tree" if step.source else None
    label = f"[{number}/{len(STEPS)}] {step_package(step)} {step_version(step, origins)}"
    if (done / "stage").is_dir():
        say(f"{label} (cached)")
        return done / "stage"

    say(f"{label}: building ...")
    started = time.monotonic()
    partial = done.with_name(done.name + ".partial")
    shutil.rmtree(partial, ignore_errors=True)
    (partial / "work").mkdir(parents=True)
    env = dict(os.environ, STAGE=str(partial / "stage"), PAYLOAD_TOOLS=str(TOOLS),
               VEK_CACHE_ROOT=str(CACHE), LC_ALL="C", TZ="UTC")
    for dep in step.deps:
        env[f"DEP_{dep}"] = str(CACHE / "steps" / f"{dep}-{keys[dep]}" / "stage")
    env["VERSIONINFO"] = str(write_version_scripts(step, origins, partial / "versioninfo"))
    if tree:
        shutil.copytree(tree, partial / "src", symlinks=True)
        env["SRC"] = str(partial / "src")
        env["SOURCE_DATE_EPOCH"] = changelog_timestamp(tree)
    log = partial / "build.log"
    with open(log, "wb") as out:
        result = subprocess.run(["sh", str(TOOLS / "steps" / f"{step.name}.sh")],
                                cwd=partial / "work", env=env, stdin=subprocess.DEVNULL,
                                stdout=out, stderr=subprocess.STDOUT)
    if result.returncode != 0:
        fail(f"building {step_package(step)} failed (exit {result.returncode}); "
             f"the end of {log}:\n{tail(log)}")
    # The stage and the log are what the cache keeps; the build trees are
    # large and never read again.
    shutil.rmtree(partial / "src", ignore_errors=True)
    shutil.rmtree(partial / "work", ignore_errors=True)
    shutil.rmtree(done, ignore_errors=True)
    partial.rename(done)
    minutes, seconds = divmod(int(time.monotonic() - started), 60)
    say(f"{label}: built in {minutes}m{seconds:02d}s")
    return done / "stage"


# --------------------------------------------------------------------- set

def midas_choice():
    """The packager's licensed midas.dll, or None for our placeholder."""
    licensed = os.environ.get("VEK_MIDAS_DLL")
    if not licensed:
        return None
    path = Path(licensed)
    if not path.is_file():
        fail(f"VEK_MIDAS_DLL names {licensed}, which is not a file")
    return path.resolve()


def write_manifest(folder, rows):
    """One row per file (package, version, size, SHA-256, the version its
    version resource gives), then each file's imports as comment rows, so
    that a new import shows in review."""
    lines = ["# file\tpackage\tversion\tsize\tsha256\tfile version"]
    for name, package, version in rows:
        path = folder / name
        file_version = pe.Image(path).version_strings().get("FileVersion", "-")
        lines.append(f"{name}\t{package}\t{version}\t{path.stat().st_size}\t{sha256_file(path)}"
                     f"\t{file_version}")
    lines.append(f"# The imports of each file, library!function; the set runs on "
                 f"{validate.FLOOR} or later (_WIN32_WINNT {validate.FLOOR_WINNT}).")
    for name, _, _ in rows:
        for library, functions in pe.Image(folder / name).imports().items():
            lines += [f"# {name}\t{library}!{function}" for function in functions]
    (folder / "manifest.txt").write_text("\n".join(lines) + "\n")


def assemble(folder, stages, origins, midas):
    (folder / "include").mkdir(parents=True)
    (folder / "lib").mkdir()
    steps = {step.name: step for step in STEPS}
    rows = []
    names = validate.payload_names()
    if sorted(names) != sorted(MADE_OF):
        fail(f"the program's payloads {names} are not the files the build makes {list(MADE_OF)}")
    for name in names:
        made_of = MADE_OF[name]
        if name == "midas.dll" and midas:
            shutil.copyfile(midas, folder / name)
            rows.append((name, "licensed (VEK_MIDAS_DLL)", "-"))
            continue
        shutil.copyfile(stages[made_of[0]] / "bin" / name, folder / name)
        rows.append((name, "+".join(step_package(steps[s]) for s in made_of),
                     "+".join(step_version(steps[s], origins) for s in made_of)))
    # Headers and import libraries, for programs built against the set, and
    # the client programs built with it (clients/, for the tests only).
    for stage in stages.values():
        shutil.copytree(stage / "include", folder / "include", dirs_exist_ok=True)
        if (stage / "clients").is_dir():
            shutil.copytree(stage / "clients", folder / "clients", dirs_exist_ok=True)
        for implib in (stage / "lib").glob("*.dll.a"):
            shutil.copyfile(implib, folder / "lib" / implib.name)
    write_manifest(folder, rows)


def main():
    if len(sys.argv) > 1:
        fail("build.sh takes no arguments (VEK_MIDAS_DLL may name the licensed midas.dll)")
    CACHE.mkdir(parents=True, exist_ok=True)
    with open(CACHE / "lock", "w") as lock:
        # Two builds at once would race on the same cache entries.
        fcntl.flock(lock, fcntl.LOCK_EX)
        midas = midas_choice()
        toolchain = toolchain_id()
        # Step by step: a source package is fetched only when the steps
        # before it have been built.
        keys, origins, stages = {}, {}, {}
        for number, step in enumerate(STEPS, 1):
            origins[step.name] = origin(step)
            keys[step.name] = step_key(step, origins, keys, toolchain)
            if step.name == "midas" and midas:
                say(f"[{number}/{len(STEPS)}] midas.dll: the licensed copy {midas}")
                continue
            stages[step.name] = run_step(number, step, keys, origins)
        digest = hashlib.sha256()
        for step in STEPS:
            digest.update(keys[step.name].encode())
        digest.update((TOOLS / "build.sh").read_bytes())
        digest.update((sha256_file(midas) if midas else "placeholder").encode())
        folder = CACHE / "sets" / digest.hexdigest()[:16]

        if not (folder / "manifest.txt").exists():
            partial = folder.with_name(folder.name + ".partial")
            shutil.rmtree(partial, ignore_errors=True)
            assemble(partial, stages, origins, midas)
            # A set that would not run on a bare Windows never reaches the cache.
            try:
                validate.validate(partial)
            except validate.Invalid as problem:
                fail(f"the built set is not valid: {problem} (in {partial})")
            shutil.rmtree(folder, ignore_errors=True)
            partial.rename(folder)
    if not midas:
        say("warning: midas.dll is our PLACEHOLDER, not the real library; set VEK_MIDAS_DLL "
            "to the licensed midas.dll before building a release")
    print(folder)


if __name__ == "__main__":
    main()
