#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Smoke test on real firmware: OVMF loads the shipped and the diagnostic
driver image; with none of the vendor services present, start-up stops at the
hard-disk password service and both images exit with 14 (EFI_NOT_FOUND's low
32 bits). Only the diagnostic image says so on the console."""
import argparse
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from machine import Machine  # noqa: E402

DIAGNOSTIC_LINE = "ERROR. Quorvane.DxeMain: Unable to locate Hard disk password Protocol"


def section(text, name):
    """What the console showed between the start and exit events of an image, and its exit code."""
    match = re.search("\x02start " + re.escape(name) + "\x03(.*?)\x02exit " + re.escape(name) +
                      r" (\d+) status=([0-9a-f]+) ([a-z-]+)\x03", text, re.S)
    if not match:
        return None
    return match.group(1), int(match.group(2)), match.group(4)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--efi-dir", required=True)
    parser.add_argument("--timeout", type=int, default=240)
    args = parser.parse_args()
    files = {
        "EFI/BOOT/BOOTX64.EFI": os.path.join(args.efi_dir, "TestbedSmoke.efi"),
        "EFI/QUORVANE/QUORVANE.EFI": os.path.join(args.efi_dir, "Quorvane.efi"),
        "EFI/QUORVANE/DIAG.EFI": os.path.join(args.efi_dir, "QuorvaneDiagnostics.efi"),
    }
    failures = []
    with Machine("smoke", files) as machine:
        code = machine.wait_exit(args.timeout)
        text = machine.text()
    if code is None:
        failures.append(f"the machine did not power off within {args.timeout} s")
    for name, expect_line in (("Quorvane.efi", False), ("QuorvaneDiagnostics.efi", True)):
        found = section(text, name)
        if found is None:
            failures.append(f"{name}: no start/exit events on the serial line")
            continue
        console, exit_code, loaded = found
        print(f"{name}: {loaded}, exit {exit_code}")
        if loaded != "loaded":
            failures.append(f"{name}: LoadImage refused the image")
        if exit_code != 14:
            failures.append(f"{name}: exit {exit_code}, expected 14")
        shown = console.replace("\r", "").strip()
        if expect_line and DIAGNOSTIC_LINE not in shown:
            failures.append(f"{name}: console lacks {DIAGNOSTIC_LINE!r}; it showed {shown!r}")
        if not expect_line and shown:
            failures.append(f"{name}: the shipped image wrote {shown!r}")
    if "\x02done\x03" not in text:
        failures.append("the boot application did not finish")
    for failure in failures:
        print("FAIL:", failure)
    if failures:
        print("--- serial ---")
        print(text[-4000:])
        return 1
    print("smoke: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
