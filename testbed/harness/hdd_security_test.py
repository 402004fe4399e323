#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""The disk line of the Security page on OVMF with the testbed's software model
of the ATA security feature set on QEMU's IDE disk (scenario key
"hdd-security"): the state the page shows for each model state, whether
"Set HDD 0 Password:" is offered, and with --dialog that it opens the
hard-disk password dialog and what setting a user password there does.

  --state STATE   none, user, master, user-master, locked, frozen, expired
  --dialog        set a user password through the page's dialog: accepted in
                  state none (the reopened page then reads "User"), refused
                  while the disk is locked"""
import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from page_test import GRAYED, Checks, highlight, report  # noqa: E402
from testbed import Testbed  # noqa: E402

# Model state: (what "HDD 0 Password:" reads, whether the disk action is offered).
EXPECTED = {
    "none": ("Cleared", True),
    "user": ("User", True),
    "master": ("Master", True),
    "user-master": ("User+Master", True),
    "locked": ("User", True),
    "frozen": ("Frozen", False),
    "expired": ("Count Expired", False),
}
ACTION = "Set HDD 0 Password:"
DISK_MODEL = "QUORVANE TEST DISK"


def disk_state(screen):
    """The right-hand text of the "HDD 0 Password:" line (not of "Set HDD 0 Password:")."""
    for line in screen.lines():
        if line.lstrip().startswith("HDD 0 Password:"):
            return line.split("HDD 0 Password:", 1)[1].strip().split("  ")[0].strip()
    return None


def check_page(screen, state, c):
    shown, offered = EXPECTED[state]
    c.expect(disk_state(screen) == shown, f"\"HDD 0 Password:\" reads {disk_state(screen)!r}, expected {shown!r}")
    action = screen.find(ACTION)
    if offered:
        c.expect(action is not None and screen.colours(ACTION) != GRAYED, f"\"{ACTION}\" missing or grayed")
    else:
        c.expect(action is None, f"\"{ACTION}\" offered in state {state}")


def set_user_password(machine, state, c, password="Disk1234"):
    if not c.expect(highlight(machine, ACTION), f"cannot reach \"{ACTION}\""):
        return
    machine.key("enter")
    dialog = machine.wait_screen("Hard Disk Password", 30)
    if not c.expect(dialog is not None, "the hard-disk password dialog did not open"):
        return
    c.expect(dialog.find(DISK_MODEL) is not None, f"the dialog does not name the disk ({DISK_MODEL})")
    if not c.expect(highlight(machine, "Enter Password"), "cannot reach \"Enter Password\""):
        return
    machine.key("enter")
    c.expect(machine.wait_screen("Enter New Password:", 20) is not None, "no password prompt")
    machine.type(password)
    machine.key("enter")
    c.expect(machine.wait_screen("Confirm New Password:", 20) is not None, "no confirmation prompt")
    machine.type(password)
    machine.key("enter")
    accepted = state == "none"
    outcome = "Hard disk password set." if accepted else "The hard disk refused the password."
    c.expect(machine.wait_screen(outcome, 20) is not None, f"no \"{outcome}\" message")
    status = "0" if accepted else "8000000000000007"  # EFI_DEVICE_ERROR: SET PASSWORD aborted
    c.expect(f"hddui password kind=1 device=0 status={status}" in machine.events(),
             f"the dialog did not set the user password of disk 0 with status {status}")
    machine.key("enter")  # dismiss the message
    machine.key("esc")  # leave the dialog's form
    machine.key("esc")  # leave the page; the boot application offers to reopen it
    c.expect(machine.wait_screen("The Security page was closed.", 20) is not None, "the page was not left")
    mark = len(machine.raw())
    machine.key("enter")
    machine.wait_screen("F10=Save", 60, mark)
    machine.settle(3, 60)
    reopened = machine.screen(mark)
    c.expect(disk_state(reopened) == "User", f"reopened page: \"HDD 0 Password:\" reads {disk_state(reopened)!r}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--efi-dir", required=True)
    parser.add_argument("--state", choices=sorted(EXPECTED), required=True)
    parser.add_argument("--dialog", action="store_true")
    parser.add_argument("--timeout", type=int, default=180)
    args = parser.parse_args()
    args.scenario = f"hdd-security {args.state}"
    c = Checks()
    with Testbed(f"hdd-{args.state}", args.efi_dir, machine="pc", ide_disk=True, mode="page", user="Supervisor",
                 hdd_security=args.state) as machine:
        if not c.expect(machine.wait_screen("F10=Save", args.timeout) is not None, "the page was not drawn"):
            print("\n".join(machine.events()))
            return report(c, args)
        machine.settle(3, 60)
        screen = machine.screen()
        print(screen.text())
        check_page(screen, args.state, c)
        if args.dialog:
            set_user_password(machine, args.state, c)
        if c.failures:
            print("\n".join(machine.events()))
    return report(c, args)


if __name__ == "__main__":
    sys.exit(main())
