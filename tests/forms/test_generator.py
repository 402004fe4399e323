#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""The generator refuses a form and a numbers header that disagree.

Each case copies forms/ into a temporary folder, changes one line and runs
forms/tools/gen_packages.py on the copy: it must stop with an error that
names the fault, and write nothing. Usage: test_generator.py [--dump-dir DIR]
(the dump folder is not needed; the option is accepted like the other tests').
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
GENERATOR = os.path.join(REPO, "forms", "tools", "gen_packages.py")


def generate_with(file_name, old, new):
    """Run the generator on a copy of forms/ whose file_name has old replaced by new once."""
    with tempfile.TemporaryDirectory(prefix="forms-generator-test-") as tmp:
        forms = os.path.join(tmp, "forms")
        shutil.copytree(os.path.join(REPO, "forms"), forms)
        path = os.path.join(forms, file_name)
        with open(path, encoding="utf-8") as f:
            text = f.read()
        if old not in text:
            raise AssertionError(f"{old!r} is not in {file_name}")
        with open(path, "w", encoding="utf-8") as f:
            f.write(text.replace(old, new, 1))
        out = os.path.join(tmp, "out")
        run = subprocess.run([sys.executable, GENERATOR, "--forms-dir", forms, "--out", out],
                             capture_output=True, text=True)
        return run.returncode, run.stderr, os.path.exists(os.path.join(out, "security_packages.cpp"))


class GeneratorRefusesDisagreement(unittest.TestCase):
    def test_the_unchanged_sources_generate(self):
        status, errors, written = generate_with("security_page_ids.h", "#pragma once", "#pragma once")
        self.assertEqual((status, errors, written), (0, "", True))

    def test_cases(self):
        cases = [
            ("a string ID of the header that the string files give another name",
             "security_page_ids.h", "STR_CHANGES_SAVED = 87;", "STR_CHANGES_SAVED = 86;", "STR_CHANGES_SAVED"),
            ("a name the header does not define",
             "security.form", "var Setup.TxtEnable", "var Setup.TxtSwitch", "Setup.TxtSwitch"),
            ("a header line the generator cannot read",
             "security_page_ids.h", "constexpr UINT16 VtEnable = 377;", "constexpr UINT16 VtEnable = 370 + 7;",
             "not a line the generator reads"),
            ("a name defined twice", "security_page_ids.h", "constexpr UINT16 TxtEnable = 703;",
             "constexpr UINT16 TxtEnable = 703;\nconstexpr UINT16 TxtEnable = 704;", "Setup.TxtEnable is defined twice"),
        ]
        for what, file_name, old, new, message in cases:
            with self.subTest(what):
                status, errors, written = generate_with(file_name, old, new)
                self.assertEqual(status, 1)
                self.assertIn(message, errors)
                self.assertFalse(written)


if __name__ == "__main__":
    if "--dump-dir" in sys.argv:
        del sys.argv[sys.argv.index("--dump-dir"):sys.argv.index("--dump-dir") + 2]
    result = unittest.main(verbosity=2, exit=False).result
    failed = len(result.failures) + len(result.errors)
    print(f"forms generator: {result.testsRun - failed} passed, {failed} failed")
    sys.exit(0 if result.wasSuccessful() else 1)
