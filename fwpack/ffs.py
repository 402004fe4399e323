# SPDX-License-Identifier: BSD-2-Clause-Patent
"""PI firmware files (PI volume 3, EFI_FFS_FILE_HEADER, 24 bytes):

  Name (GUID) | IntegrityCheck.Header | IntegrityCheck.File | Type | Attributes | Size[3] | State

Header checksum: the 8-bit sum of the 24 header bytes is zero, counted with
State and IntegrityCheck.File taken as zero. File checksum: with
FFS_ATTRIB_CHECKSUM set, IntegrityCheck.File makes the 8-bit sum of the data
(everything after the header) zero; without it, it holds 0xAA. Size counts
the header. State is written as a volume of erase polarity 1 holds it: the
bits HEADER_CONSTRUCTION, HEADER_VALID and DATA_VALID set means stored
inverted, 0xF8 (0x07 in a volume of polarity 0)."""
import struct

from .errors import FwpackError
from .guid import guid_bytes, guid_text
from . import sections as sec

HEADER_SIZE = 24
DRIVER = 0x07
APPLICATION = 0x09
FREEFORM = 0x02
RAW = 0x01
FIRMWARE_VOLUME_IMAGE = 0x0B
PAD = 0xF0
TYPES = {"raw": RAW, "freeform": FREEFORM, "driver": DRIVER, "application": APPLICATION,
         "fv-image": FIRMWARE_VOLUME_IMAGE, "pad": PAD}
TYPE_NAMES = {RAW: "RAW", FREEFORM: "FREEFORM", 0x03: "SECURITY_CORE", 0x04: "PEI_CORE", 0x05: "DXE_CORE",
              0x06: "PEIM", DRIVER: "DRIVER", 0x08: "COMBINED_PEIM_DRIVER", APPLICATION: "APPLICATION",
              0x0A: "MM", FIRMWARE_VOLUME_IMAGE: "FIRMWARE_VOLUME_IMAGE", PAD: "FFS_PAD"}

ATTRIB_LARGE_FILE = 0x01
ATTRIB_FIXED = 0x04
ATTRIB_CHECKSUM = 0x40
FIXED_CHECKSUM = 0xAA
STATE_HEADER_CONSTRUCTION = 0x01
STATE_HEADER_VALID = 0x02
STATE_DATA_VALID = 0x04
STATE_VALID = STATE_HEADER_CONSTRUCTION | STATE_HEADER_VALID | STATE_DATA_VALID


def checksum8(data):
    """The byte that makes the 8-bit sum of data plus itself zero."""
    return (0x100 - (sum(data) & 0xFF)) & 0xFF


def stored_state(state, erase_polarity):
    return (~state & 0xFF) if erase_polarity else state


def firmware_file(name, kind, data, erase_polarity=1, data_checksum=True, attributes=0):
    """A complete firmware file around data (the file's sections, already joined)."""
    size = HEADER_SIZE + len(data)
    if size > 0xFFFFFF:
        raise FwpackError(f"a firmware file of {size} bytes needs the large-file header, not written here")
    attributes |= ATTRIB_CHECKSUM if data_checksum else 0
    header = bytearray(guid_bytes(name) + bytes([0, 0, kind, attributes]) + struct.pack("<I", size)[:3] + b"\0")
    header[16] = checksum8(header)
    header[17] = checksum8(data) if data_checksum else FIXED_CHECKSUM
    header[23] = stored_state(STATE_VALID, erase_polarity)
    return bytes(header) + data


def refresh(raw, erase_polarity=1):
    """The file with its size and both checksums written anew for its current data."""
    header = bytearray(raw[:HEADER_SIZE])
    data = raw[HEADER_SIZE:]
    if header[19] & ATTRIB_LARGE_FILE:
        raise FwpackError("large firmware files are not rewritten here")
    return firmware_file(guid_text(bytes(header[:16])), header[18], data, erase_polarity,
                         bool(header[19] & ATTRIB_CHECKSUM), header[19] & ~ATTRIB_CHECKSUM)


class FirmwareFile:
    """A firmware file read back from its bytes (checked on reading)."""

    def __init__(self, raw, offset=0, erase_polarity=1, where=None):
        self.offset = offset
        where = where or f"firmware file at 0x{offset:X}"
        if len(raw) < HEADER_SIZE:
            raise FwpackError(f"{where}: {len(raw)} bytes, shorter than a firmware file header")
        self.name = guid_text(raw[:16])
        self.kind = raw[18]
        self.attributes = raw[19]
        size = int.from_bytes(raw[20:23], "little")
        header_size = HEADER_SIZE
        if self.attributes & ATTRIB_LARGE_FILE:
            header_size = 32
            size = struct.unpack_from("<Q", raw, 24)[0] if len(raw) >= 32 else 0
        where = f"{where} ({self.name})"
        if size < header_size or size > len(raw):
            raise FwpackError(f"{where}: size {size} does not fit the {len(raw)} bytes there")
        self.header_size = header_size
        self.raw = bytes(raw[:size])
        self.state = stored_state(raw[23], erase_polarity)
        header = bytearray(self.raw[:header_size])
        header[17] = 0
        header[23] = 0
        if sum(header) & 0xFF:
            raise FwpackError(f"{where}: header checksum is wrong")
        if self.attributes & ATTRIB_CHECKSUM:
            if sum(self.raw[header_size:]) + self.raw[17] & 0xFF:
                raise FwpackError(f"{where}: data checksum is wrong")
        elif self.raw[17] != FIXED_CHECKSUM:
            raise FwpackError(f"{where}: no data checksum, but IntegrityCheck.File is 0x{self.raw[17]:02X}, not 0xAA")
        self.where = where

    @property
    def data(self):
        return self.raw[self.header_size:]

    @property
    def type_name(self):
        return TYPE_NAMES.get(self.kind, f"0x{self.kind:02X}")

    def sections(self):
        if self.kind in (RAW, PAD):
            return []
        return sec.parse(self.data, self.where)

    def section(self, kind):
        found = [item for item in self.sections() if item.kind == kind]
        return found[0] if found else None
