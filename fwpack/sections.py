# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Firmware file sections (PI volume 3, EFI_COMMON_SECTION_HEADER): a 24-bit
size that counts the 4-byte header, and a type byte. A section of 16 MiB or
more has the size 0xFFFFFF and a UINT32 extended size after the type
(EFI_COMMON_SECTION_HEADER2). Sections start on 4-byte boundaries of their
file; the gap before the next one is padded with zeros."""
import struct

from .errors import FwpackError
from .guid import guid_bytes, guid_text

COMPRESSION = 0x01
GUID_DEFINED = 0x02
PE32 = 0x10
TE = 0x12
DXE_DEPEX = 0x13
VERSION = 0x14
USER_INTERFACE = 0x15
FIRMWARE_VOLUME_IMAGE = 0x17
RAW = 0x19
PEI_DEPEX = 0x1B

NAMES = {COMPRESSION: "COMPRESSION", GUID_DEFINED: "GUID_DEFINED", PE32: "PE32", TE: "TE", DXE_DEPEX: "DXE_DEPEX",
         VERSION: "VERSION", USER_INTERFACE: "USER_INTERFACE", FIRMWARE_VOLUME_IMAGE: "FIRMWARE_VOLUME_IMAGE",
         RAW: "RAW", PEI_DEPEX: "PEI_DEPEX", 0x11: "PIC", 0x16: "COMPATIBILITY16", 0x18: "FREEFORM_SUBTYPE_GUID",
         0x1C: "MM_DEPEX", 0x03: "DISPOSABLE"}

# GUID-defined sections: the LZMA encapsulation EDK II-built firmware uses.
LZMA_GUID = "EE4E5898-3914-4259-9D6E-DC7BD79403CF"
GUIDED_PROCESSING_REQUIRED = 0x01


def align4(value):
    return (value + 3) & ~3


def section(kind, body):
    """One section: header, then body (no trailing padding)."""
    size = 4 + len(body)
    if size < 0xFFFFFF:
        return struct.pack("<I", size | kind << 24) + body
    return struct.pack("<II", 0xFFFFFF | kind << 24, size + 4) + body


def ucs2z(text):
    try:
        return text.encode("utf-16-le") + b"\0\0"
    except UnicodeEncodeError as error:
        raise FwpackError(f"text {text!r} is not UCS-2: {error}") from None


def user_interface(name):
    return section(USER_INTERFACE, ucs2z(name))


def version(text, build=0):
    return section(VERSION, struct.pack("<H", build) + ucs2z(text))


def guid_defined(definition_guid, data, attributes=GUIDED_PROCESSING_REQUIRED):
    header_size = 4 + 16 + 4
    return section(GUID_DEFINED, guid_bytes(definition_guid) + struct.pack("<HH", header_size, attributes) + data)


def join(sections):
    """Sections one after another, each at a 4-byte boundary."""
    out = bytearray()
    for item in sections:
        out += b"\0" * (align4(len(out)) - len(out))
        out += item
    return bytes(out)


class Section:
    """A section read back: its type, header length, bytes and body."""

    def __init__(self, kind, offset, header_size, raw):
        self.kind = kind
        self.offset = offset
        self.header_size = header_size
        self.raw = raw

    @property
    def body(self):
        return self.raw[self.header_size:]

    @property
    def name(self):
        return NAMES.get(self.kind, f"0x{self.kind:02X}")

    def text(self):
        """The UTF-16 text of a USER_INTERFACE or VERSION section."""
        body = self.body[2:] if self.kind == VERSION else self.body
        if len(body) < 2 or len(body) % 2 or body[-2:] != b"\0\0":
            raise FwpackError(f"{self.name} section at 0x{self.offset:X}: text is not NUL-terminated UTF-16")
        return body[:-2].decode("utf-16-le")

    def guided(self):
        """(definition GUID, data offset, attributes, data) of a GUID_DEFINED section."""
        body = self.body
        if len(body) < 20:
            raise FwpackError(f"GUID_DEFINED section at 0x{self.offset:X} is too short for its header")
        data_offset, attributes = struct.unpack_from("<HH", body, 16)
        if data_offset < self.header_size + 20 or data_offset > len(self.raw):
            raise FwpackError(f"GUID_DEFINED section at 0x{self.offset:X}: data offset {data_offset} outside the section")
        return guid_text(body[:16]), data_offset, attributes, self.raw[data_offset:]


def parse(data, where="file"):
    """The sections of a file's data (or of an encapsulation's contents)."""
    found = []
    offset = 0
    while offset < len(data):
        if len(data) - offset < 4:
            # Up to three bytes of alignment padding may end the data.
            if any(data[offset:]):
                raise FwpackError(f"{where}: {len(data) - offset} stray bytes at 0x{offset:X}")
            break
        size, kind = struct.unpack_from("<I", data, offset)[0] & 0xFFFFFF, data[offset + 3]
        header_size = 4
        if size == 0xFFFFFF:
            if len(data) - offset < 8:
                raise FwpackError(f"{where}: section at 0x{offset:X} lacks its extended size")
            size = struct.unpack_from("<I", data, offset + 4)[0]
            header_size = 8
        if size < header_size or offset + size > len(data):
            raise FwpackError(f"{where}: section at 0x{offset:X} has size {size}, "
                              f"beyond the {len(data) - offset} bytes left")
        found.append(Section(kind, offset, header_size, data[offset:offset + size]))
        offset = align4(offset + size)
    return found
