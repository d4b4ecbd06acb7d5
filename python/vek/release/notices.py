"""THIRD-PARTY-NOTICES.txt: the licence and copyright notices of every
library inside VekDll.exe, reproduced from their Debian packages
(debian/copyright and the upstream licence files, or the copyright file an
installed package carries), after a table of what is inside."""

import re
import textwrap
from pathlib import Path

from vek.release import licences, payloadset

RULE = "=" * 78


def normalised(text):
    """Text without layout, for telling whether one notice holds another."""
    return re.sub(r"\s+", " ", text).strip()


def excerpt(text, start, end, where):
    """The part of `text` from the line holding `start` to the one holding `end`."""
    begin = text.find(start)
    finish = text.find(end, begin)
    if begin < 0 or finish < 0:
        raise payloadset.Problem(f"{where} no longer holds {start!r}: review "
                                 "python/vek/release/licences.py")
    return text[text.rfind("\n", 0, begin) + 1:text.find("\n", finish) + 1]


def section(title, body_parts):
    lines = [RULE, title, RULE, ""]
    for heading, text in body_parts:
        lines += [f"--- {heading} ---", "", text.rstrip("\n"), ""]
    return "\n".join(lines) + "\n"


def row(name, description):
    """One line of the table, wrapped under its description."""
    return textwrap.fill(description, 78, initial_indent=f"  {name:<23} ",
                         subsequent_indent=" " * 26, break_on_hyphens=False)


def summary_line(entry):
    if entry.kind == "debian":
        origin = " + ".join(f"{p} {v}" for p, v in entry.parts)
        terms = " AND ".join(dict.fromkeys(licences.DEBIAN[p].licence for p, _ in entry.parts))
        return row(entry.name, f"{origin} [{terms}]")
    if entry.kind == "licensed":
        return row(entry.name, "the licensed copy supplied by the packager (not built here)")
    return row(entry.name, f"{licences.OWN[entry.package]}; no third-party code")


def text(product, entries, sources, behind=None):
    """The whole file as a string; `behind` as sbom.document takes it."""
    name, version = product["ProductName"], product["ProductVersion"]
    head = [f"{name} {version}: third-party notices", "",
            "VekDll.exe carries seven libraries, which it writes beside itself and into",
            "the Windows system folder:", ""]
    head += [summary_line(e) for e in entries]
    head += ["", "The MinGW-w64 compiler links its runtime into VekDll.exe and into every",
             "library built here:", ""]
    head += [row(part.name, part.summary) for part in licences.RUNTIME]
    if any(e.kind == "placeholder" for e in entries):
        head += ["", "midas.dll in this release is a PLACEHOLDER of ours, not the real library;",
                 "it stands in for the licensed midas.dll, which must replace it before the",
                 "release is distributed."]
    if any(e.kind == "licensed" for e in entries):
        head += ["", "midas.dll is the licensed copy supplied by the packager; its licence is the",
                 "one under which the packager obtained it and is not reproduced here."]
    if behind:
        head += [""] + textwrap.wrap(f"This release was {behind}.", 78, break_on_hyphens=False)
    head += ["", "The notices of each package follow, as its Debian package gives them.", ""]

    sections = []
    seen = set()
    for entry in entries:
        for package, package_version in entry.parts:
            if package in seen:
                continue
            seen.add(package)
            inside = ", ".join(e.name for e in entries if package in dict(e.parts))
            parts, held = [], ""
            for heading, path in sources.notice_files(package, package_version):
                body = Path(path).read_text(encoding="utf-8", errors="replace")
                # An upstream file whose text debian/copyright already holds
                # would only repeat it.
                if held and normalised(body) in held:
                    continue
                held += normalised(body)
                parts.append((heading, body))
            sections.append(section(f"{package} {package_version} (in {inside}): "
                                    f"{licences.DEBIAN[package].licence}", parts))
    for part in licences.RUNTIME:
        path = Path("/usr/share/doc") / part.binary / "copyright"
        body = path.read_text(encoding="utf-8", errors="replace")
        if part.excerpt:
            body = excerpt(body, *part.excerpt, where=path)
        installed = payloadset.installed_version(part.binary)
        terms = f": {part.licence}" if part.licence != "NOASSERTION" else ""
        sections.append(section(f"{part.name} (Debian package {part.binary} {installed}, "
                                f"in VekDll.exe and the libraries built here){terms}",
                                [(f"{path.name}" + (" (the runtime library exception)"
                                                    if part.excerpt else ""), body)]))
    return "\n".join(head) + "\n" + "\n".join(sections)
