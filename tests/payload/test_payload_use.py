"""The whole payload set under Wine: tests/payload/payload_use_test.c, run
in a folder holding the seven DLLs, uses each of them for real."""

import shutil
import unittest

import payloadlab

class PayloadUseTest(payloadlab.ProgramTest):
    @classmethod
    def setUpClass(cls):
        payload = payloadlab.payload_dir()
        exe = payloadlab.build_program(
            payloadlab.HERE / "payload_use_test.c", "payload_use_test", payload,
            ["-lxmlsec-openssl", "-lxmlsec", "-lxslt", "-lxml2", "-lz"])
        for name in payloadlab.PAYLOAD:
            shutil.copy(payload / name, exe.parent)
        cls.returncode, cls.output, cls.groups = payloadlab.run_program(exe, timeout=900)

    def test_zlib_round_trips_data(self):
        self.assertGroupPassed("zlib")

    def test_libxml2_reads_and_writes_windows_1252_through_iconv(self):
        self.assertGroupPassed("libxml2-cp1252")

    def test_libxml2_reads_and_writes_gzip_through_zlib(self):
        self.assertGroupPassed("libxml2-gzip")

    def test_libxslt_applies_a_stylesheet(self):
        self.assertGroupPassed("libxslt")

    def test_xmlsec_starts_with_its_openssl_engine(self):
        self.assertGroupPassed("xmlsec-init")

    def test_xmlsec_signs_verifies_and_rejects_tampering_with_hmac(self):
        self.assertGroupPassed("xmlsec-hmac")

    def test_xmlsec_signs_verifies_and_rejects_tampering_with_rsa(self):
        self.assertGroupPassed("xmlsec-rsa")

    def test_xmlsec_rejects_a_signature_made_with_another_key(self):
        self.assertGroupPassed("xmlsec-wrong-key")

    def test_midas_loads(self):
        self.assertGroupPassed("midas")

    def test_program_ran_to_the_end(self):
        self.assertProgramFinished()


if __name__ == "__main__":
    unittest.main()
