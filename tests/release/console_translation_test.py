#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""The translation of the firmware's PC-ANSI console for a UTF-8 terminal
(testbed/harness/terminal.py), on byte strings as OVMF writes them: cursor
moves with ':' tens digits, CP437 box characters, PC mode sets, ESC bytes
that start no sequence; and the same stream cut into chunks at every byte
gives the same output as in one piece."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "testbed", "harness"))
from page_test import Checks  # noqa: E402
from terminal import ConsoleTranslator  # noqa: E402

# (what, firmware bytes, terminal bytes)
CASES = [
    ("column 100 as ':0'", b"\x1b[02;:0H\xb3", "\x1b[2;100H│".encode()),
    ("two-digit moves stay", b"\x1b[05;04HSupervisor", b"\x1b[05;04HSupervisor"),
    ("box corners and lines", b"\xda\xc4\xbf\xc0\xd9\xb3\xc9\xcd\xbb\xba\xc8\xbc", "┌─┐└┘│╔═╗║╚╝".encode()),
    ("colours pass", b"\x1b[1m\x1b[37m\x1b[44mX\x1b[0m", b"\x1b[1m\x1b[37m\x1b[44mX\x1b[0m"),
    ("PC mode set dropped", b"\x1b[2J\x1b[01;01H\x1b[=3h\x1b[2J", b"\x1b[2J\x1b[01;01H\x1b[2J"),
    ("ESC starting no sequence", b"a\x1b \x1b b", b"a  b"),
    ("controls", b"\x02x\x03\r\n\x08\x18\x19", "x\r\n\b↑↓".encode()),
]


def main():
    c = Checks()
    for what, given, expected in CASES:
        got = ConsoleTranslator().feed(given)
        c.expect(got == expected, f"{what}: {given!r} -> {got!r}, expected {expected!r}")
    stream = b"".join(given for _, given, _ in CASES)
    whole = ConsoleTranslator().feed(stream)
    translator = ConsoleTranslator()
    pieces = b"".join(translator.feed(stream[index:index + 1]) for index in range(len(stream)))
    c.expect(pieces == whole, f"byte by byte: {pieces!r}, in one piece: {whole!r}")
    return c.finish(f"console translation ({len(CASES)} cases)")


if __name__ == "__main__":
    sys.exit(main())
