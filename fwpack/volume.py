# SPDX-License-Identifier: BSD-2-Clause-Patent
"""PI firmware volumes (PI volume 3, EFI_FIRMWARE_VOLUME_HEADER):

  0  ZeroVector[16]      32 FvLength (UINT64)      44 Attributes (UINT32)
  16 FileSystemGuid      40 Signature "_FVH"       48 HeaderLength, 50 Checksum,
                                                   52 ExtHeaderOffset, 54 Reserved, 55 Revision (2)
  56 block map: (NumBlocks, Length) pairs, ended by (0, 0)

The 16-bit sum of the header (HeaderLength bytes) is zero. Files follow the
header (and an extension header, if any), each at an 8-byte boundary of the
volume; the gaps and the free space after the last file hold the erase
byte: 0xFF when the attribute EFI_FVB2_ERASE_POLARITY is set."""
import struct

from .errors import FwpackError
from .guid import guid_bytes, guid_text
from . import ffs

FFS2_GUID = "8C8CE578-8A3D-4F1C-9935-896185C32DD3"
FFS3_GUID = "5473C07A-3DCB-4DCA-BD6F-1E9689E7349A"
SIGNATURE = b"_FVH"
ERASE_POLARITY = 0x00000800
# The attributes of OVMF's own DXE volume: read/write disable and enable
# capabilities and status, lock capability and status, sticky write,
# memory-mapped, erase polarity 1, read and write lock capabilities and
# status, alignment 16 (EFI_FVB2_ALIGNMENT_16). A volume handed to the DXE
# services' ProcessFirmwareVolume from page-aligned memory meets that alignment.
DEFAULT_ATTRIBUTES = 0x0004FEFF
HEADER_BASE = 56


def align8(value):
    return (value + 7) & ~7


def checksum16(header):
    total = sum(struct.unpack(f"<{len(header) // 2}H", header)) & 0xFFFF
    return (0x10000 - total) & 0xFFFF


