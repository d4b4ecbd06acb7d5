"""Signing with PKCS#12 files through the installed set under Wine, with
xmlsec's own xmlsec1.exe built from the same source: files protected the
legacy way (RC2-40, as older Windows and many certificate authorities
still write them) and the modern way, all made at test time by the native
openssl. Each signs, the signature verifies with the same file and, by the
native xmlsec1, with the certificate; a changed document and a wrong
password are refused."""

import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

import payloadlab

PASSWORD = "Secret-1"

# Name, the protection, and openssl pkcs12 -export's options for it.
KEY_FILES = [
    ("legacy", "3DES keys, RC2-40 certificates (-legacy)", ["-legacy"]),
    ("rc2-40", "RC2-40 keys and certificates",
     ["-legacy", "-keypbe", "PBE-SHA1-RC2-40", "-certpbe", "PBE-SHA1-RC2-40"]),
    ("modern", "AES-256 and a SHA-256 MAC (OpenSSL 3's default)", []),
]

TEMPLATE = """<?xml version="1.0" encoding="UTF-8"?>
<Order xmlns="urn:example:order"><Item count="2">Grüße</Item>
<Signature xmlns="http://www.w3.org/2000/09/xmldsig#"><SignedInfo>
<CanonicalizationMethod Algorithm="http://www.w3.org/TR/2001/REC-xml-c14n-20010315"/>
<SignatureMethod Algorithm="http://www.w3.org/2001/04/xmldsig-more#rsa-sha256"/>
<Reference URI=""><Transforms>
<Transform Algorithm="http://www.w3.org/2000/09/xmldsig#enveloped-signature"/></Transforms>
<DigestMethod Algorithm="http://www.w3.org/2001/04/xmlenc#sha256"/><DigestValue/></Reference>
</SignedInfo><SignatureValue/><KeyInfo><X509Data/></KeyInfo></Signature></Order>
"""


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, capture_output=True)


class XmlsecKeyFileTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        payload = payloadlab.payload_dir()
        if not shutil.which("openssl") or not shutil.which("xmlsec1"):
            raise AssertionError("openssl and xmlsec1 are missing: run tools/setup-debian.sh")
        cls.exe = payloadlab.client(payload, "xmlsec1.exe")
        cls.lab = payloadlab.prefix()
        cls.work = Path(tempfile.mkdtemp(prefix="keys-", dir=cls.lab.drive_c))
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30", "-subj",
                "/CN=VekDll test signer", "-keyout", "key.pem", "-out", "cert.pem", cwd=cls.work)
        for name, _, options in KEY_FILES:
            openssl("pkcs12", "-export", *options, "-inkey", "key.pem", "-in", "cert.pem",
                    "-passout", "pass:" + PASSWORD, "-out", name + ".p12", cwd=cls.work)
        (cls.work / "template.xml").write_text(TEMPLATE, encoding="utf-8")

    def xmlsec(self, *args):
        """xmlsec1.exe under Wine, file arguments given relative to the work folder."""
        windows = [self.lab.windows_path(self.work / a) if (self.work / a).exists() or a.endswith(".xml")
                   else a for a in args]
        result = self.lab.wine(str(self.exe), *windows, timeout=600, check=False)
        return result.returncode, (result.stdout + result.stderr).decode(errors="replace")

    def test_key_files_sign_and_verify(self):
        for name, protection, _ in KEY_FILES:
            with self.subTest(name, protection=protection):
                signed = f"signed-{name}.xml"
                code, output = self.xmlsec("sign", "--pkcs12", name + ".p12", "--pwd", PASSWORD,
                                           "--output", signed, "template.xml")
                self.assertEqual(code, 0, output)
                self.assertIn("<X509Certificate>", (self.work / signed).read_text())
                code, output = self.xmlsec("verify", "--pkcs12", name + ".p12", "--pwd", PASSWORD,
                                           signed)
                self.assertEqual(code, 0, output)
                native = subprocess.run(["xmlsec1", "verify", "--pubkey-cert-pem", "cert.pem",
                                         signed], cwd=self.work, capture_output=True, text=True)
                self.assertEqual(native.returncode, 0, native.stderr)

    def test_changed_document_and_wrong_password_are_refused(self):
        for name, _, _ in KEY_FILES:
            with self.subTest(name):
                code, output = self.xmlsec("sign", "--pkcs12", name + ".p12", "--pwd", "wrong",
                                           "--output", f"unsigned-{name}.xml", "template.xml")
                self.assertNotEqual(code, 0, output)
                signed = self.work / f"signed-{name}.xml"
                if not signed.exists():
                    self.xmlsec("sign", "--pkcs12", name + ".p12", "--pwd", PASSWORD,
                                "--output", signed.name, "template.xml")
                changed = self.work / f"changed-{name}.xml"
                changed.write_text(signed.read_text(encoding="utf-8").replace(
                    'count="2"', 'count="9"'), encoding="utf-8")
                code, output = self.xmlsec("verify", "--pkcs12", name + ".p12", "--pwd", PASSWORD,
                                           changed.name)
                self.assertNotEqual(code, 0, output)


if __name__ == "__main__":
    unittest.main()
