#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""The Security page in OVMF's own form browser, read from the serial console
as a person sees it (rendered by screen.py).

  --scenario disk   pc machine, a disk on the PIIX IDE primary master, no TPM,
                    signed in as Supervisor, no passwords
  --scenario tpm    q35 machine, a TPM (swtpm), no disk, signed in as Supervisor
  --scenario user   q35 machine, a TPM, signed in as User: no setup-administrator
                    right, so the TPM lines should be hidden and the Supervisor action
                    grayed. OVMF's browser takes the IFR security test as always true
                    (it never asks the user manager), so this scenario fails there.
  --scenario setup  q35 machine, OVMF's own setup program: Device Manager lists
                    "Security", and selecting it opens the page
  --password-flow   then sets the Supervisor password through the page and
                    checks "Changes have been saved." and, on the reopened
                    page, "Set"
  --screenshot F    writes the VGA screen of the page as a PNG"""
import argparse
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ppm2png import convert  # noqa: E402
from testbed import Testbed  # noqa: E402

GRAYED = (0, 7, True)  # dark gray on light gray


class Checks:
    def __init__(self):
        self.failures = []

    def expect(self, condition, what):
        if not condition:
            self.failures.append(what)
        return condition

    def finish(self, name):
        """Prints the failures and the verdict; the exit code."""
        for failure in self.failures:
            print("FAIL:", failure)
        print(f"{name}: {'passed' if not self.failures else 'failed'}")
        return 1 if self.failures else 0


def right_text(screen, prompt):
    row = screen.row_text(prompt)
    return None if row is None else row.split(prompt, 1)[1].strip().split("  ")[0].strip()


def check_common(screen, c):
    c.expect(screen.find("Security") is not None, "no \"Security\" title")
    c.expect(right_text(screen, "Supervisor Password is:") == "Cleared", "\"Supervisor Password is:\" is not \"Cleared\"")
    c.expect(right_text(screen, "User Password is:") == "Cleared", "\"User Password is:\" is not \"Cleared\"")
    c.expect(screen.colours("Set User Password:") == GRAYED, "\"Set User Password:\" is not grayed")
    c.expect(screen.colours("Password On Boot:") == GRAYED, "\"Password On Boot:\" is not grayed")
    c.expect(screen.find("Set Supervisor Password:") is not None and
             screen.colours("Set Supervisor Password:") != GRAYED, "\"Set Supervisor Password:\" missing or grayed")
    c.expect(screen.find("Intel Trusted Execution Technology:") is None, "TXT switch shown without TXT support")


def password_flow(machine, c, password="Quorvane1"):
    start = len(machine.raw())
    where = machine.screen().find("Set Supervisor Password:")
    # The highlight starts on the first selectable statement.
    machine.key("enter")
    c.expect(machine.wait_screen("Enter New Password:", 20, 0) is not None, "no password dialog")
    machine.type(password)
    machine.key("enter")
    machine.type(password)
    machine.key("enter")
    shown = machine.wait_screen("Changes have been saved.", 20, 0)
    c.expect(shown is not None, "no \"Changes have been saved.\" message")
    machine.key("enter")  # dismiss the message
    machine.key("esc")  # leave the page; the boot application offers to reopen it
    machine.wait_screen("The Security page was closed.", 20, 0)
    mark = len(machine.raw())
    machine.key("enter")
    machine.wait_event("boot sendform", 20)
    machine.settle(3, 60)
    screen = machine.screen(mark)
    c.expect(right_text(screen, "Supervisor Password is:") == "Set",
             f"reopened page: \"Supervisor Password is:\" reads {right_text(screen, 'Supervisor Password is:')!r}")
    c.expect(screen.colours("Set User Password:") not in (None, GRAYED), "reopened page: \"Set User Password:\" grayed")
    c.expect(any(e == "um CommitChanges supervisor=set user=cleared status=0" for e in machine.events()),
             "the account service did not commit the new password")
    del where, start


def highlight(machine, needle, tries=12):
    """Moves the highlight down until needle is highlighted (drawn on black)."""
    for _ in range(tries):
        screen = machine.screen()
        where = screen.find(needle)
        if where is not None:
            cell = screen.cells[where[0]][where[1] + len(needle) - 1]
            if cell.bg == 0:
                return True
        machine.key("down")
    return False


def open_from_device_manager(machine, c):
    """From the firmware's front page: Device Manager, then "Security". The
    page's screen, or None (with the failure noted) if either is not there."""
    machine.settle(3, 60)
    if not c.expect(highlight(machine, "Device Manager"), "cannot reach Device Manager"):
        return None
    machine.key("enter")
    machine.settle(3, 60)
    c.expect(machine.screen().find("> Security") is not None, "Device Manager does not list \"Security\"")
    if not c.expect(highlight(machine, "> Security"), "cannot reach \"Security\""):
        return None
    machine.key("enter")
    machine.settle(3, 60)
    screen = machine.screen()
    print(screen.text())
    return screen


