"""The bill of materials and the notices for sets that the release tests do
not build: one whose midas.dll is the packager's licensed copy, sets the
release cannot describe, and a set behind the Debian archive. Made from a
copy of the built set with its manifest rewritten (and the archive's answer
given by the test); nothing is compiled."""

import json
import shutil
import tempfile
import unittest
from pathlib import Path


from vek import harness
from vek.release import notices, payloadset, release, sbom

audit = release.audit

PRODUCT = {"ProductName": "VEK DLLS", "ProductVersion": "1.0.0", "CompanyName": "VEK INFORMATICA"}


class Documents(unittest.TestCase):

    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="vek-release-documents-"))
        built = harness.payload_folder()
        # The same layout as the payload cache, so that the copies find the
        # unpacked source packages where build.py keeps them.
        (self.tmp / "sources").symlink_to(built.parent.parent / "sources")

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def copy_set(self, name):
        folder = self.tmp / "sets" / name
        folder.mkdir(parents=True)
        for file in [*harness.PAYLOADS, "manifest.txt"]:
            shutil.copyfile(harness.payload_folder() / file, folder / file)
        return folder

    def rewrite(self, folder, name, package, version, data=None):
        """Gives `name` a new manifest row (and new contents)."""
        path = folder / name
        if data is not None:
            path.write_bytes(data)
        manifest = folder / "manifest.txt"
        rows = [row for row in manifest.read_text().splitlines() if not row.startswith(name)]
        rows.append(f"{name}\t{package}\t{version}\t{path.stat().st_size}\t"
                    f"{payloadset.sha256_file(path)}")
        manifest.write_text("\n".join(rows) + "\n")

    def test_a_licensed_midas_is_named_as_the_packagers_and_nothing_says_placeholder(self):
        folder = self.copy_set("licensed")
        self.rewrite(folder, "midas.dll", "licensed (VEK_MIDAS_DLL)", "-", b"MZ the licensed one")
        entries = payloadset.read(folder)
        doc = sbom.document("VekDll.exe", "0" * 64, PRODUCT, entries, 0, False, "debian-12")
        text = notices.text(PRODUCT, entries, payloadset.Sources(folder, self.tmp / "fetched"))
        midas = next(p for p in doc["packages"] if p["name"] == "midas.dll")
        self.assertIn("supplied by the packager", midas["comment"])
        self.assertEqual(payloadset.sha256_file(folder / "midas.dll"),
                         midas["checksums"][0]["checksumValue"])
        self.assertNotIn("PLACEHOLDER", json.dumps(doc))
        self.assertNotIn("PLACEHOLDER", text)
        self.assertIn("midas.dll               the licensed copy supplied by the packager", text)
        self.assertNotIn(midas["SPDXID"], [r["spdxElementId"] for r in doc["relationships"]],
                         "nothing is said to be linked into a library not built here")

    def test_a_set_the_release_cannot_describe_is_refused(self):
        cases = [  # (case, manifest row to rewrite, what the refusal says)
            ("a package without a recorded licence",
             ("zlib1.dll", "zlib-ng", "2.1.0-1"), "add it to python/vek/release/licences.py"),
            ("a file changed since its manifest was written",
             ("iconv.dll", "vekdll-iconv", "1.0", b"MZ changed"), None),
        ]
        for number, (case, row, said) in enumerate(cases):
            with self.subTest(case):
                folder = self.copy_set(str(number))
                self.rewrite(folder, *row)
                if said is None:
                    (folder / row[0]).write_bytes(b"MZ changed again")
                    said = f"{row[0]} is not the file its manifest describes"
                with self.assertRaises(payloadset.Problem) as refused:
                    payloadset.read(folder)
                self.assertIn(said, str(refused.exception))

    def test_a_set_behind_the_archive_is_refused_unless_allowed_and_then_said(self):
        zlib = audit.Finding("zlib", "1:1.2.13.dfsg-1", "1:1.2.13.dfsg-1+deb12u1", 1,
                             ["CVE-2026-27171"])
        current = audit.Finding("libxml2", "2.9.14", "2.9.14", 0, [])

        def unreachable(folder):
            raise audit.Unreachable("Could not resolve 'mirror'")

        cases = [  # (case, the audit, allowed, refusal or note: what it says)
            ("current", lambda folder: [current], False, None),
            ("behind", lambda folder: [current, zlib], False,
             "behind the Debian archive: zlib 1:1.2.13.dfsg-1 (BEHIND by 1 upload: CVE-2026-27171, "
             "newest 1:1.2.13.dfsg-1+deb12u1)"),
            ("behind, allowed", lambda folder: [current, zlib], True, "CVE-2026-27171"),
            ("archive unreachable", unreachable, False, "Could not resolve 'mirror'"),
            ("archive unreachable, allowed", unreachable, True, "without an audit"),
        ]
        folder = self.copy_set("behind")
        entries = payloadset.read(folder)
        for case, answer, allowed, said in cases:
            with self.subTest(case):
                self.patch_audit(answer)
                if said and not allowed:
                    with self.assertRaises(release.Failed) as refused:
                        release.audit_set(folder, allowed)
                    self.assertIn(said, str(refused.exception))
                    self.assertIn("VEK_ALLOW_BEHIND=1", str(refused.exception))
                    continue
                behind = release.audit_set(folder, allowed)
                doc = sbom.document("VekDll.exe", "0" * 64, PRODUCT, entries, 0, False,
                                    "debian-12", behind)
                text = notices.text(PRODUCT, entries, payloadset.Sources(folder, self.tmp / "f"),
                                    behind)
                for document in (doc["comment"], " ".join(text.split())):
                    if said:
                        self.assertIn(said, document)
                    else:
                        self.assertNotIn("this release was", document.lower())

    def patch_audit(self, answer):
        original = audit.audit
        audit.audit = answer
        self.addCleanup(setattr, audit, "audit", original)


if __name__ == "__main__":
    unittest.main()
