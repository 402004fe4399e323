#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Signed images under Secure Boot: Debian's snakeoil OVMF (Secure Boot on,
the snakeoil certificate in db) boots the testbed with every image signed by
`scripts/sign` with the snakeoil key. The boot application first loads the
unsigned driver, which the firmware must refuse with EFI_ACCESS_DENIED, then
the signed one, which must start; the page then shows and answers a key
(Enter on "Set Supervisor Password:" opens the password dialog)."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from machine import SNAKEOIL_CERT, SNAKEOIL_KEY, SNAKEOIL_PASSPHRASE  # noqa: E402
from page_test import Checks, check_common  # noqa: E402
from testbed import IMAGES, Testbed  # noqa: E402

EFI_ACCESS_DENIED = "800000000000000f"


def signed_copies(root, efi_dir, folder):
    """A folder with every boot image signed under its own name; returns (folder, unsigned driver)."""
    images = sorted(set(IMAGES.values()))
    for image in images:
        shutil.copy(os.path.join(efi_dir, image), folder)
    passphrase = os.path.join(folder, "passphrase")
    with open(passphrase, "w") as handle:
        handle.write(SNAKEOIL_PASSPHRASE + "\n")
    subprocess.run([os.path.join(root, "scripts", "sign"), "--key", SNAKEOIL_KEY, "--cert", SNAKEOIL_CERT,
                    "--passphrase-file", passphrase, "--efi-dir", folder] + images, check=True)
    signed = os.path.join(folder, "signed")
    os.makedirs(signed)
    for image in images:
        os.replace(os.path.join(folder, image[:-len(".efi")] + ".signed.efi"), os.path.join(signed, image))
    return signed, os.path.join(folder, "Quorvane.efi")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True, help="the source tree whose scripts/sign is used")
    parser.add_argument("--efi-dir", required=True)
    parser.add_argument("--timeout", type=int, default=300)
    args = parser.parse_args()
    c = Checks()
    with tempfile.TemporaryDirectory(prefix="quorvane-secure-boot-") as folder:
        signed, unsigned = signed_copies(args.root, args.efi_dir, folder)
        started = time.time()
        with Testbed("secure-boot", signed, machine="q35", secure_boot=True, mode="page", user="Supervisor",
                     try_unsigned=1, extra_files={"EFI/QUORVANE/UNSIGNED.EFI": unsigned}) as machine:
            refused = machine.wait_event("boot unsigned driver ", args.timeout)
            c.expect(refused == f"boot unsigned driver status={EFI_ACCESS_DENIED}",
                     f"the unsigned driver: {refused!r}, expected EFI_ACCESS_DENIED")
            started_event = machine.wait_event("boot driver Quorvane.efi ", args.timeout)
            c.expect(started_event == "boot driver Quorvane.efi exit=0 status=0",
                     f"the signed driver: {started_event!r}")
            if c.expect(machine.wait_screen("F10=Save", args.timeout) is not None, "the page was not drawn"):
                print(f"secure boot: page {time.time() - started:.1f} s after power-on")
                machine.settle(3, 60)
                screen = machine.screen()
                print(screen.text())
                check_common(screen, c)
                machine.key("enter")
                c.expect(machine.wait_screen("Enter New Password:", 30) is not None,
                         "Enter on \"Set Supervisor Password:\" did not open the password dialog")
            if c.failures:
                print("\n".join(machine.events()))
    return c.finish("secure boot")


if __name__ == "__main__":
    sys.exit(main())
