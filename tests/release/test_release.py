"""Releases made by tools/release.sh from two clean clones of the source tree
in different folders: byte-identical when unsigned; their SHA256SUMS, bill
of materials and notices checked against the files; and a signed,
time-stamped release whose executable and libraries (but midas.dll) verify
against the test authority, each library differing from the unsigned one by
its signature alone, and which still installs under Wine.

Three clean builds (the payload set comes from its cache): about a minute
each here."""

import hashlib
import json
import re
import shutil
import tempfile
import time
import unittest
from pathlib import Path

import releaselab
from releaselab import TESTING, Authority, TimeStampService, clone, release, run, sbom

from vek import harness, pe

FILES = ["VekDll.exe", "VekDll.spdx.json", "THIRD-PARTY-NOTICES.txt", "SHA256SUMS"]
LICENCE_IDS = set(json.loads(Path("/usr/share/nodejs/spdx-license-ids/index.json").read_text()))
EXCEPTION_IDS = set(json.loads(Path("/usr/share/nodejs/spdx-exceptions/index.json").read_text()))


def digest(data):
    return hashlib.sha256(data).hexdigest()


def carried_payloads(image):
    """The payloads that the executable `image` carries, by file name, as the
    build named their resources (harness.json; the linker keeps names in
    capitals)."""
    carried = image.resources_of_type(harness.FACTS["resource_type"])
    return {payload["file"]: carried[payload["resource"].upper()]
            for payload in harness.FACTS["payloads"]}


def signed_copy_of(signed, unsigned):
    """Whether the PE file `signed` is the bytes `unsigned` with an
    Authenticode signature added: signing pads the file to eight bytes,
    appends the certificate table and sets only the header's checksum and
    the table's directory entry."""
    image = pe.Image(signed)
    offset, size = image.signature()
    data = bytearray(image.data[:offset])
    for field, length in ((image.checksum_offset, 4),
                          (image.directory_offset(pe.DIRECTORY_SECURITY), 8)):
        data[field:field + length] = unsigned[field:field + length]
    return data[:len(unsigned)] == unsigned and not any(data[len(unsigned):])


def licence_problems(expression):
    """What makes `expression` no valid SPDX licence expression, if anything."""
    if expression in ("NOASSERTION", "NONE"):
        return []
    tokens = re.findall(r"\(|\)|[^\s()]+", expression)
    problems, depth = [], 0
    for before, token in zip([None] + tokens, tokens):
        depth += {"(": 1, ")": -1}.get(token, 0)
        if token in ("(", ")", "AND", "OR", "WITH") or depth < 0:
            continue
        known = EXCEPTION_IDS if before == "WITH" else LICENCE_IDS
        if token not in known and not token.startswith("LicenseRef-"):
            problems.append(token)
    return problems + (["unbalanced parentheses"] if depth else [])


