# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Firmware volumes as fwpack writes and reads them, and the OVMF code image
with files put into its DXE volume: sizes, checksums and what is refused."""
import os
import struct
import unittest

from support import OVMF_CODE, Scratch, built, fwpack, read
from fwpack import compact, ffs, volume as fv
from fwpack.errors import FwpackError

FILE_GUID = "AFEE5512-2434-4EBC-B307-B579CB968D0B"
OTHER_GUID = "0B5F9A1C-2D3E-4F50-8192-A3B4C5D6E7F8"


def small_file(name, size):
    return ffs.firmware_file(name, ffs.RAW, bytes([0x5A]) * size)


class VolumeLayout(unittest.TestCase):
    def test_header_files_and_free_space(self):
        first, second = small_file(FILE_GUID, 5), small_file(OTHER_GUID, 100)
        data = fv.volume([first, second])
        self.assertEqual(len(data), 0x1000)
        self.assertEqual(data[40:44], b"_FVH")
        header_length, = struct.unpack_from("<H", data, 48)
        self.assertEqual(sum(struct.unpack(f"<{header_length // 2}H", data[:header_length])) & 0xFFFF, 0)
        self.assertEqual(struct.unpack_from("<IIII", data, 56), (1, 0x1000, 0, 0))
        read_back = fv.Volume(data)
        self.assertEqual(read_back.file_system, fv.FFS2_GUID)
        self.assertEqual([item.offset % 8 for item in read_back.files], [0, 0])
        self.assertEqual([item.raw for item in read_back.files], [first, second])
        self.assertEqual(data[read_back.free_offset:], b"\xff" * read_back.free_space)
        gap = data[read_back.files[0].offset + len(first):read_back.files[1].offset]
        self.assertEqual(gap, b"\xff" * len(gap), "the gap before an 8-byte boundary holds the erase byte")

    def test_refusals_name_the_fault(self):
        good = fv.volume([small_file(FILE_GUID, 5)])
        damaged_header = bytearray(good)
        damaged_header[44] ^= 1
        data_in_free_space = bytearray(good)
        data_in_free_space[-1] = 0
        cases = [
            (lambda: fv.volume([small_file(FILE_GUID, 5000)], size=0x1000), "has no room"),
            (lambda: fv.volume([small_file(FILE_GUID, 5)] * 2), "given twice"),
            (lambda: fv.Volume(bytes(damaged_header)), "header checksum is wrong"),
            (lambda: fv.Volume(bytes(data_in_free_space)), "free space from 0x.* holds data"),
            (lambda: fv.Volume(b"\0" * 100), "no firmware volume header"),
            (lambda: fv.Volume(good).with_files([small_file(OTHER_GUID, 0x1000)]), "has no room for " + OTHER_GUID),
            (lambda: fv.Volume(good).with_files([small_file(FILE_GUID, 1)]), "already holds a file " + FILE_GUID),
        ]
        for make, message in cases:
            with self.subTest(message):
                with self.assertRaisesRegex(FwpackError, message):
                    make()

    def test_files_added_to_free_space_keep_the_rest(self):
        base = fv.volume([small_file(FILE_GUID, 5)], size=0x2000)
        grown = fv.Volume(base).with_files([small_file(OTHER_GUID, 300)])
        self.assertEqual(len(grown), len(base))
        self.assertEqual(grown[:fv.Volume(base).free_offset], base[:fv.Volume(base).free_offset])
        self.assertEqual([item.name for item in fv.Volume(grown).files], [FILE_GUID, OTHER_GUID])


class BuiltInCodeImage(Scratch):
    """The kit's OVMF_CODE_4M.Quorvane.fd and the builtin command's refusals."""

    def setUp(self):
        super().setUp()
        if not os.path.exists(OVMF_CODE):
            self.skipTest(f"{OVMF_CODE} missing (scripts/setup installs ovmf)")

    def test_same_size_with_the_files_in_the_dxe_volume(self):
        original = compact.CompactImage(read(OVMF_CODE))
        image = read(built(os.path.join("kit", "OVMF_CODE_4M.Quorvane.fd")))
        self.assertEqual(len(image), len(original.image))
        taken = compact.CompactImage(image)
        self.assertEqual(len(taken.dxe.data), len(original.dxe.data))
        self.assertEqual(taken.dxe.name, "7CB8BDC9-F8EB-4F34-AAEA-3EE4AF6516A1", "OVMF's DXE volume, by its extension header")
        self.assertEqual(taken.dxe.files[0].kind, ffs.PAD, "the pad file holding the extension header is a file like any")
        self.assertEqual(compact.lzma_properties(taken.packed)[:4], compact.lzma_properties(original.packed)[:4])
        self.assertEqual(compact.lzma_properties(taken.packed)[4], len(taken.contents),
                         "the LZMA header carries the real size")
        added = taken.dxe.files[len(original.dxe.files):]
        self.assertEqual([item.raw for item in taken.dxe.files[:len(original.dxe.files)]],
                         [item.raw for item in original.dxe.files])
        self.assertEqual(added[0].raw, read(built("Quorvane.ffs")))
        self.assertEqual(len(added), 5)
        # What lies outside FVMAIN_COMPACT (the SEC volume with the reset vector) is untouched.
        end = original.compact_offset + original.compact.length
        self.assertEqual(image[end:], original.image[end:])

    def test_show_reads_the_dxe_volume_back(self):
        status, shown = fwpack("show", built(os.path.join("kit", "OVMF_CODE_4M.Quorvane.fd")), output=True)
        self.assertEqual(status, 0)
        dxe = shown.split("DXE volume in the LZMA section: 7CB8BDC9-F8EB-4F34-AAEA-3EE4AF6516A1")[1]
        self.assertIn(f"file {FILE_GUID} DRIVER size {len(read(built('Quorvane.ffs')))}", dxe)
        self.assertIn('section USER_INTERFACE size 22 "Quorvane"', dxe)

    def test_bad_input_is_refused_and_leaves_no_output(self):
        quorvane = built("Quorvane.ffs")
        damaged = bytearray(read(quorvane))
        damaged[30] ^= 0xFF
        huge = self.write("huge.ffs", ffs.firmware_file(OTHER_GUID, ffs.RAW, bytes(8 * 1024 * 1024)))
        not_ovmf = self.write("not-ovmf.fd", bytes(4 * 1024 * 1024))
        cases = [  # (code image, firmware file, expected message part)
            (not_ovmf, quorvane, "not an OVMF code image: no firmware volume header at offset 0"),
            (self.write("plain.fd", fv.volume([read(quorvane)])), quorvane, "not an OVMF code image: no volume holds"),
            (OVMF_CODE, self.write("damaged.ffs", bytes(damaged)), "damaged.ffs.*checksum is wrong"),
            (OVMF_CODE, huge, "has no room for " + OTHER_GUID),
        ]
        for code, added, message in cases:
            with self.subTest(message):
                output = self.write("out.fd", b"an earlier run's output")
                status, error = fwpack("builtin", "--code", code, "-o", output, added)
                self.assertEqual(status, 1)
                self.assertRegex(error, message)
                self.assertFalse(os.path.exists(output))


if __name__ == "__main__":
    unittest.main()
