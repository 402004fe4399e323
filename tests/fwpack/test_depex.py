# SPDX-License-Identifier: BSD-2-Clause-Patent
"""The driver's dependency expression: decoded from the built Quorvane.depex,
over exactly the services its module description names (the eight start-up
services as the driver's own headers spell their GUIDs, and the three
architectural protocols); true with all installed, false with any one
missing; and the evaluator on the opcodes it must know."""
import os
import re
import unittest

from support import QUORVANE_MODULE, ROOT, built, read
from fwpack import depex
from fwpack.errors import FwpackError
from fwpack.guid import guid_bytes
from fwpack.module import Module

# The services start-up cannot do without, by the names of include/guids.h.
STARTUP_SERVICES = ["gEfiHiiDatabaseProtocolGuid", "gEfiHiiConfigRoutingProtocolGuid", "gEfiFormBrowser2ProtocolGuid",
                    "gHddPasswordProtocolGuid", "gHddPasswordUiProtocolGuid", "gEfiUserManagerProtocolGuid",
                    "gQelUserManagerProtocolGuid", "gCredentialProviderProtocolGuid"]
ARCHITECTURAL = {"1DA97072-BDDC-4B30-99F1-72A0B56FFF2A": "monotonic counter",
                 "1E5668E2-8481-11D4-BCF1-0080C73C8881": "variable",
                 "6441F818-6362-4E44-B570-7DBA31DD2453": "variable write"}


def header_guids():
    """GUID texts of include/guids.h by name."""
    text = read(os.path.join(ROOT, "include", "guids.h")).decode()
    found = {}
    pattern = (r"(\w+) = \{0x([0-9A-F]{8}), 0x([0-9A-F]{4}), 0x([0-9A-F]{4}), \{((?:0x[0-9A-F]{2}(?:, )?){8})\}\}")
    for name, first, second, third, rest in re.findall(pattern, text):
        tail = "".join(byte[2:] for byte in rest.split(", "))
        found[name] = f"{first}-{second}-{third}-{tail[:4]}-{tail[4:]}"
    return found


class QuorvaneExpression(unittest.TestCase):
    def setUp(self):
        self.code = read(built("Quorvane.depex"))
        self.module = Module(QUORVANE_MODULE)

    def test_decodes_to_pushes_joined_by_and(self):
        decoded = depex.decode(self.code)
        services = [guid for guid, _ in self.module.depends]
        expected = [("PUSH", services[0])]
        for guid in services[1:]:
            expected += [("PUSH", guid), ("AND", None)]
        self.assertEqual(decoded, expected + [("END", None)])
        self.assertEqual(len(self.code), 11 * 17 + 10 + 1)

    def test_names_the_startup_services_and_the_architectural_protocols(self):
        names = header_guids()
        expected = [names[name] for name in STARTUP_SERVICES] + list(ARCHITECTURAL)
        self.assertEqual(depex.pushed(self.code), expected)

    def test_false_with_any_one_missing(self):
        everything = depex.pushed(self.code)
        self.assertTrue(depex.evaluate(self.code, everything))
        self.assertTrue(depex.evaluate(self.code, everything + ["11111111-2222-3333-4444-555555555555"]))
        self.assertFalse(depex.evaluate(self.code, []))
        for missing in everything:
            with self.subTest(missing=missing):
                self.assertFalse(depex.evaluate(self.code, [guid for guid in everything if guid != missing]))


A = "11111111-1111-1111-1111-111111111111"
B = "22222222-2222-2222-2222-222222222222"


def push(guid):
    return bytes([depex.PUSH]) + guid_bytes(guid)


class Evaluator(unittest.TestCase):
    def test_operators(self):
        cases = [  # (expression, installed, result)
            (push(A) + push(B) + bytes([depex.OR, depex.END]), [B], True),
            (push(A) + push(B) + bytes([depex.OR, depex.END]), [], False),
            (push(A) + bytes([depex.NOT, depex.END]), [], True),
            (push(A) + bytes([depex.NOT, depex.END]), [A], False),
            (bytes([depex.TRUE, depex.END]), [], True),
            (bytes([depex.FALSE, depex.END]), [A], False),
            (bytes([depex.SOR]) + push(A) + bytes([depex.END]), [A], True),
            (bytes([depex.BEFORE]) + guid_bytes(A) + bytes([depex.END]), [A], False),
            (depex.all_of([]), [], True),
        ]
        for code, installed, result in cases:
            with self.subTest(code=code.hex(), installed=installed):
                self.assertIs(depex.evaluate(code, installed), result)

    def test_malformed_expressions_are_named(self):
        cases = [
            (push(A), "no END"),
            (push(A) + bytes([depex.END, depex.END]), "after END"),
            (bytes([depex.AND, depex.END]), "needs two operands"),
            (push(A) + push(B) + bytes([depex.END]), "2 values left at END"),
            (bytes([depex.PUSH, 1, 2]), "lacks its GUID"),
            (bytes([0x42, depex.END]), "unknown opcode 0x42"),
            (push(A) + bytes([depex.SOR, depex.END]), "SOR only as the first"),
        ]
        for code, message in cases:
            with self.subTest(message):
                with self.assertRaisesRegex(FwpackError, message):
                    depex.evaluate(code, [A])


if __name__ == "__main__":
    unittest.main()
