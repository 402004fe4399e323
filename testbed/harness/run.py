#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Boots OVMF in QEMU in this terminal with the Security page on screen.

The serial console is this terminal (arrow keys, Enter, Esc, F10 work);
Ctrl-A X quits QEMU. Each run starts from a fresh variable store unless
--keep names a folder to reuse."""
import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from testbed import boot_files  # noqa: E402
from machine import Machine  # noqa: E402


def main():
    parser = argparse.ArgumentParser(prog="scripts/run", description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--efi-dir", required=True)
    parser.add_argument("--user", choices=["Supervisor", "User"], default="Supervisor",
                        help="the account signed in to setup (default Supervisor)")
    parser.add_argument("--tpm", action="store_true", help="give the machine a TPM 2.0 (swtpm)")
    parser.add_argument("--ide-disk", action="store_true",
                        help="a 64 MiB disk on the IDE controller (pc machine, PIIX IDE primary master)")
    parser.add_argument("--setup", action="store_true",
                        help="start the firmware's own setup program; the page is under Device Manager")
    parser.add_argument("--txt", action="store_true", help="a platform reporting TXT support (shows the TXT switch)")
    parser.add_argument("--diagnostics", action="store_true", help="load QuorvaneDiagnostics.efi")
    parser.add_argument("--keep", metavar="DIR", help="keep the disks and variable store in DIR across runs")
    args = parser.parse_args()

    scenario = {"mode": "setup" if args.setup else "page", "user": args.user, "events": "off"}
    if args.txt:
        scenario["txt"] = 1
    if args.diagnostics:
        scenario["driver"] = "diagnostics"
    workdir = os.path.abspath(args.keep) if args.keep else None
    vars_file = None
    if workdir and os.path.exists(os.path.join(workdir, "vars.fd")):
        vars_file = os.path.join(workdir, "vars.fd.saved")
        os.replace(os.path.join(workdir, "vars.fd"), vars_file)
    machine = Machine("run", boot_files(args.efi_dir, **scenario), workdir=workdir,
                      machine="pc" if args.ide_disk else "q35", tpm=args.tpm, ide_disk=args.ide_disk,
                      vars_file=vars_file)
    print(f"run: signed in as {args.user}; TPM {'yes' if args.tpm else 'no'}; "
          f"IDE disk {'yes' if args.ide_disk else 'no'}; {'setup program' if args.setup else 'Security page'}")
    print("run: Ctrl-A X quits QEMU; the page appears after about 10 s of emulated boot")
    try:
        if args.tpm:
            machine.start_tpm()
        return subprocess.call(machine.command(interactive=True))
    finally:
        machine.stop()
        if not args.keep:
            import shutil
            shutil.rmtree(machine.dir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
