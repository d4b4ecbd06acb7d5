"""Releases that tools/release.sh refuses, before anything is built: the
placeholder midas.dll without VEK_ALLOW_PLACEHOLDER, a wrong password, a
certificate that may not sign code, half a signing set-up. Each fails with
its reason, never shows the password, and leaves the output folder as it
was. And a signature that fails at the signing step itself (its
time-stamping service unreachable) leaves no half-signed file."""

import socket
import tempfile
import unittest
from pathlib import Path

import releaselab
from releaselab import PASSWORD, ROOT, Authority, release, run
from vek.release import signing

OLD_RELEASE = {"VekDll.exe": b"the previous release", "SHA256SUMS": b"its sums\n"}


def closed_port():
    """A loopback port nobody listens on."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Refusals(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.tmp = Path(tempfile.mkdtemp(prefix="vek-release-refusals-"))
        cls.authority = Authority(cls.tmp / "authority")
        cls.signer = cls.authority.issue("signer", "codesigning", "VekDll Test Signer")
        cls.server = cls.authority.issue("server", "server", "VekDll Test Web Server")
        cls.wrong = cls.tmp / "wrong-password.txt"
        cls.wrong.write_text("not the password\n")

    @classmethod
    def tearDownClass(cls):
        releaselab.remove(cls.tmp)

    def test_refused_releases_say_why_and_leave_the_output_as_it_was(self):
        password = str(self.authority.password_file)
        cases = [  # (case, environment, what the message must say)
            ("placeholder midas.dll", {},
             ["PLACEHOLDER", "VEK_MIDAS_DLL", "VEK_ALLOW_PLACEHOLDER=1"]),
            ("wrong password", dict(VEK_SIGN_PKCS12=str(self.signer),
                                    VEK_SIGN_PASSWORD_FILE=str(self.wrong)),
             ["wrong password", str(self.signer)]),
            ("server certificate", dict(VEK_SIGN_PKCS12=str(self.server),
                                        VEK_SIGN_PASSWORD_FILE=password),
             ["not for code signing", "TLS Web Server Authentication", "VekDll Test Web Server"]),
            ("no password file", dict(VEK_SIGN_PKCS12=str(self.signer)),
             ["VEK_SIGN_PASSWORD_FILE is not"]),
            ("missing password file", dict(VEK_SIGN_PKCS12=str(self.signer),
                                           VEK_SIGN_PASSWORD_FILE=str(self.tmp / "none.txt")),
             ["not a readable file"]),
            ("not a PKCS#12 file", dict(VEK_SIGN_PKCS12=str(self.authority.ca),
                                        VEK_SIGN_PASSWORD_FILE=password),
             ["not a PKCS#12 file"]),
            ("timestamp without a certificate", dict(VEK_SIGN_TIMESTAMP_URL="http://127.0.0.1/"),
             ["VEK_SIGN_PKCS12 is not"]),
        ]
        for case, env, said in cases:
            with self.subTest(case):
                parent = self.tmp / case.replace(" ", "-").replace("#", "")
                output = parent / "release"
                output.mkdir(parents=True)
                for name, data in OLD_RELEASE.items():
                    (output / name).write_bytes(data)
                if case != "placeholder midas.dll":
                    env = dict(env, VEK_ALLOW_PLACEHOLDER="1")
                done = release(ROOT, output, check=False, **env)
                self.assertNotEqual(0, done.returncode)
                message = done.stderr
                self.assertIn("release: FAILED", message)
                for text in said:
                    self.assertIn(text, message)
                self.assertNotIn(PASSWORD, done.stdout + message)
                self.assertEqual(OLD_RELEASE, {p.name: p.read_bytes() for p in output.iterdir()})
                self.assertEqual(["release"], [p.name for p in parent.iterdir()])

    def test_a_signature_that_fails_leaves_no_half_signed_file(self):
        unsigned = self.tmp / "tiny.exe"
        (self.tmp / "tiny.c").write_text("int main(void) { return 0; }\n")
        run(["i686-w64-mingw32-gcc-win32", "-s", "-o", str(unsigned), str(self.tmp / "tiny.c")])
        output = self.tmp / "signed"
        output.mkdir()
        (output / "VekDll.exe").write_bytes(b"the previous release")
        signer = signing.Signer(self.signer, self.authority.password_file,
                                f"http://127.0.0.1:{closed_port()}/")
        signer.check()
        with self.assertRaises(signing.Refused) as refused:
            signer.sign(unsigned, output / "VekDll.exe", "VEK DLLS")
        self.assertIn("time-stamping service", str(refused.exception))
        self.assertEqual(["VekDll.exe"], [p.name for p in output.iterdir()])
        self.assertEqual(b"the previous release", (output / "VekDll.exe").read_bytes())


if __name__ == "__main__":
    unittest.main()
