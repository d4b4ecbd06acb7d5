"""Our iconv.dll under Wine: tests/payload/iconv_test.c, built against the
payload's iconv.h and import library, run beside the built iconv.dll."""

import shutil
import unittest

import payloadlab


class IconvTest(payloadlab.ProgramTest):
    @classmethod
    def setUpClass(cls):
        payload = payloadlab.payload_dir()
        exe = payloadlab.build_program(payloadlab.HERE / "iconv_test.c", "iconv_test",
                                       payload, ["-liconv"])
        shutil.copy(payload / "iconv.dll", exe.parent)
        cls.returncode, cls.output, cls.groups = payloadlab.run_program(exe, timeout=300)

    def test_opens_known_names_and_refuses_unknown_ones(self):
        self.assertGroupPassed("names")

    def test_converts_single_byte_code_pages_both_ways(self):
        self.assertGroupPassed("single-byte")

    def test_converts_ebcdic_euro_pages_where_windows_lacks_them(self):
        self.assertGroupPassed("ebcdic-euro")

    def test_converts_unicode_forms_and_byte_order_marks(self):
        self.assertGroupPassed("unicode")

    def test_converts_multi_byte_code_pages(self):
        self.assertGroupPassed("multi-byte")

    def test_converts_gb18030_one_two_and_four_byte_codes(self):
        self.assertGroupPassed("gb18030")

    def test_iso_2022_jp_keeps_its_shift_state(self):
        self.assertGroupPassed("iso-2022-jp")

    def test_utf_7_keeps_its_shift_state_and_bits_across_calls(self):
        self.assertGroupPassed("utf-7")

    def test_invalid_and_unmappable_input_is_eilseq(self):
        self.assertGroupPassed("invalid")

    def test_incomplete_input_is_einval_and_can_go_on(self):
        self.assertGroupPassed("incomplete")

    def test_full_output_is_e2big_with_exact_counts(self):
        self.assertGroupPassed("e2big")

    def test_null_input_resets_the_state(self):
        self.assertGroupPassed("reset")

    def test_program_ran_to_the_end(self):
        self.assertProgramFinished()


if __name__ == "__main__":
    unittest.main()
