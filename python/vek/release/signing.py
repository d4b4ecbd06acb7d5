"""Authenticode signing of the release with Debian's osslsigncode, from a
PKCS#12 file whose password is read from a file: a password never appears on
a command line, where any user of the machine could read it.

The certificate is checked before anything is built, so that a wrong
password or a certificate that may not sign code fails the release at once;
signing writes to a temporary file that replaces the output only when
osslsigncode has succeeded, so a failure leaves no half-signed file."""

import os
import subprocess
from pathlib import Path


class Refused(Exception):
    pass


def run(args, **kwargs):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                          errors="replace", **kwargs)


class Signer:
    def __init__(self, pkcs12, password_file, timestamp_url=None):
        self.pkcs12 = Path(pkcs12)
        self.password_file = Path(password_file)
        self.timestamp_url = timestamp_url or None
        self.subject = None

    def check(self):
        """Opens the PKCS#12 file and checks its certificate; sets `subject`.
        Raises Refused with the reason."""
        for what, path in (("VEK_SIGN_PKCS12", self.pkcs12),
                           ("VEK_SIGN_PASSWORD_FILE", self.password_file)):
            if not path.is_file() or not os.access(path, os.R_OK):
                raise Refused(f"{what} names {path}, which is not a readable file")
        opened = run(["openssl", "pkcs12", "-in", str(self.pkcs12), "-nokeys", "-clcerts",
                      "-passin", f"file:{self.password_file}"])
        if opened.returncode != 0 or "BEGIN CERTIFICATE" not in opened.stdout:
            raise Refused(f"cannot open {self.pkcs12} with the password in "
                          f"{self.password_file}: wrong password, or not a PKCS#12 file "
                          f"({last_line(opened.stderr)})")
        certificate = opened.stdout[opened.stdout.index("-----BEGIN CERTIFICATE-----"):]
        certificate = certificate[:certificate.index("-----END CERTIFICATE-----") + 25] + "\n"
        self.subject = run(["openssl", "x509", "-noout", "-subject", "-nameopt", "oneline"],
                           input=certificate).stdout.strip().removeprefix("subject=").strip()
        usage = run(["openssl", "x509", "-noout", "-ext", "extendedKeyUsage,keyUsage"],
                    input=certificate).stdout
        if "Code Signing" not in usage:
            found = usage.split("Extended Key Usage:", 1)[1].split("\n")[1].strip() \
                if "Extended Key Usage:" in usage else "no extended key usage at all"
            raise Refused(f"the certificate in {self.pkcs12} ({self.subject}) is not for "
                          f"code signing: its extended key usage is {found}, without "
                          "Code Signing")
        if "Key Usage:" in usage.replace("Extended Key Usage:", "") and \
                "Digital Signature" not in usage:
            raise Refused(f"the certificate in {self.pkcs12} ({self.subject}) may not make "
                          "digital signatures (its key usage lacks Digital Signature)")
        if run(["openssl", "x509", "-noout", "-checkend", "0"], input=certificate).returncode:
            raise Refused(f"the certificate in {self.pkcs12} ({self.subject}) has expired")

    def sign(self, unsigned, signed, description):
        """Writes `signed`, an Authenticode-signed (SHA-256) copy of
        `unsigned` whose signature carries `description`; with a timestamp
        URL, RFC 3161 time-stamped too. On failure raises Refused and leaves
        `signed` as it was."""
        partial = Path(signed).with_name(Path(signed).name + ".signing")
        partial.unlink(missing_ok=True)
        args = ["osslsigncode", "sign", "-pkcs12", str(self.pkcs12),
                "-readpass", str(self.password_file), "-h", "sha256", "-n", description]
        if self.timestamp_url:
            args += ["-ts", self.timestamp_url]
        done = run([*args, "-in", str(unsigned), "-out", str(partial)], stdin=subprocess.DEVNULL)
        if done.returncode != 0 or not partial.is_file():
            partial.unlink(missing_ok=True)
            reason = (done.stdout + done.stderr).strip()
            hint = (f"; is the time-stamping service at {self.timestamp_url} reachable?"
                    if self.timestamp_url else "")
            raise Refused(f"osslsigncode could not sign {Path(unsigned).name}{hint}\n{reason}")
        os.replace(partial, signed)


def last_line(text):
    lines = [line for line in text.strip().splitlines() if line.strip()]
    return lines[-1] if lines else "no message"


def from_environment(env):
    """The Signer the environment asks for, checked; None when it asks for
    none. Raises Refused when it asks for signing in a way that cannot work."""
    pkcs12 = env.get("VEK_SIGN_PKCS12", "")
    password = env.get("VEK_SIGN_PASSWORD_FILE", "")
    timestamp = env.get("VEK_SIGN_TIMESTAMP_URL", "")
    if not pkcs12 and not password:
        if timestamp:
            raise Refused("VEK_SIGN_TIMESTAMP_URL is set but VEK_SIGN_PKCS12 is not: "
                          "there is no signature to time-stamp")
        return None
    if not password:
        raise Refused("VEK_SIGN_PKCS12 is set but VEK_SIGN_PASSWORD_FILE is not: name a file "
                      "that holds the password (a password is never given on a command line)")
    if not pkcs12:
        raise Refused("VEK_SIGN_PASSWORD_FILE is set but VEK_SIGN_PKCS12 is not: name the "
                      ".p12/.pfx file to sign with")
    signer = Signer(pkcs12, password, timestamp)
    signer.check()
    return signer
