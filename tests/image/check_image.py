#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Checks the shipped and diagnostic driver images as files: PE32+ x86-64,
subsystem 11, entry point DriverEntry, base relocations, no import table,
zero-initialised state only in a section of its own without file bytes (the
loader zero-fills it; inside the merged code section it would read as code
padding), no diagnostic text in the shipped image, and no way out of the call
to the boot service Exit (disassembled with llvm-objdump)."""
import re
import struct
import subprocess
import sys

# Offset of Exit in EFI_BOOT_SERVICES: the 24-byte header, then 24 pointers.
EXIT_SLOT = 0xD8
# What may run between Exit and the jump that closes the loop after it.
LOOP_BODY = {"pause", "hlt", "cli", "nop"}


def instructions(image_path, objdump):
    """(address, end address, mnemonic, operands) of every instruction."""
    listing = subprocess.run([objdump, "-d", "--no-show-raw-insn", image_path], check=True,
                             capture_output=True, text=True).stdout
    decoded = []
    for line in listing.splitlines():
        match = re.match(r"^\s*([0-9a-f]+):\s+(\S+)\s*([^#]*)", line)
        if match:
            decoded.append([int(match.group(1), 16), None, match.group(2), match.group(3).strip()])
    for index, instruction in enumerate(decoded[:-1]):
        instruction[1] = decoded[index + 1][0]
    return decoded[:-1]


def exit_call_failures(image_path, objdump):
    """Every call through the Exit slot must be followed by a loop it cannot
    leave: only halt/pause instructions, then an unconditional jump back to
    an address between the call and that jump."""
    failures = []
    code = instructions(image_path, objdump)
    slot = re.compile(rf"^\*(?:{EXIT_SLOT}|{EXIT_SLOT:#x})\(%r\w+\)$")
    calls = [index for index, (_, _, mnemonic, operands) in enumerate(code)
             if mnemonic.startswith(("call", "jmp")) and slot.match(operands)]
    if not calls:
        failures.append("no call through the boot-service Exit slot found")
    for index in calls:
        address, after_call, mnemonic, _ = code[index]
        if mnemonic.startswith("jmp"):
            failures.append(f"Exit at {address:#x} is reached by a tail jump: its return leaves the image's code")
            continue
        follower = index + 1
        while follower < len(code) and code[follower][2] in LOOP_BODY:
            follower += 1
        jump = code[follower] if follower < len(code) else None
        target = None
        direct = re.match(r"^(?:0x)?([0-9a-f]+)(?:\s|$)", jump[3]) if jump else None
        if jump and jump[2] in ("jmp", "jmpq") and direct:
            target = int(direct.group(1), 16)
        if target is None or not after_call <= target <= jump[0]:
            what = f"{jump[2]} {jump[3]}" if jump else "the end of the code"
            failures.append(f"Exit at {address:#x} is followed by {what} at "
                            f"{jump[0] if jump else after_call:#x}, not by a loop it cannot leave")
    return failures


def check(image_path, map_path, shipped, objdump):
    failures = exit_call_failures(image_path, objdump)
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


def main(efi_dir, objdump):
    failures = check(f"{efi_dir}/Quorvane.efi", f"{efi_dir}/Quorvane.map", True, objdump)
    failures += check(f"{efi_dir}/QuorvaneDiagnostics.efi", f"{efi_dir}/QuorvaneDiagnostics.map", False, objdump)
    for failure in failures:
        print("FAIL:", failure)
    print(f"{2 - len({f.split(':')[0] for f in failures})} passed, {len({f.split(':')[0] for f in failures})} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
