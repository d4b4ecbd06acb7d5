"""python -m vek.release.release [OUTPUT]: builds VekDll.exe from a clean
build folder with the win32 preset and writes the release into OUTPUT
(default build/release/): VekDll.exe (Authenticode-signed, and each library
it carries but midas.dll signed before it is embedded, when VEK_SIGN_PKCS12
and VEK_SIGN_PASSWORD_FILE are set), VekDll.spdx.json,
THIRD-PARTY-NOTICES.txt and SHA256SUMS. tools/release.sh runs it after the
machine's set-up.

The files are made in a folder beside OUTPUT and moved into it only when all
four exist, so a failed release leaves OUTPUT as it was. SOURCE_DATE_EPOCH
(by default the last commit's time) dates the bill of materials; nothing
else in the release depends on the time or on the folder it is built in."""

import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

from vek import ROOT, pe
from vek.payload import audit
from vek.release import notices, payloadset, sbom, signing

BUILD = ROOT / "build" / "release-win32"
EXE = "VekDll.exe"
FILES = [EXE, "VekDll.spdx.json", "THIRD-PARTY-NOTICES.txt"]


class Failed(Exception):
    pass


def say(message):
    print(f"release: {message}", file=sys.stderr, flush=True)


def git(*args):
    done = subprocess.run(["git", *args], cwd=ROOT, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, text=True)
    return done.stdout.strip() if done.returncode == 0 else None


def source_date_epoch(env):
    value = env.get("SOURCE_DATE_EPOCH") or git("log", "-1", "--format=%ct")
    if not value or not value.isdigit():
        raise Failed("SOURCE_DATE_EPOCH is not set and there is no git commit to take the "
                     "time from; set it to the release's time in seconds since 1970")
    return int(value)


def placeholder_refused():
    return Failed("midas.dll would be our PLACEHOLDER, not the real library. Give the "
                  "licensed copy with VEK_MIDAS_DLL=/path/to/midas.dll, or set "
                  "VEK_ALLOW_PLACEHOLDER=1 for a release that is not for distribution "
                  "(its bill of materials and notices then say so)")


def behind_refused(what):
    return Failed(f"{what}. Build the set again once the archive serves the newer sources "
                  "(tools/payload/audit.sh shows what it offers), or set VEK_ALLOW_BEHIND=1 "
                  "for a release that knowingly carries them (its bill of materials and "
                  "notices then say so)")


def audit_set(folder, allowed):
    """Compares the set's Debian packages with the archive. None when all
    are current; otherwise, where `allowed`, what the documents must say
    the release carries; refused when not."""
    try:
        findings = audit.audit(folder)
    except audit.Unreachable as reason:
        what = f"the archive could not be reached ({reason}) to tell whether the set is current"
        if not allowed:
            raise behind_refused(f"The payload set is not audited: {what}") from None
        say(f"warning: {what}")
        return f"released without an audit of its libraries: {what}"
    sys.stderr.write(audit.table(findings))
    late = audit.behind(findings)
    if not late:
        return None
    what = "; ".join(f"{f.package} {f.carried} ({audit.verdict(f)}"
                     + (f", newest {f.newest})" if f.newest else ")") for f in late)
    if not allowed:
        raise behind_refused(f"The payload set is behind the Debian archive: {what}")
    say(f"warning: released behind the archive: {what}")
    return f"released behind the Debian archive: {what}"


def distro():
    """The purl distro qualifier of this machine's Debian, e.g. debian-12."""
    fields = {}
    for line in Path("/etc/os-release").read_text().splitlines():
        key, _, value = line.partition("=")
        fields[key] = value.strip('"')
    if fields.get("VERSION_ID"):
        return f"{fields.get('ID', 'debian')}-{fields['VERSION_ID']}"
    return fields.get("VERSION_CODENAME", "debian")


def build(env, payload=None):
    """Builds VekDll.exe with the win32 preset in a clean build folder, with
    the set that the payload build gives; with `payload`, builds it again in
    that folder with the set in `payload` embedded instead. Returns the
    payload folder that it embedded."""
    configure = ["cmake", "--preset", "win32", "-B", str(BUILD)]
    if payload:
        configure.append(f"-DVEK_PAYLOAD_DIR={payload}")
    else:
        shutil.rmtree(BUILD, ignore_errors=True)
    for args in (configure, ["cmake", "--build", str(BUILD), "--target", "VekDll"]):
        if subprocess.run(args, cwd=ROOT, env=env, stdout=sys.stderr).returncode != 0:
            raise Failed(f"the build failed: {' '.join(args)}")
    return Path((BUILD / "payload" / "folder.txt").read_text().strip())