def setup_program(args):
    c = Checks()
    with Testbed("page-setup", args.efi_dir, machine="q35", mode="setup", user="Supervisor") as machine:
        machine.columns, machine.rows = 80, 25  # the front page runs at 80x25
        c.expect(machine.wait_event("boot setup-program", args.timeout) is not None, "setup program not started")
        machine.wait_screen("Device Manager", args.timeout)
        screen = open_from_device_manager(machine, c)
        if screen is not None:
            c.expect(right_text(screen, "Supervisor Password is:") == "Cleared",
                     "the page opened from Device Manager lacks \"Supervisor Password is:\" \"Cleared\"")
    for failure in c.failures:
        print("FAIL:", failure)
    print(f"page setup: {'passed' if not c.failures else 'failed'}")
    return 1 if c.failures else 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--efi-dir", required=True)
    parser.add_argument("--scenario", choices=["disk", "tpm", "user", "setup"], required=True)
    parser.add_argument("--password-flow", action="store_true")
    parser.add_argument("--screenshot")
    parser.add_argument("--timeout", type=int, default=180)
    args = parser.parse_args()
    c = Checks()
    if args.scenario == "disk":
        options = dict(machine="pc", ide_disk=True, tpm=False)
    elif args.scenario in ("tpm", "user"):
        options = dict(machine="q35", ide_disk=False, tpm=True)
    else:
        return setup_program(args)
    user = "User" if args.scenario == "user" else "Supervisor"
    with Testbed(f"page-{args.scenario}", args.efi_dir, mode="page", user=user, **options) as machine:
        if not c.expect(machine.wait_event("boot sendform", args.timeout) is not None, "the page was not opened"):
            print("\n".join(machine.events()))
            return 1
        screen = machine.wait_screen("F10=Save", args.timeout)
        machine.settle(3, 60)
        screen = machine.screen()
        print(screen.text())
        if args.scenario == "user":
            c.expect(right_text(screen, "Supervisor Password is:") == "Cleared", "\"Supervisor Password is:\" not \"Cleared\"")
            c.expect(screen.colours("Set Supervisor Password:") == GRAYED, "\"Set Supervisor Password:\" not grayed for User")
            c.expect(screen.colours("Password On Boot:") == GRAYED, "\"Password On Boot:\" not grayed for User")
            c.expect(screen.find("TPM Setup Menu") is None and screen.find("TPM not detected") is None,
                     "TPM lines shown to a user without the setup-administrator right")
            return report(c, args)
        check_common(screen, c)
        if args.scenario == "disk":
            c.expect(right_text(screen, "HDD 0 Password:") == "Unsupported",
                     f"\"HDD 0 Password:\" reads {right_text(screen, 'HDD 0 Password:')!r}, expected \"Unsupported\" "
                     "(QEMU's disk has no ATA security)")
            c.expect(screen.find("No HDD detected") is None, "\"No HDD detected\" with a disk")
            c.expect(screen.find("TPM not detected") is not None, "no \"TPM not detected\" without a TPM")
            c.expect(screen.find("TPM Setup Menu") is None, "\"TPM Setup Menu\" without a TPM")
            hdd = [e for e in machine.events() if e.startswith("hdd device=0 ")]
            c.expect(hdd and "channel=0 device=0 word128=0" in hdd[0], f"hard-disk service report {hdd}")
        else:
            c.expect(screen.find("TPM Setup Menu") is not None, "no \"TPM Setup Menu\" with a TPM")
            c.expect(screen.find("TPM not detected") is None, "\"TPM not detected\" with a TPM")
            c.expect(screen.find("No HDD detected") is not None, "no \"No HDD detected\" without a disk")
        if args.screenshot:
            ppm = os.path.join(machine.dir, "screen.ppm")
            machine.screendump(ppm)
            time.sleep(1)
            convert(ppm, args.screenshot)
            print("screenshot:", args.screenshot)
        if args.password_flow:
            password_flow(machine, c)
    return report(c, args)


def report(c, args):
    return c.finish(f"page {args.scenario}")


if __name__ == "__main__":
    sys.exit(main())
