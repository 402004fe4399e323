#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Checks the shipped and diagnostic driver images as files: PE32+ x86-64,
subsystem 11, entry point DriverEntry, base relocations, no import table,
zero-initialised state only in a section of its own without file bytes (the
loader zero-fills it; inside the merged code section it would read as code
padding), and no diagnostic text in the shipped image."""
import re
import struct
import sys


def check(image_path, map_path, shipped):
    failures = []
    data = open(image_path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return [f"{image_path}: no PE signature"]
    machine = struct.unpack_from("<H", data, pe + 4)[0]
    optional = pe + 24
    magic, = struct.unpack_from("<H", data, optional)
    entry, = struct.unpack_from("<I", data, optional + 16)
    subsystem, = struct.unpack_from("<H", data, optional + 68)
    directories = optional + 112
    import_rva, import_size = struct.unpack_from("<II", data, directories + 8)
    reloc_rva, reloc_size = struct.unpack_from("<II", data, directories + 5 * 8)
    if machine != 0x8664 or magic != 0x20B:
        failures.append(f"not PE32+ x86-64 (machine {machine:#x}, magic {magic:#x})")
    if subsystem != 11:
        failures.append(f"subsystem {subsystem}, expected 11")
    if import_size != 0:
        failures.append("the image has an import table")
    if reloc_size == 0:
        failures.append("the image has no base relocations")
    text = open(map_path, encoding="utf-8", errors="replace").read()
    bss = re.search(r"^\s*0001:[0-9a-f]{8}\s+([0-9a-f]{8})H\s+\.bss\s", text, re.M | re.I)
    if bss and int(bss.group(1), 16) != 0:
        failures.append(f".bss holds {int(bss.group(1), 16)} bytes inside the code section")
    section_count, = struct.unpack_from("<H", data, pe + 6)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    for index in range(section_count):
        header = optional + optional_size + 40 * index
        name = data[header:header + 8].rstrip(b"\0")
        virtual_size, _, raw_size, _ = struct.unpack_from("<IIII", data, header + 8)
        characteristics, = struct.unpack_from("<I", data, header + 36)
        uninitialised = characteristics & 0x80 != 0
        if uninitialised and raw_size != 0:
            failures.append(f"section {name} of uninitialised data takes {raw_size} file bytes")
        if uninitialised and characteristics & 0x20 != 0:
            failures.append(f"section {name} mixes code and uninitialised data")
        if name == b".bss" and not uninitialised:
            failures.append(f"section .bss is stored as initialised data ({virtual_size} bytes)")
    entry_symbol = re.search(r"^\s*0001:[0-9a-f]{8}\s+DriverEntry\s+([0-9a-f]{16})", text, re.M)
    if not entry_symbol or int(entry_symbol.group(1), 16) - 0x140000000 != entry:
        failures.append("the entry point is not DriverEntry")
    marker = "ERROR. Quorvane".encode("utf-16-le")
    if shipped and marker in data:
        failures.append("the shipped image carries diagnostic texts")
    if not shipped and marker not in data:
        failures.append("the diagnostic image lacks its diagnostic texts")
    return [f"{image_path}: {failure}" for failure in failures]


def main(efi_dir):
    failures = check(f"{efi_dir}/Quorvane.efi", f"{efi_dir}/Quorvane.map", True)
    failures += check(f"{efi_dir}/QuorvaneDiagnostics.efi", f"{efi_dir}/QuorvaneDiagnostics.map", False)
    for failure in failures:
        print("FAIL:", failure)
    print(f"{2 - len({f.split(':')[0] for f in failures})} passed, {len({f.split(':')[0] for f in failures})} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