def volume(files, size=None, block_size=0x1000, attributes=DEFAULT_ATTRIBUTES):
    """A volume holding files (complete firmware files, in order). Its size is
    `size` when given (a multiple of block_size), else the least multiple of
    block_size that holds them."""
    header_length = HEADER_BASE + 16  # one block map entry and the (0, 0) that ends the map
    content = bytearray()
    erase = 0xFF if attributes & ERASE_POLARITY else 0x00
    names = [ffs.FirmwareFile(item).name for item in files]
    twice = sorted({name for name in names if names.count(name) > 1})
    if twice:
        raise FwpackError(f"a volume holds each file name once; given twice: {', '.join(twice)}")
    for item in files:
        content += bytes([erase]) * (align8(header_length + len(content)) - header_length - len(content))
        content += item
    used = header_length + len(content)
    if size is None:
        size = (used + block_size - 1) // block_size * block_size
    if size % block_size:
        raise FwpackError(f"volume size {size} is not a multiple of the block size {block_size}")
    if used > size:
        raise FwpackError(f"volume of {size} bytes has no room for {used} bytes of header and files")
    header = bytearray(b"\0" * 16 + guid_bytes(FFS2_GUID) + struct.pack("<Q", size) + SIGNATURE +
                       struct.pack("<IHHHBB", attributes, header_length, 0, 0, 0, 2) +
                       struct.pack("<IIII", size // block_size, block_size, 0, 0))
    struct.pack_into("<H", header, 50, checksum16(header))
    return bytes(header) + bytes(content) + bytes([erase]) * (size - used)


class Volume:
    """A firmware volume read back from its bytes; files are checked on reading."""

    def __init__(self, data, offset=0, where=None):
        self.where = where or f"firmware volume at 0x{offset:X}"
        if len(data) < HEADER_BASE + 16 or data[40:44] != SIGNATURE:
            raise FwpackError(f"{self.where}: no firmware volume header (signature _FVH) there")
        self.file_system = guid_text(data[16:32])
        self.length, = struct.unpack_from("<Q", data, 32)
        (self.attributes, self.header_length, _, self.ext_header_offset, _,
         self.revision) = struct.unpack_from("<IHHHBB", data, 44)
        if self.length > len(data):
            raise FwpackError(f"{self.where}: FvLength {self.length} exceeds the {len(data)} bytes there")
        if self.header_length < HEADER_BASE + 16 or self.header_length > self.length or self.header_length % 2:
            raise FwpackError(f"{self.where}: HeaderLength {self.header_length} is not a valid header length")
        self.data = bytes(data[:self.length])
        if checksum16(self.data[:self.header_length]) != 0:
            raise FwpackError(f"{self.where}: header checksum is wrong")
        if self.file_system not in (FFS2_GUID, FFS3_GUID):
            raise FwpackError(f"{self.where}: file system {self.file_system} is neither FFS2 nor FFS3")
        self.block_map = []
        for index in range(HEADER_BASE, self.header_length - 7, 8):
            entry = struct.unpack_from("<II", self.data, index)
            if entry == (0, 0):
                break
            self.block_map.append(entry)
        if sum(count * length for count, length in self.block_map) != self.length:
            raise FwpackError(f"{self.where}: block map covers "
                              f"{sum(c * l for c, l in self.block_map)} bytes, FvLength is {self.length}")
        self.erase_polarity = 1 if self.attributes & ERASE_POLARITY else 0
        self.erase = 0xFF if self.erase_polarity else 0x00
        self.name = None
        first = self.header_length
        if self.ext_header_offset:
            if self.ext_header_offset + 20 > self.length:
                raise FwpackError(f"{self.where}: extension header offset {self.ext_header_offset} outside the volume")
            self.name = guid_text(self.data[self.ext_header_offset:self.ext_header_offset + 16])
            ext_size, = struct.unpack_from("<I", self.data, self.ext_header_offset + 16)
            # The extension header usually sits in the data of a pad file that
            # opens the volume (then the files start right after the header);
            # directly after the header, it comes before the first file.
            if self.ext_header_offset == self.header_length:
                first = self.ext_header_offset + ext_size
        self.files = []
        self.free_offset = self._read_files(align8(first))

    def _read_files(self, offset):
        empty = bytes([self.erase]) * ffs.HEADER_SIZE
        while offset + ffs.HEADER_SIZE <= self.length:
            if self.data[offset:offset + ffs.HEADER_SIZE] == empty:
                break
            item = ffs.FirmwareFile(self.data[offset:], offset, self.erase_polarity,
                                    f"{self.where}: firmware file at 0x{offset:X}")
            self.files.append(item)
            offset = align8(offset + len(item.raw))
        offset = min(offset, self.length)
        tail = self.data[offset:]
        if tail.count(self.erase) != len(tail):
            raise FwpackError(f"{self.where}: the free space from 0x{offset:X} holds data")
        return offset

    @property
    def free_space(self):
        return self.length - self.free_offset

    def file(self, name):
        found = [item for item in self.files if item.name == name.upper()]
        return found[0] if found else None

    def with_files(self, files):
        """The same volume (header, files, size) with files added in its free space."""
        out = bytearray(self.data)
        offset = self.free_offset
        added = set()
        for item in files:
            parsed = ffs.FirmwareFile(item, 0, self.erase_polarity)
            if self.file(parsed.name) is not None or parsed.name in added:
                raise FwpackError(f"{self.where} already holds a file {parsed.name}")
            added.add(parsed.name)
            item = ffs.refresh(item, self.erase_polarity)
            if offset + len(item) > self.length:
                raise FwpackError(f"{self.where} has no room for {parsed.name} ({len(item)} bytes): "
                                  f"{self.length - offset} bytes free")
            out[offset:offset + len(item)] = item
            offset = align8(offset + len(item))
        return bytes(out)
