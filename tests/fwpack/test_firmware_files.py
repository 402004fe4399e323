# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Firmware files as fwpack writes them: checksums, state, sections, the
image bytes unchanged; the built Quorvane.ffs and QuorvaneDiagnostics.ffs,
the kit's INF; and UEFIExtract reading them without complaint."""
import os
import struct
import unittest

from support import QUORVANE_MODULE, Scratch, built, fwpack, read
from fwpack import ffs, sections as sec
from fwpack.errors import FwpackError
from fwpack.module import Module
from fwpack.__main__ import driver_file
import uefiextract

FILE_GUID = "AFEE5512-2434-4EBC-B307-B579CB968D0B"
IMAGE = b"MZ" + bytes(range(256)) * 3  # an image-like body: the packager must not touch it


class FileLayout(unittest.TestCase):
    def setUp(self):
        self.module = Module(QUORVANE_MODULE)
        self.raw = driver_file(self.module, IMAGE, bytes([0x06, 0x08]))

    def test_header_fields_and_checksums(self):
        raw = self.raw
        self.assertEqual(raw[18], ffs.DRIVER)
        self.assertEqual(int.from_bytes(raw[20:23], "little"), len(raw))
        self.assertEqual(raw[23], 0xF8, "State: constructed, header valid, data valid, in a volume of erase polarity 1")
        self.assertEqual(raw[19] & ffs.ATTRIB_CHECKSUM, ffs.ATTRIB_CHECKSUM)
        header = bytearray(raw[:24])
        header[17] = header[23] = 0
        self.assertEqual(sum(header) & 0xFF, 0, "header checksum over the header with State and File zeroed")
        self.assertEqual((sum(raw[24:]) + raw[17]) & 0xFF, 0, "data checksum over everything after the header")

    def test_without_data_checksum_the_file_byte_is_0xAA(self):
        raw = ffs.firmware_file(FILE_GUID, ffs.RAW, b"abc", data_checksum=False)
        self.assertEqual(raw[17], 0xAA)
        self.assertEqual(raw[19] & ffs.ATTRIB_CHECKSUM, 0)
        ffs.FirmwareFile(raw)

    def test_sections_in_order_aligned_with_the_image_unchanged(self):
        item = ffs.FirmwareFile(self.raw)
        found = item.sections()
        self.assertEqual([s.kind for s in found], [sec.DXE_DEPEX, sec.PE32, sec.USER_INTERFACE, sec.VERSION])
        self.assertTrue(all(s.offset % 4 == 0 for s in found))
        self.assertEqual(found[1].body, IMAGE)
        self.assertEqual(found[2].text(), "Quorvane")
        self.assertEqual(found[3].text(), self.module.version)
        self.assertEqual(struct.unpack_from("<H", found[3].body)[0], 0, "build number")

    def test_damage_is_named(self):
        cases = [  # (what, byte offset to change, expected message part)
            ("header byte", 18, "header checksum is wrong"),
            ("image byte", len(self.raw) - 40, "data checksum is wrong"),
        ]
        for what, offset, message in cases:
            with self.subTest(what):
                damaged = bytearray(self.raw)
                damaged[offset] ^= 0x40
                with self.assertRaisesRegex(FwpackError, message):
                    ffs.FirmwareFile(bytes(damaged))
        with self.assertRaisesRegex(FwpackError, r"size \d+ does not fit the \d+ bytes there"):
            ffs.FirmwareFile(self.raw[:-100])
        with self.assertRaisesRegex(FwpackError, "shorter than a firmware file header"):
            ffs.FirmwareFile(self.raw[:10])


