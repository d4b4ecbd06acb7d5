"""The release tests' laboratory: clean clones of the source tree, runs of
tools/release.sh in them, a throwaway certificate authority with a
code-signing certificate (and one that may not sign code) made by openssl,
and a time-stamping service of that authority on the loopback address."""

import http.server
import json
import os
import shutil
import subprocess
import threading
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
PASSWORD = "correct horse battery staple"

# The release refuses the placeholder midas.dll unless told it is for
# testing, and a set behind the Debian archive (which the tests do not judge:
# a mirror may lag behind its own indexes) unless told to carry it.
TESTING = {"VEK_ALLOW_PLACEHOLDER": "1", "VEK_ALLOW_BEHIND": "1"}


def run(args, cwd=None, env=None, timeout=600, check=True):
    """Runs a command with its output captured as text."""
    done = subprocess.run(args, cwd=cwd, env=env, timeout=timeout, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                          errors="replace")
    if check and done.returncode != 0:
        raise AssertionError(f"{' '.join(map(str, args))} failed ({done.returncode}):\n"
                             f"{done.stdout[-3000:]}\n{done.stderr[-3000:]}")
    return done


def snapshot():
    """The commit to release: HEAD, or, when the tree has changes not yet
    committed, a commit of them that no branch points at, so that the test
    releases the code it is run against."""
    stashed = run(["git", "stash", "create"], cwd=ROOT).stdout.strip()
    return stashed or run(["git", "rev-parse", "HEAD"], cwd=ROOT).stdout.strip()


def clone(commit, folder):
    """A clean clone of the source tree at `commit` in `folder`."""
    run(["git", "clone", "--quiet", "--no-checkout", str(ROOT), str(folder)])
    run(["git", "fetch", "--quiet", str(ROOT), commit], cwd=folder)
    run(["git", "checkout", "--quiet", "--detach", commit], cwd=folder)
    return folder


def environment(**extra):
    """The caller's environment without any release setting of its own."""
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("VEK_SIGN_", "VEK_MIDAS", "VEK_ALLOW", "VEK_PAYLOAD"))
           and k != "SOURCE_DATE_EPOCH"}
    env.update(extra)
    return env


def release(tree, output=None, check=True, **env):
    """Runs tools/release.sh of `tree`; returns the finished process."""
    args = [str(Path(tree) / "tools" / "release.sh")] + ([str(output)] if output else [])
    return run(args, cwd=tree, env=environment(**env), check=check)


def sbom(folder):
    return json.loads((Path(folder) / "VekDll.spdx.json").read_text(encoding="utf-8"))


def payload_folder(tree):
    """The payload set the tree's release build embedded."""
    return Path((Path(tree) / "build" / "release-win32" / "payload" / "folder.txt")
                .read_text().strip())


# ---------------------------------------------------------------- certificates

EXTENSIONS = """
[ca]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[codesigning]
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = codeSigning
[server]
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
[timestamping]
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = critical,timeStamping
"""


class Authority:
    """A throwaway CA in `folder`: ca.pem, and for each kind of certificate
    NAME.pem, NAME.key and NAME.p12 (its key and chain, under PASSWORD)."""

    def __init__(self, folder):
        self.folder = Path(folder)
        self.folder.mkdir(parents=True, exist_ok=True)
        (self.folder / "extensions.cnf").write_text(EXTENSIONS)
        self.password_file = self.folder / "password.txt"
        self.password_file.write_text(PASSWORD + "\n")
        self.password_file.chmod(0o600)
        self.openssl("req", "-x509", "-new", "-newkey", "rsa:2048", "-noenc", "-days", "3",
                     "-subj", "/CN=VekDll Test Root CA", "-keyout", "ca.key", "-out", "ca.pem",
                     "-extensions", "ca", "-config", self._req_config())
        self.ca = self.folder / "ca.pem"

    def _req_config(self):
        config = self.folder / "req.cnf"
        config.write_text("[req]\ndistinguished_name = dn\n[dn]\n" + EXTENSIONS)
        return str(config)

    def openssl(self, *args):
        run(["openssl", *args], cwd=self.folder)

    def issue(self, name, kind, subject):
        """Issues a certificate with the extensions `kind`; returns its .p12."""
        self.openssl("req", "-new", "-newkey", "rsa:2048", "-noenc", "-subj", f"/CN={subject}",
                     "-keyout", f"{name}.key", "-out", f"{name}.csr")
        self.openssl("x509", "-req", "-in", f"{name}.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                     "-CAcreateserial", "-days", "2", "-out", f"{name}.pem",
                     "-extfile", "extensions.cnf", "-extensions", kind)
        self.openssl("pkcs12", "-export", "-in", f"{name}.pem", "-inkey", f"{name}.key",
                     "-certfile", "ca.pem", "-name", subject, "-out", f"{name}.p12",
                     "-passout", f"file:{self.password_file}")
        return self.folder / f"{name}.p12"


class TimeStampService:
    """An RFC 3161 time-stamping service of the authority, answering with
    `openssl ts -reply` on a free port of 127.0.0.1 until closed."""

    def __init__(self, authority):
        self.folder = authority.folder
        authority.issue("tsa", "timestamping", "VekDll Test Time Stamping")
        (self.folder / "tsaserial").write_text("01\n")
        self.config = self.folder / "tsa.cnf"
        self.config.write_text(f"""[tsa]
default_tsa = tsa_config
[tsa_config]
dir = {self.folder}
serial = $dir/tsaserial
crypto_device = builtin
signer_cert = $dir/tsa.pem
certs = $dir/ca.pem
signer_key = $dir/tsa.key
signer_digest = sha256
default_policy = 1.3.6.1.4.1.4146.2.3
digests = sha1, sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = yes
ess_cert_id_chain = no
ess_cert_id_alg = sha256
""")
        self.requests = 0
        service = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                query = service.folder / "query.tsq"
                query.write_bytes(self.rfile.read(int(self.headers["Content-Length"])))
                reply = service.folder / "reply.tsr"
                done = subprocess.run(["openssl", "ts", "-reply", "-config", str(service.config),
                                       "-queryfile", str(query), "-out", str(reply)],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                service.requests += 1
                if done.returncode != 0:
                    self.send_error(500)
                    return
                body = reply.read_bytes()
                self.send_response(200)
                self.send_header("Content-Type", "application/timestamp-reply")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}/"
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def remove(folder):
    shutil.rmtree(folder, ignore_errors=True)
