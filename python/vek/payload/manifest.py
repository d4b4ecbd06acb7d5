"""The manifest.txt that the payload build writes beside the seven files of
a set: one row per file (file, package, version, size, SHA-256, and the
version its version resource gives, tab-separated), then comment rows. A file made of several packages names them joined by
"+", and their versions likewise ("xmlsec1+openssl", "1.2.37-2+3.0.20-1")."""

import itertools
from collections import namedtuple
from pathlib import Path

Row = namedtuple("Row", "name package version size sha256 file_version", defaults=["-"])


class Unreadable(Exception):
    pass


def rows(folder):
    """The manifest's rows, in its order. Raises Unreadable when the folder
    has none."""
    path = Path(folder) / "manifest.txt"
    if not path.is_file():
        raise Unreadable(f"{folder} has no manifest.txt: it is not a set that "
                         "tools/payload/build.sh built")
    return [Row(*line.split("\t")) for line in path.read_text().splitlines()
            if line.strip() and not line.startswith("#")]


def parts(row):
    """[(package, version)] of a row: each package it is made of, with its version."""
    packages = row.package.split("+")
    return list(zip(packages, split_versions(row.version, len(packages))))


def split_versions(field, count):
    """The `count` versions joined by "+" in `field`. Debian versions hold
    "+" themselves ("1.2.13+dfsg-1"), but each one begins with a digit, so
    the cut that gives only such parts is the one."""
    if count == 1:
        return [field]
    cuts = [i for i, c in enumerate(field) if c == "+"]
    found = []
    for chosen in itertools.combinations(cuts, count - 1):
        bounds = [-1, *chosen, len(field)]
        pieces = [field[a + 1:b] for a, b in zip(bounds, bounds[1:])]
        if all(p[:1].isdigit() for p in pieces):
            found.append(pieces)
    if len(found) != 1:
        raise Unreadable(f"cannot tell the {count} versions apart in {field!r}")
    return found[0]
