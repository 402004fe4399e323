#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Boots OVMF in QEMU in this terminal with the Security page on screen.

The firmware's serial console is drawn in this terminal (UTF-8: box characters
and all); arrow keys, Enter, Esc and F10 reach the form browser; Ctrl-A X quits.
The page needs a terminal of at least 100x31 (80x25 with --setup). Each run
starts from a fresh variable store unless --keep names a folder to reuse."""
import argparse
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from machine import Machine  # noqa: E402
from ppm2png import convert  # noqa: E402
from screen import Screen, split_events  # noqa: E402
from terminal import ConsoleBridge, terminal_size  # noqa: E402
from testbed import boot_files  # noqa: E402

# The states the hard-disk password service's model of the ATA security
# feature set can give the IDE disk (testbed/services/hdd_password_service.cpp).
HDD_SECURITY_STATES = ["none", "user", "master", "user-master", "locked", "frozen", "expired"]
PAGE_SIZE, SETUP_SIZE = (100, 31), (80, 25)


def parse_arguments():
    parser = argparse.ArgumentParser(prog="scripts/run", description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--efi-dir", required=True, help=argparse.SUPPRESS)
    parser.add_argument("--user", choices=["Supervisor", "User"], default="Supervisor",
                        help="the account signed in to setup (default Supervisor)")
    parser.add_argument("--tpm", action="store_true", help="give the machine a TPM 2.0 (swtpm)")
    parser.add_argument("--ide-disk", action="store_true",
                        help="a 64 MiB disk on the IDE controller (pc machine, PIIX IDE primary master)")
    parser.add_argument("--hdd-security", choices=HDD_SECURITY_STATES, metavar="STATE",
                        help="the IDE disk (implies --ide-disk) with a software model of the ATA security "
                             "feature set in STATE: " + ", ".join(HDD_SECURITY_STATES) +
                             "; passwords set through the page change it for this boot")
    parser.add_argument("--setup", action="store_true",
                        help="start the firmware's own setup program; the page is under Device Manager")
    parser.add_argument("--txt", action="store_true", help="a platform reporting TXT support (shows the TXT switch)")
    parser.add_argument("--diagnostics", action="store_true", help="load QuorvaneDiagnostics.efi")
    parser.add_argument("--keep", metavar="DIR", help="keep the disks and variable store in DIR across runs")
    parser.add_argument("--describe", action="store_true", help="only build and describe the two driver images")
    parser.add_argument("--built-in", action="store_true",
                        help="OVMF with the page built into its DXE volume (kit/OVMF_CODE_4M.Quorvane.fd), "
                             "no boot application: Device Manager > Security")
    parser.add_argument("--screenshot", metavar="FILE.png",
                        help="boot without the terminal, write the screen (VGA, 1280x800) as a PNG "
                             "once the page is drawn, and power off")
    return parser.parse_args()


def scenario_of(args):
    scenario = {"mode": "setup" if args.setup else "page", "user": args.user, "events": "off"}
    if args.txt:
        scenario["txt"] = 1
    if args.diagnostics:
        scenario["driver"] = "diagnostics"
    if args.hdd_security:
        scenario["hdd_security"] = args.hdd_security
    return scenario


def kept_store(args):
    """The --keep folder and the variable store a previous run left there (None, None without --keep)."""
    workdir = os.path.abspath(args.keep) if args.keep else None
    vars_file = None
    if workdir and os.path.exists(os.path.join(workdir, "vars.fd")):
        vars_file = os.path.join(workdir, "vars.fd.saved")
        os.replace(os.path.join(workdir, "vars.fd"), vars_file)
    return workdir, vars_file


def machine_of(args):
    ide_disk = args.ide_disk or args.hdd_security is not None
    workdir, vars_file = kept_store(args)
    machine = Machine("run", boot_files(args.efi_dir, **scenario_of(args)), workdir=workdir,
                      machine="pc" if ide_disk else "q35", tpm=args.tpm, ide_disk=ide_disk, vars_file=vars_file)
    disk = f"yes ({args.hdd_security})" if args.hdd_security else "yes" if ide_disk else "no"
    print(f"run: signed in as {args.user}; TPM {'yes' if args.tpm else 'no'}; IDE disk {disk}; "
          f"{'setup program' if args.setup else 'Security page'}")
    return machine


def terminal_fits(needed):
    """Says so when this terminal is smaller than the page; False if the user then gives up."""
    size = terminal_size()
    if size is None or (size[0] >= needed[0] and size[1] >= needed[1]):
        return True
    print(f"run: this terminal is {size[0]}x{size[1]}; the page needs {needed[0]}x{needed[1]} "
          "and would be cut off. Enlarge the window, then press Enter (Ctrl-C gives up).")
    try:
        sys.stdin.readline()
    except KeyboardInterrupt:
        return False
    return True


def in_terminal(args, machine):
    print("run: Ctrl-A X quits QEMU; the page appears after about 10 s of emulated boot")
    return ConsoleBridge(machine).run()


def screenshot(args, machine):
    columns, rows = SETUP_SIZE if args.setup else PAGE_SIZE
    needle = "Device Manager" if args.setup else "F10=Save"
    started = time.time()
    machine.start()

    def drawn(m):
        screen = Screen(columns, rows)
        screen.feed(split_events(bytes(m.output))[0])
        return screen.find(needle) is not None

    if not machine.wait_for(drawn, 300):
        print(f"run: no \"{needle}\" on the console within 300 s", file=sys.stderr)
        return 1
    # The browser draws in pieces: wait until the console has been quiet.
    last, quiet_since = -1, time.time()
    while time.time() - quiet_since < 2:
        if len(machine.output) != last:
            last, quiet_since = len(machine.output), time.time()
        time.sleep(0.1)
    ppm = os.path.join(machine.dir, "screen.ppm")
    machine.screendump(ppm)
    convert(ppm, args.screenshot)
    print(f"run: {args.screenshot} written {time.time() - started:.0f} s after boot; powering off")
    return 0


def describe(efi_dir, *images):
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "describe-image")
    return subprocess.call([script] + [os.path.join(efi_dir, image) for image in images])


def main():
    args = parse_arguments()
    if args.describe:
        return describe(args.efi_dir, "Quorvane.efi", "QuorvaneDiagnostics.efi")
    describe(args.efi_dir, "Quorvane.efi")
    if args.built_in:
        from builtin import run_interactive
        if not terminal_fits(SETUP_SIZE):
            return 1
        return run_interactive(args, *kept_store(args))
    if not args.screenshot and not terminal_fits(SETUP_SIZE if args.setup else PAGE_SIZE):
        return 1
    machine = machine_of(args)
    try:
        return screenshot(args, machine) if args.screenshot else in_terminal(args, machine)
    finally:
        machine.stop()
        if not args.keep:
            shutil.rmtree(machine.dir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
