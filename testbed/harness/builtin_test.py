#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""OVMF with the page built in (the kit's OVMF_CODE_4M.Quorvane.fd): no boot
application of ours runs. UEFIExtract finds Quorvane in the image's DXE
volume with its dependency section, beside the testbed services; the machine
boots from an empty disk with an IDE disk attached, Esc opens the firmware's
setup program, Device Manager lists "Security", and the page opens there
with the testbed's accounts and disk."""
import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "fwpack"))
from builtin import BuiltIn, code_image  # noqa: E402
from fwpack.module import Module  # noqa: E402
from uefiextract import file_and_sections, report  # noqa: E402
from page_test import Checks, open_from_device_manager, right_text  # noqa: E402

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
MODULES = [os.path.join(ROOT, "fwpack", "modules", "Quorvane.module")] + [
    os.path.join(ROOT, "testbed", "firmware", f"{name}.module")
    for name in ("TestbedPlatform", "TestbedAccounts", "TestbedSetupBrowser", "TestbedHddPassword")]
DRIVER_SECTIONS = ["DXE dependency", "PE32 image", "UI", "Version"]


def check_image(path, c):
    rows, complaints = report(path)
    c.expect(not complaints, f"UEFIExtract complains about the code image: {complaints}")
    for module_path in MODULES:
        module = Module(module_path)
        row, sections = file_and_sections(rows, module.file_guid)
        if c.expect(row is not None, f"UEFIExtract does not list {module.name} ({module.file_guid})"):
            print(f"UEFIExtract: {row[1]} {module.name}: {', '.join(sections)}")
            c.expect(row[1] == "DXE driver" and row[-1] == module.name, f"{module.name} listed as {row}")
            c.expect(sections == DRIVER_SECTIONS, f"{module.name} has the sections {sections}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--efi-dir", required=True)
    parser.add_argument("--timeout", type=int, default=180)
    args = parser.parse_args()
    c = Checks()
    image = code_image(args.efi_dir)
    check_image(image, c)
    with BuiltIn("builtin", args.efi_dir, machine="pc", ide_disk=True, user="Supervisor") as machine:
        if c.expect(machine.enter_setup(args.timeout), "Esc did not open the firmware's setup program"):
            screen = open_from_device_manager(machine, c)
            if screen is not None:
                c.expect(right_text(screen, "Supervisor Password is:") == "Cleared",
                         "the page lacks \"Supervisor Password is:\" \"Cleared\"")
                c.expect(right_text(screen, "HDD 0 Password:") == "Unsupported",
                         f"\"HDD 0 Password:\" reads {right_text(screen, 'HDD 0 Password:')!r}, not \"Unsupported\"")
        events = machine.events()
    c.expect(any(e.startswith("accounts signed-in=Supervisor") for e in events),
             "the accounts service built into the firmware did not start")
    c.expect(any(e.startswith("um RegisterUnlockForm form=17") for e in events),
             "the driver built into the firmware did not register its lock-out form")
    for failure in c.failures:
        print("FAIL:", failure)
    if c.failures:
        print("\n".join(events))
    print(f"built-in: {'passed' if not c.failures else 'failed'}")
    return 1 if c.failures else 0


if __name__ == "__main__":
    sys.exit(main())
