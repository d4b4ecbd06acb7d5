"""python -m vek.payload.audit FOLDER (tools/payload/audit.sh): compares the
Debian source packages that the payload set in FOLDER was built from with
what the archive offers now, in any suite that apt is configured for (the security suite included), and prints one table:
each package, the version the set carries, the newest the archive offers
and, where the set is behind, the uploads it misses and the CVE identifiers
that their debian/changelog entries name.

Exit status: 0 when every package is current; 1 when any is behind or no
longer offered; 2 when the archive cannot be reached (said in one line: a
set is never called current on indexes that could not be brought up to
date) or FOLDER holds no set. apt's indexes are brought up to date first
(through sudo when not run as root), so a packager sees today's archive."""

import os
import re
import subprocess
import sys
import tempfile
from collections import namedtuple
from pathlib import Path

from vek.payload import build, manifest

# carried: the version in the set; newest: the archive's newest, or None when
# it offers none; uploads: how many uploads the set misses; cves: the CVE
# identifiers their changelog entries name (None when no changelog could be read).
Finding = namedtuple("Finding", "package carried newest uploads cves")


class Unreachable(Exception):
    pass


def sudo():
    return [] if os.geteuid() == 0 else ["sudo"]


def update_indexes():
    """Brings apt's indexes up to date. Raises Unreachable where the source
    indexes could not be fetched; an index of binary packages that a mirror
    serves half-synced is only said."""
    done = subprocess.run([*sudo(), "apt-get", "update", "-q"], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True)
    if done.returncode == 0:
        return
    failed = re.findall(r"^[EW]: Failed to fetch (\S+)\s*(.*)$", done.stdout, re.M)
    sources = [(url, why) for url, why in failed if "/source/" in url]
    if sources or not failed:
        errors = [line[3:] for line in done.stdout.splitlines() if line.startswith("E: ")]
        reason = f"{sources[0][0]} {sources[0][1]}".strip() if sources else \
            (errors[0] if errors else f"apt-get update exited {done.returncode}")
        raise Unreachable(reason)
    for url, why in failed:
        print(f"audit: apt could not fetch {url} ({why.strip()}); going on without it",
              file=sys.stderr)


def carried_packages(folder):
    """{Debian source package: version} of the set in `folder`, from its
    manifest, in the manifest's order."""
    sources = {step.source for step in build.STEPS if step.source}
    found = {}
    for row in manifest.rows(folder):
        for package, version in manifest.parts(row):
            if package in sources:
                found.setdefault(package, version)
    return found


def binaries(package, version):
    """The binary packages that the source `package` builds at `version`,
    as apt's source index lists them."""
    done = subprocess.run(["apt-cache", "showsrc", "--only-source", package],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    for stanza in done.stdout.split("\n\n"):
        fields = dict(re.findall(r"^(Version|Binary): (.*)$", stanza, re.M))
        if fields.get("Version") == version:
            return [b.strip() for b in fields.get("Binary", "").split(",") if b.strip()]
    return []


def changelog(package, version, scratch):
    """The debian/changelog of `package` at `version`, as a file: from the
    first of its binary packages that the archive serves and that carries
    it. None when none does."""
    for binary in binaries(package, version):
        folder = Path(tempfile.mkdtemp(dir=scratch))
        fetched = subprocess.run(["apt-get", "download", "-q", f"{binary}={version}"], cwd=folder,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        debs = list(folder.glob("*.deb"))
        if fetched.returncode != 0 or not debs:
            continue
        tree = folder / "tree"
        tree.mkdir()
        subprocess.run(f"dpkg-deb --fsys-tarfile '{debs[0]}' | tar -x -C '{tree}' "
                       "--wildcards './usr/share/doc/*/changelog.Debian.gz'", shell=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        found = [p for p in tree.glob("usr/share/doc/*/changelog.Debian.gz") if not p.is_symlink()]
        if found:
            text = subprocess.run(["gzip", "-dc", str(found[0])], stdout=subprocess.PIPE,
                                  check=True).stdout
            (folder / "changelog").write_bytes(text)
            return folder / "changelog"
    return None


def missed(package, carried, newest, scratch):
    """(uploads, CVE identifiers) of the changelog entries after `carried`
    up to `newest`; (None, None) when no changelog could be read."""
    log = changelog(package, newest, scratch)
    if not log:
        return None, None
    text = subprocess.run(["dpkg-parsechangelog", "-l", str(log), "--since", carried,
                           "--format", "rfc822"], stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, text=True).stdout
    uploads = len(re.findall(r"^Version: ", text, re.M))
    cves = list(dict.fromkeys(re.findall(r"CVE-\d{4}-\d{4,}", text)))
    return uploads, cves


def audit(folder):
    """[Finding] for each Debian source package of the set in `folder`.
    Raises Unreachable (the archive) or manifest.Unreadable (the set)."""
    carried = carried_packages(folder)
    update_indexes()
    findings = []
    with tempfile.TemporaryDirectory(prefix="vek-audit-") as scratch:
        for package, version in carried.items():
            offered = build.versions_offered(package)
            newest = offered[0] if offered else None
            if newest is None or build.compare_versions(version, newest) >= 0:
                findings.append(Finding(package, version, newest, 0, []))
                continue
            uploads, cves = missed(package, version, newest, scratch)
            findings.append(Finding(package, version, newest, uploads, cves))
    return findings


def behind(findings):
    """The findings that make the set not current."""
    return [f for f in findings if f.newest is None or f.uploads != 0]


def verdict(finding):
    if finding.newest is None:
        return "NOT OFFERED by the archive any more"
    if finding.uploads == 0:
        return "current"
    if finding.uploads is None:
        return "BEHIND (its changelog could not be read)"
    plural = "s" if finding.uploads > 1 else ""
    return (f"BEHIND by {finding.uploads} upload{plural}: "
            + (", ".join(finding.cves) if finding.cves else "no CVE named"))


def table(findings):
    """The findings as a text table, one line per package."""
    rows = [("package", "carried", "newest in the archive", "")]
    rows += [(f.package, f.carried, f.newest or "-", verdict(f)) for f in findings]
    widths = [max(len(row[i]) for row in rows) for i in range(3)]
    return "".join(("  ".join(cell.ljust(w) for cell, w in zip(row, widths)) + "  " + row[3])
                   .rstrip() + "\n" for row in rows)


def main(argv):
    if len(argv) != 2:
        print("usage: python -m vek.payload.audit FOLDER   (tools/payload/audit.sh audits the set the build gives)",
              file=sys.stderr)
        return 2
    try:
        findings = audit(argv[1])
    except manifest.Unreadable as problem:
        print(f"audit: {problem}", file=sys.stderr)
        return 2
    except Unreachable as reason:
        print(f"audit: the archive cannot be reached ({reason}); cannot tell whether the set "
              "is current")
        return 2
    sys.stdout.write(table(findings))
    late = behind(findings)
    if late:
        print(f"audit: {len(late)} of {len(findings)} packages behind the archive")
        return 1
    print(f"audit: all {len(findings)} packages current")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