class Release(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.tmp = Path(tempfile.mkdtemp(prefix="vek-release-"))
        commit = releaselab.snapshot()
        cls.first = clone(commit, cls.tmp / "first")
        cls.second = clone(commit, cls.tmp / "elsewhere" / "deeper" / "second")
        cls.authority = Authority(cls.tmp / "authority")
        signer = cls.authority.issue("signer", "codesigning", "VekDll Test Signer")
        cls.tsa = TimeStampService(cls.authority)

        cls.unsigned = cls.tmp / "release-first"
        release(cls.first, cls.unsigned, **TESTING)
        cls.unsigned_again = cls.second / "build" / "release"  # the default folder
        release(cls.second, **TESTING)
        cls.signed = cls.tmp / "release-signed"
        cls.signing = release(cls.second, cls.signed, VEK_SIGN_PKCS12=str(signer),
                              VEK_SIGN_PASSWORD_FILE=str(cls.authority.password_file),
                              VEK_SIGN_TIMESTAMP_URL=cls.tsa.url, no_proxy="127.0.0.1", **TESTING)
        # The set each release embedded: the signed release was the second
        # clone's last.
        cls.payloads = releaselab.payload_folder(cls.first)
        cls.signed_payloads = releaselab.payload_folder(cls.second)

    @classmethod
    def tearDownClass(cls):
        cls.tsa.close()
        releaselab.remove(cls.tmp)

    def test_two_clean_clones_give_byte_identical_releases(self):
        for name in FILES:
            self.assertEqual((self.unsigned / name).read_bytes(),
                             (self.unsigned_again / name).read_bytes(), name)
        commit_time = int(run(["git", "log", "-1", "--format=%ct"], cwd=self.first).stdout)
        self.assertEqual(time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(commit_time)),
                         sbom(self.unsigned)["creationInfo"]["created"])

    def test_sha256sums_check_the_three_other_files(self):
        for folder in (self.unsigned, self.signed):
            checked = run(["sha256sum", "-c", "SHA256SUMS"], cwd=folder).stdout
            self.assertEqual(sorted(f"{name}: OK" for name in FILES[:3]),
                             sorted(checked.splitlines()), folder)

    def test_the_bill_of_materials_names_the_eight_files_as_they_are(self):
        for folder, payloads, signature in (
                (self.unsigned, self.payloads, "not signed"),
                (self.signed, self.signed_payloads, "signed with Authenticode")):
            doc = sbom(folder)
            self.assertEqual(("SPDX-2.3", "CC0-1.0"), (doc["spdxVersion"], doc["dataLicense"]))
            by_file = {p["packageFileName"]: p for p in doc["packages"] if "packageFileName" in p}
            self.assertEqual({"VekDll.exe", *harness.PAYLOADS}, set(by_file))
            exe = (folder / "VekDll.exe").read_bytes()
            carried = carried_payloads(pe.Image(folder / "VekDll.exe"))
            self.assertEqual([digest(exe)], [c["checksumValue"]
                                             for c in by_file["VekDll.exe"]["checksums"]])
            self.assertIn(signature, by_file["VekDll.exe"]["comment"])
            for name in harness.PAYLOADS:
                recorded = by_file[name]["checksums"][0]["checksumValue"]
                self.assertEqual(digest((payloads / name).read_bytes()), recorded, name)
                self.assertEqual(digest(carried[name]), recorded, name)

            ids = {p["SPDXID"] for p in doc["packages"]} | {"SPDXRef-DOCUMENT"}
            related = {(r["spdxElementId"], r["relationshipType"], r["relatedSpdxElement"])
                       for r in doc["relationships"]}
            self.assertEqual(set(), {r for r in related if not {r[0], r[2]} <= ids})
            exe_id = by_file["VekDll.exe"]["SPDXID"]
            self.assertIn(("SPDXRef-DOCUMENT", "DESCRIBES", exe_id), related)
            self.assertEqual({by_file[n]["SPDXID"] for n in harness.PAYLOADS},
                             {r[2] for r in related if r[:2] == (exe_id, "CONTAINS")})
            for package in doc["packages"]:
                for field in ("licenseDeclared", "licenseConcluded"):
                    self.assertEqual([], licence_problems(package[field]),
                                     f"{package['name']} {field}")

    def test_each_library_names_its_package_version_licence_and_origin(self):
        doc = sbom(self.unsigned)
        by_file = {p.get("packageFileName"): p for p in doc["packages"]}
        expected = {  # file: (Debian packages in its purls, licence)
            "libxml2.dll": (["libxml2"], "MIT AND ISC"),
            "libxslt.dll": (["libxslt"], "MIT"),
            "libxmlsec.dll": (["xmlsec1"], "MIT"),
            "libxmlsec-openssl.dll": (["xmlsec1", "openssl"], "MIT AND Apache-2.0"),
            "zlib1.dll": (["zlib"], "Zlib"),
            "iconv.dll": ([], "NOASSERTION"),
            "midas.dll": ([], "NOASSERTION"),
        }
        manifest = {line.split("\t")[0]: line.split("\t")[2] for line in
                    (self.payloads / "manifest.txt").read_text().splitlines()
                    if not line.startswith("#")}
        for name, (packages, licence) in expected.items():
            package = by_file[name]
            purls = [r["referenceLocator"] for r in package.get("externalRefs", [])]
            self.assertEqual(packages, [re.match(r"pkg:deb/debian/([^@]+)@", p).group(1)
                                        for p in purls], name)
            self.assertEqual(licence, package["licenseDeclared"], name)
            self.assertTrue(manifest[name].startswith(package["versionInfo"]), name)
            if packages:
                self.assertIn("arch=source", purls[-1])
        self.assertIn("PLACEHOLDER", by_file["midas.dll"]["comment"])
        self.assertIn("PLACEHOLDER", doc["comment"])
        self.assertIn("our own", by_file["iconv.dll"]["comment"])
        for name in ["VekDll.exe", *expected]:
            self.assertIn("Windows Vista or later", by_file[name]["comment"], name)

    def test_the_notices_hold_every_licence_and_say_what_is_ours(self):
        text = (self.unsigned / "THIRD-PARTY-NOTICES.txt").read_text(encoding="utf-8")
        for needle in (
                "Permission is hereby granted, free of charge",     # MIT: libxml2, xmlsec
                "Copyright (C) 2001-2002 Daniel Veillard",          # libxslt
                "Copyright (C) 2002-2016 Aleksey Sanin",            # xmlsec
                "Permission to use, copy, modify, and distribute",  # ISC: libxml2's hash.c
                "TERMS AND CONDITIONS FOR USE, REPRODUCTION",       # Apache-2.0: OpenSSL
                "This software is provided 'as-is'",                # zlib
                "Copyright: 2009-2016 the mingw-w64 project",       # MinGW-w64 runtime
                "GCC RUNTIME LIBRARY EXCEPTION"):                   # libgcc
            self.assertTrue(needle in text, needle)
        table = text.split("=" * 78)[0]
        for line in ("iconv.dll               our own", "midas.dll               PLACEHOLDER"):
            self.assertIn(line, table)
        self.assertIn("openssl 3.", table)

    def test_the_signed_executable_verifies_with_its_timestamp_and_changes_nothing_else(self):
        exe = self.signed / "VekDll.exe"
        verified = run(["osslsigncode", "verify", "-CAfile", str(self.authority.ca),
                        "-TSA-CAfile", str(self.authority.ca), "-in", str(exe)]).stdout
        for line in ("Signature verification: ok", "Timestamp Server Signature verification: ok",
                     "Text description: VEK DLLS"):
            self.assertIn(line, verified)
        self.assertGreaterEqual(self.tsa.requests, 1)
        self.assertIn("signed by", self.signing.stderr)
        stranger = Authority(self.tmp / "stranger")
        refused = run(["osslsigncode", "verify", "-CAfile", str(stranger.ca), "-in", str(exe)],
                      check=False)
        self.assertNotEqual(0, refused.returncode, "verified against a CA that did not sign it")

        # Each signed file is the unsigned one with a signature added: the
        # executable as its build made it, each library as the set holds it.
        built = (self.second / "build" / "release-win32" / "VekDll.exe").read_bytes()
        self.assertTrue(signed_copy_of(exe, built), "VekDll.exe")
        carried = carried_payloads(pe.Image(exe))
        for name in harness.PAYLOADS:
            self.assertEqual((self.signed_payloads / name).read_bytes(), carried[name], name)

    def test_each_library_is_signed_but_midas_and_differs_by_its_signature_alone(self):
        for name in harness.PAYLOADS:
            with self.subTest(name):
                signed = self.signed_payloads / name
                verified = run(["osslsigncode", "verify", "-CAfile", str(self.authority.ca),
                                "-TSA-CAfile", str(self.authority.ca), "-in", str(signed)],
                               check=False)
                if name == "midas.dll":  # the placeholder is never signed as the library
                    self.assertNotEqual(0, verified.returncode)
                    self.assertEqual((self.payloads / name).read_bytes(), signed.read_bytes())
                    continue
                self.assertIn("Signature verification: ok", verified.stdout)
                self.assertTrue(signed_copy_of(signed, (self.payloads / name).read_bytes()))

    def test_the_signed_executable_installs_under_wine(self):
        display = harness.Display()
        prefix = None
        try:
            prefix = harness.Prefix("win64", display)
            probe = harness.Probe(prefix)
            folder = prefix.drive_c / "Signed release"
            folder.mkdir()
            shutil.copy(self.signed / "VekDll.exe", folder)
            title = harness.TITLES["win64"]
            process = prefix.start(folder / "VekDll.exe")
            try:
                self.assertTrue(probe.wait(title), "the signed program did not start")
                x, y, w, h = harness.controls(probe.dump(title)["form"])[harness.BTN_OK]["screen"]
                display.click(x + w // 2, y + h // 2)
                box = probe.wait_box(180)
                self.assertEqual([harness.TEXTS["success"]], harness.box_texts(box))
                display.key(box["text"], "Return")
                self.assertEqual(0, harness.wait_for_exit(process, 60))
            finally:
                harness.stop(process)
            for name in harness.PAYLOADS:
                self.assertEqual(harness.digest(self.signed_payloads / name),
                                 harness.digest(folder / "Dlls" / name), name)
                if name != "zlib1.dll":  # Wine's own stays in place
                    self.assertEqual(harness.digest(self.signed_payloads / name),
                                     harness.digest(prefix.system_folder / name), name)
        finally:
            if prefix:
                prefix.remove()
            display.close()


if __name__ == "__main__":
    unittest.main()
