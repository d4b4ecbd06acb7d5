"""The payload set a build embedded, read from the manifest.txt that
vek.payload.build writes beside the seven files, and the Debian
packages each file comes from, with the places their notices are read from."""

import hashlib
import subprocess
from collections import namedtuple
from pathlib import Path

from vek.payload import manifest
from vek.release import licences

# kind: "debian" (built from or taken from Debian packages), "own",
# "placeholder" (our stand-in midas.dll) or "licensed" (the packager's midas.dll).
# parts: [(Debian package, version)], in the manifest's order.
Entry = namedtuple("Entry", "name kind package version size sha256 parts")


class Problem(Exception):
    pass


def sha256_file(path):
    with open(path, "rb") as f:
        return hashlib.file_digest(f, "sha256").hexdigest()


def installed_version(binary):
    """The version of an installed Debian binary package, or None."""
    done = subprocess.run(["dpkg-query", "-W", "-f", "${Version}", binary],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    return done.stdout.strip() if done.returncode == 0 and done.stdout.strip() else None


def installed_source(binary):
    """(source package, source version) of an installed binary package."""
    done = subprocess.run(["dpkg-query", "-W", "-f", "${source:Package}\t${source:Version}",
                           binary], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    if done.returncode != 0 or "\t" not in done.stdout:
        raise Problem(f"the package {binary} is not installed; run tools/setup-debian.sh")
    package, version = done.stdout.strip().split("\t")
    return package, version


def read(folder):
    """The manifest's entries, in its order, each file checked against its
    recorded size and SHA-256. Raises Problem naming what is wrong."""
    folder = Path(folder)
    try:
        rows = manifest.rows(folder)
    except manifest.Unreadable as problem:
        raise Problem(f"{problem}; a release needs the set that tools/payload/build.sh "
                      "builds, whose packages it can name") from None
    entries = []
    for row in rows:
        path = folder / row.name
        if not path.is_file() or path.stat().st_size != int(row.size) or \
                sha256_file(path) != row.sha256:
            raise Problem(f"{path} is not the file its manifest describes")
        if row.package == licences.LICENSED_MIDAS:
            kind, parts = "licensed", []
        elif row.package in licences.OWN:
            kind = "placeholder" if "placeholder" in row.package else "own"
            parts = []
        else:
            kind = "debian"
            try:
                parts = manifest.parts(row)
            except manifest.Unreadable as problem:
                raise Problem(str(problem)) from None
            for name_, _ in parts:
                if name_ not in licences.DEBIAN:
                    raise Problem(f"no licence is recorded for the Debian package {name_} "
                                  f"({row.name}): add it to python/vek/release/licences.py")
        entries.append(Entry(row.name, kind, row.package, row.version, int(row.size),
                             row.sha256, parts))
    if len(entries) != 7:
        raise Problem(f"{folder / 'manifest.txt'} names {len(entries)} files, not seven")
    return entries


def without_epoch(version):
    return version.split(":", 1)[1] if ":" in version else version


class Sources:
    """Finds the unpacked Debian source packages: in the payload cache,
    where the payload build keeps them, or fetched with apt-get source, at the exact
    version, into `scratch`."""

    def __init__(self, payload_folder, scratch):
        self.cache = Path(payload_folder).resolve().parent.parent / "sources"
        self.scratch = Path(scratch)

    def tree(self, package, version):
        cached = self.cache / f"{package}_{without_epoch(version)}" / "tree"
        if (cached / "debian" / "copyright").is_file():
            return cached
        home = self.scratch / f"{package}_{without_epoch(version)}"
        if not home.is_dir():
            home.mkdir(parents=True)
            done = subprocess.run(["apt-get", "source", "--only-source", f"{package}={version}"],
                                  cwd=home, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                  text=True)
            if done.returncode != 0:
                raise Problem(f"apt-get source {package}={version} failed; its notices are "
                              f"needed for the release:\n{done.stdout[-2000:]}")
        trees = [p for p in home.iterdir() if p.is_dir()]
        if len(trees) != 1:
            raise Problem(f"apt-get source {package}={version} unpacked {len(trees)} folders")
        return trees[0]

    def notice_files(self, package, version):
        """[(title, path)]: debian/copyright and the upstream licence files of
        a source package."""
        entry = licences.DEBIAN[package]
        tree = self.tree(package, version)
        files = [("debian/copyright", tree / "debian" / "copyright")]
        for name in entry.upstream:
            if not (tree / name).is_file():
                raise Problem(f"{package} {version} has no {name}; review "
                              "python/vek/release/licences.py for this version")
            files.append((name, tree / name))
        return files
