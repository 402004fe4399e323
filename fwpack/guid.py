# SPDX-License-Identifier: BSD-2-Clause-Patent
"""EFI_GUID in its text form and its 16-byte UEFI layout (UINT32, UINT16,
UINT16, eight bytes; the three numbers little-endian)."""
import re
import struct

from .errors import FwpackError

_TEXT = re.compile(r"^\{?([0-9A-Fa-f]{8})-([0-9A-Fa-f]{4})-([0-9A-Fa-f]{4})-([0-9A-Fa-f]{4})-([0-9A-Fa-f]{12})\}?$")


def guid_bytes(text):
    match = _TEXT.match(text.strip())
    if not match:
        raise FwpackError(f"not a GUID: {text!r} (expected XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX)")
    first, second, third, fourth, last = match.groups()
    return (struct.pack("<IHH", int(first, 16), int(second, 16), int(third, 16)) +
            bytes.fromhex(fourth) + bytes.fromhex(last))


def guid_text(data):
    if len(data) != 16:
        raise FwpackError(f"a GUID is 16 bytes, not {len(data)}")
    first, second, third = struct.unpack_from("<IHH", data)
    return f"{first:08X}-{second:04X}-{third:04X}-{data[8:10].hex().upper()}-{data[10:16].hex().upper()}"