class BuiltFiles(unittest.TestCase):
    def test_both_files_carry_their_image_under_one_guid(self):
        for image, name in (("Quorvane.efi", "Quorvane.ffs"), ("QuorvaneDiagnostics.efi", "QuorvaneDiagnostics.ffs")):
            with self.subTest(name):
                item = ffs.FirmwareFile(read(built(name)))
                self.assertEqual(item.name, FILE_GUID)
                self.assertEqual(item.kind, ffs.DRIVER)
                self.assertEqual(item.section(sec.PE32).body, read(built(image)))
                self.assertEqual(item.section(sec.DXE_DEPEX).body, read(built("Quorvane.depex")))
                self.assertEqual(item.section(sec.USER_INTERFACE).text(), "Quorvane")

    def test_kit_holds_the_module(self):
        kit = os.path.dirname(built(os.path.join("kit", "Quorvane.inf")))
        for name in ("Quorvane.efi", "QuorvaneDiagnostics.efi", "Quorvane.depex", "Quorvane.ui", "Quorvane.ffs",
                     "QuorvaneDiagnostics.ffs"):
            self.assertTrue(os.path.exists(os.path.join(kit, name)), name)
        self.assertEqual(read(os.path.join(kit, "Quorvane.efi")), read(built("Quorvane.efi")))
        text = read(os.path.join(kit, "Quorvane.inf")).decode()
        defines = dict(line.strip().split(None, 1)[0:1] + [line.split("=", 1)[1].strip()]
                       for line in text.split("[Defines]")[1].split("[")[0].splitlines() if "=" in line)
        self.assertEqual(defines["BASE_NAME"], "Quorvane")
        self.assertEqual(defines["FILE_GUID"], FILE_GUID)
        self.assertEqual(defines["MODULE_TYPE"], "DXE_DRIVER")
        binaries = [line.strip() for line in text.split("[Binaries.X64]")[1].split("\n\n")[0].splitlines() if line.strip()]
        self.assertEqual(binaries, ["PE32|Quorvane.efi|*", "DXE_DEPEX|Quorvane.depex|*", "UI|Quorvane.ui|*"])
        ui = sec.parse(read(os.path.join(kit, "Quorvane.ui")))
        self.assertEqual([(s.kind, s.text()) for s in ui], [(sec.USER_INTERFACE, "Quorvane")])


class IndependentReader(Scratch):
    """UEFIExtract reads what fwpack writes and finds nothing wrong."""

    def test_volume_with_each_firmware_file(self):
        for name in ("Quorvane.ffs", "QuorvaneDiagnostics.ffs"):
            with self.subTest(name):
                volume = self.path(name + ".fv")
                self.assertEqual(fwpack("fv", "-o", volume, built(name)), (0, ""))
                rows, complaints = uefiextract.report(volume)
                self.assertEqual(complaints, [])
                self.assertEqual([row[1] for row in rows if row[0] == "Volume"], ["FFSv2"])
                row, found = uefiextract.file_and_sections(rows, FILE_GUID)
                self.assertIsNotNone(row, "UEFIExtract does not list the file")
                self.assertEqual((row[1], row[-1]), ("DXE driver", "Quorvane"))
                self.assertEqual(found, ["DXE dependency", "PE32 image", "UI", "Version"])

    def test_dispatch_volume(self):
        rows, complaints = uefiextract.report(built("TestbedDispatch.fv"))
        self.assertEqual(complaints, [])
        self.assertIsNotNone(uefiextract.file_and_sections(rows, FILE_GUID)[0])

    def test_damaged_file_is_refused_and_leaves_no_output(self):
        damaged = bytearray(read(built("Quorvane.ffs")))
        damaged[5000] ^= 1
        source = self.write("damaged.ffs", bytes(damaged))
        volume = self.write("out.fv", b"an earlier run's output")
        code, message = fwpack("fv", "-o", volume, source)
        self.assertEqual(code, 1)
        self.assertIn("damaged.ffs", message)
        self.assertIn("data checksum is wrong", message)
        self.assertFalse(os.path.exists(volume))
        self.assertEqual([name for name in os.listdir(self.folder.name) if name.startswith(".fwpack-")], [])

    def test_image_that_is_not_efi_is_refused(self):
        code, message = fwpack("ffs", "--module", QUORVANE_MODULE, "--pe32", self.write("x.efi", b"ELF..."),
                               "-o", self.path("x.ffs"))
        self.assertEqual(code, 1)
        self.assertIn("not an EFI image", message)
        self.assertFalse(os.path.exists(self.path("x.ffs")))


if __name__ == "__main__":
    unittest.main()