def sign_payloads(signer, source, folder):
    """A copy of the set in `source` with each library signed, in `folder`,
    and its manifest giving the signed files' sizes and digests. midas.dll
    is copied as it is: the placeholder is not the licensed library and may
    not be signed as if it were, and a licensed copy is embedded as the
    packager gives it."""
    folder.mkdir(parents=True)
    lines = []
    for line in (source / "manifest.txt").read_text().splitlines():
        fields = line.split("\t")
        if line.startswith("#") or len(fields) < 5:
            lines.append(line)
            continue
        name = fields[0]
        if name == "midas.dll":
            shutil.copyfile(source / name, folder / name)
        else:
            described = pe.Image(source / name).version_strings().get("FileDescription", name)
            signer.sign(source / name, folder / name, described)
        fields[3:5] = [str((folder / name).stat().st_size), payloadset.sha256_file(folder / name)]
        lines.append("\t".join(fields))
    (folder / "manifest.txt").write_text("\n".join(lines) + "\n")
    return folder


def check_carried(exe, entries):
    """The executable's DLLFILE resources must be the seven files of the set,
    byte for byte: the bill of materials describes what is really inside."""
    carried = sorted(hashlib.sha256(data).hexdigest()
                     for data in pe.Image(exe).resources_of_type("DLLFILE").values())
    if carried != sorted(e.sha256 for e in entries):
        raise Failed(f"{exe} does not carry the seven files of its payload set")


def sums(folder):
    lines = [f"{payloadset.sha256_file(folder / name)}  {name}" for name in sorted(FILES)]
    (folder / "SHA256SUMS").write_text("\n".join(lines) + "\n")


def make(output, env):
    allowed = env.get("VEK_ALLOW_PLACEHOLDER") == "1"
    epoch = source_date_epoch(env)
    if not env.get("VEK_MIDAS_DLL") and not allowed:
        raise placeholder_refused()
    signer = signing.from_environment(env)
    if git("status", "--porcelain", "--untracked-files=no"):
        say(f"warning: the working tree has changes not committed; this release is not "
            f"that of commit {git('rev-parse', '--short', 'HEAD')}")

    env = dict(env, SOURCE_DATE_EPOCH=str(epoch), TZ="UTC", LC_ALL="C")
    folder = build(env)
    entries = payloadset.read(folder)
    placeholder = any(e.kind == "placeholder" for e in entries)
    if placeholder and not allowed:
        raise placeholder_refused()
    behind = audit_set(folder, env.get("VEK_ALLOW_BEHIND") == "1")
    if signer:
        # The libraries are signed before they are embedded: the executable
        # carries, and the bill of materials describes, the signed bytes.
        build(env, sign_payloads(signer, folder, BUILD / "signed-payload"))
        entries = payloadset.read(BUILD / "signed-payload")
    unsigned = BUILD / EXE
    check_carried(unsigned, entries)
    product = pe.Image(unsigned).version_strings()

    output.parent.mkdir(parents=True, exist_ok=True)
    staging = Path(tempfile.mkdtemp(prefix=f".{output.name}.", dir=output.parent))
    try:
        if signer:
            signer.sign(unsigned, staging / EXE, product["ProductName"])
            check_carried(staging / EXE, entries)
        else:
            shutil.copyfile(unsigned, staging / EXE)
        digest = payloadset.sha256_file(staging / EXE)
        sbom.write(staging / "VekDll.spdx.json",
                   sbom.document(EXE, digest, product, entries, epoch, bool(signer), distro(),
                                 behind))
        text = notices.text(product, entries, payloadset.Sources(folder, staging / "sources"),
                            behind)
        (staging / "THIRD-PARTY-NOTICES.txt").write_text(text, encoding="utf-8")
        sums(staging)
        # On the disk before their names appear in the output folder: a power
        # cut never leaves a release whose files are named but not written.
        os.sync()
        output.mkdir(parents=True, exist_ok=True)
        for name in [*FILES, "SHA256SUMS"]:
            os.replace(staging / name, output / name)
    finally:
        shutil.rmtree(staging, ignore_errors=True)

    say(f"{output}: {', '.join([*FILES, 'SHA256SUMS'])}")
    say(f"VekDll.exe and the libraries it carries (but midas.dll) are signed by {signer.subject}"
        if signer else "VekDll.exe and its libraries are NOT signed (set VEK_SIGN_PKCS12 and "
        "VEK_SIGN_PASSWORD_FILE to sign them)")
    if placeholder:
        say("warning: midas.dll is our PLACEHOLDER; this release is not for distribution")
    if behind:
        say(f"warning: this release was {behind}")


def main(argv):
    if len(argv) > 2:
        say("usage: tools/release.sh [OUTPUT]   (default build/release/)")
        return 2
    output = Path(argv[1] if len(argv) == 2 else ROOT / "build" / "release").absolute()
    if output == BUILD or BUILD in output.parents:
        say(f"the output folder may not lie inside the build folder {BUILD}, which each "
            "release removes")
        return 2
    if output.exists() and not output.is_dir():
        say(f"{output} is not a folder")
        return 2
    try:
        make(output, dict(os.environ))
    except (Failed, signing.Refused, payloadset.Problem, pe.NotPE) as problem:
        say(f"FAILED: {problem}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
