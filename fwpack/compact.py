# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Firmware files into an OVMF code image (OVMF_CODE*.fd): the image is a
row of firmware volumes; one of them (FVMAIN_COMPACT) holds a firmware-volume
file whose GUID-defined LZMA section contains the PEI and the DXE volumes as
FIRMWARE_VOLUME_IMAGE sections. The files go into the DXE volume's free
space (the volume keeps its size: the firmware copies it to a fixed place of
that size), the LZMA data is compressed again with the original's
properties, and the section, its file and their checksums are written anew.
The image keeps its size."""
import lzma
import struct

from .errors import FwpackError
from . import ffs, sections as sec
from .volume import Volume, align8

LZMA_HEADER = 13  # 5 property bytes, 8-byte uncompressed size


def volumes(image):
    """The volumes one after another from offset 0, as (offset, Volume)."""
    found = []
    offset = 0
    while offset < len(image):
        if image[offset + 40:offset + 44] != b"_FVH":
            break
        found.append((offset, Volume(image[offset:], offset, f"firmware volume at 0x{offset:X} of the code image")))
        offset += found[-1][1].length
    return found


def lzma_properties(data):
    """(lc, lp, pb, dictionary size, uncompressed size) of LZMA "alone" data."""
    if len(data) < LZMA_HEADER:
        raise FwpackError("the LZMA section is shorter than its 13-byte header")
    props = data[0]
    if props >= 9 * 5 * 5:
        raise FwpackError(f"the LZMA section's property byte 0x{props:02X} is invalid")
    dictionary, size = struct.unpack_from("<IQ", data, 1)
    return props % 9, props // 9 % 5, props // 45, dictionary, size


def lzma_compress(data, like):
    """data compressed as LZMA "alone" with the properties of `like` and its
    real size in the header (the firmware's decompressor sizes its output
    buffer from it; Python writes "unknown")."""
    lc, lp, pb, dictionary, _ = lzma_properties(like)
    packed = lzma.compress(data, format=lzma.FORMAT_ALONE,
                           filters=[{"id": lzma.FILTER_LZMA1, "preset": 9, "dict_size": max(dictionary, 4096),
                                     "lc": lc, "lp": lp, "pb": pb}])
    return packed[:5] + struct.pack("<Q", len(data)) + packed[LZMA_HEADER:]


def lzma_decompress(data, where):
    _, _, _, _, size = lzma_properties(data)
    try:
        out = lzma.decompress(data, format=lzma.FORMAT_ALONE)
    except lzma.LZMAError as error:
        raise FwpackError(f"{where}: the LZMA data does not decompress ({error})") from None
    if size != 0xFFFFFFFFFFFFFFFF and len(out) != size:
        raise FwpackError(f"{where}: the LZMA data decompresses to {len(out)} bytes, its header says {size}")
    return out


class CompactImage:
    """An OVMF code image taken apart down to its DXE volume."""

    def __init__(self, image):
        self.image = bytes(image)
        found = volumes(self.image)
        if not found:
            raise FwpackError("not an OVMF code image: no firmware volume header at offset 0")
        self.compact = None
        for offset, candidate in found:
            for item in candidate.files:
                if item.kind != ffs.FIRMWARE_VOLUME_IMAGE:
                    continue
                for section in item.sections():
                    if section.kind == sec.GUID_DEFINED and section.guided()[0] == sec.LZMA_GUID:
                        self.compact, self.compact_offset = candidate, offset
                        self.file, self.section = item, section
        if self.compact is None:
            raise FwpackError("not an OVMF code image: no volume holds a firmware-volume file with an LZMA section "
                              "(FVMAIN_COMPACT)")
        where = f"LZMA section of file {self.file.name}"
        _, self.data_offset, _, packed = self.section.guided()
        self.packed = packed
        self.contents = lzma_decompress(packed, where)
        self.dxe = None
        for inner in sec.parse(self.contents, where):
            if inner.kind != sec.FIRMWARE_VOLUME_IMAGE:
                continue
            candidate = Volume(inner.body, 0, f"volume in the {where} at 0x{inner.offset:X}")
            if any(item.kind == 0x05 for item in candidate.files):  # EFI_FV_FILETYPE_DXE_CORE
                self.dxe, self.dxe_offset = candidate, inner.offset + inner.header_size
        if self.dxe is None:
            raise FwpackError(f"not an OVMF code image: the {where} holds no DXE volume (one with the DXE core)")

    def with_files(self, files):
        """The whole image again, of the same size, with files in the DXE volume."""
        dxe = self.dxe.with_files(files)
        contents = self.contents[:self.dxe_offset] + dxe + self.contents[self.dxe_offset + len(dxe):]
        packed = lzma_compress(contents, self.packed)
        section_raw = self.section.raw
        # Keep the GUID-defined header (definition GUID, data offset,
        # attributes) as it was; only the size changes.
        guided_header = section_raw[self.section.header_size:self.data_offset]
        if self.section.header_size != 4:
            raise FwpackError("the LZMA section has an extended header, not rewritten here")
        new_section = sec.section(sec.GUID_DEFINED, guided_header + packed)
        if len(new_section) >= 0xFFFFFF:
            raise FwpackError("the compressed DXE volume no longer fits a section of 16 MiB")
        data = self.file.data
        start, end = self.section.offset, self.section.offset + len(section_raw)
        tail = data[sec.align4(end):]
        file_data = data[:start] + sec.join([new_section] + ([tail] if tail else []))
        new_file = ffs.refresh(self.file.raw[:self.file.header_size] + file_data, self.compact.erase_polarity)
        volume = bytearray(self.compact.data)
        file_end = align8(self.file.offset + len(self.file.raw))
        if file_end < self.compact.free_offset:
            raise FwpackError(f"file {self.file.name} is not the last of its volume; not rewritten here")
        room = self.compact.length - self.file.offset
        if len(new_file) > room:
            raise FwpackError(f"FVMAIN_COMPACT has no room: the recompressed file takes {len(new_file)} bytes, "
                              f"{room} are there")
        volume[self.file.offset:] = new_file + bytes([self.compact.erase]) * (room - len(new_file))
        image = self.image[:self.compact_offset] + bytes(volume) + self.image[self.compact_offset + len(volume):]
        if len(image) != len(self.image):
            raise FwpackError("internal: the image changed its size")
        return image
