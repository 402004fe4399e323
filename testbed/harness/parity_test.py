#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""The host platform agrees with the firmware: the parity record that the
firmware checks took inside OVMF (written by checks_test.py --record) against
the record of the same scenarios on the host platform (quorvane_host_parity),
line by line. No boot of its own.

The record (testbed/parity/parity_record.h) covers the variables before and
after each step; OVMF's BlockToConfig and ConfigToBlock called directly; the
driver's ExtractConfig and RouteConfig called directly with headers as the
routing service writes them; what OVMF's routing service handed the driver
and got back (the host program hands the driver the same strings); and the
HII String service on the driver's package list, with the lock-out text.

Not compared: what OVMF's routing-level ExtractConfig answers its own caller
(it expands a bare header from the form and appends ALTCFG default blocks);
the host platform does not model routing-level ExtractConfig or RouteConfig
because the driver never calls them. Those answers stay in the checks test's
"check extract" events."""
import argparse
import difflib
import os
import subprocess
import sys

STORES = ["Setup", "TpmStatusVar", "PbaStatusVar", "StatusSetupVar", "HDD_Password_Status", "System",
          "UserManagerVar"]


def read_record(path):
    with open(path) as handle:
        return [line.rstrip("\n") for line in handle if line.startswith("parity ")]


def field(line, name):
    """The value of name=... in a record line (values hold no blanks)."""
    for word in line.split(" "):
        if word.startswith(name + "="):
            return word[len(name) + 1:]
    return None


def unique_id(record):
    """The unique id of the driver handle's vendor path: the UINT64 after the node header and GUID."""
    path = next((line.split(" ", 2)[2] for line in record if line.startswith("parity driver-path ")), "")
    if len(path) < 56:
        return None
    return bytes.fromhex(path[40:56])[::-1].hex()


def shown(line, column, width=110):
    start = max(0, column - width // 2)
    return ("..." if start else "") + line[start:start + width] + ("..." if start + width < len(line) else "")


def differences(firmware, host):
    """Pairs of differing lines, each shown around its first differing column."""
    out = []
    matcher = difflib.SequenceMatcher(a=firmware, b=host, autojunk=False)
    for tag, a1, a2, b1, b2 in matcher.get_opcodes():
        if tag == "equal":
            continue
        for offset in range(max(a2 - a1, b2 - b1)):
            left = firmware[a1 + offset] if a1 + offset < a2 else None
            right = host[b1 + offset] if b1 + offset < b2 else None
            column = 0
            if left is not None and right is not None:
                column = next((i for i, (x, y) in enumerate(zip(left, right)) if x != y), min(len(left), len(right)))
            words = (left or right).split(" ")[1:]
            label = " ".join(word for word in words[:next((i for i, w in enumerate(words) if "=" in w), len(words))])
            out.append(f"  {label} (line {a1 + offset + 1} of the firmware record, column {column})")
            out.append("    firmware: " + ("<missing>" if left is None else shown(left, column)))
            out.append("    host:     " + ("<missing>" if right is None else shown(right, column)))
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--firmware-record", required=True)
    parser.add_argument("--host-program", required=True)
    args = parser.parse_args()
    failures = []
    if not os.path.exists(args.firmware_record):
        print(f"FAIL: no firmware record at {args.firmware_record} (the checks test writes it)")
        return 1
    firmware = read_record(args.firmware_record)

    # The firmware record is whole: every scenario ran and the observer saw
    # routing reach the driver for every store.
    if not firmware or firmware[0] != "parity begin" or firmware[-1] != "parity end":
        failures.append("the firmware record does not run from 'parity begin' to 'parity end'")
    for store in STORES:
        for kind, case in (("extract", "block"), ("route", "route")):
            if not any(line.startswith(f"parity routing-driver {kind} {store} {case} ") for line in firmware):
                failures.append(f"the firmware's routing did not reach the driver: {kind} {store} {case}")

    # The headers the host scenarios build are those the routing service
    # writes: GUID bytes, NAME four hex digits per character, PATH.
    for store in STORES:
        direct = next((field(l, "request") for l in firmware if l.startswith(f"parity driver extract {store} block ")), None)
        routed = next((field(l, "request") for l in firmware if l.startswith(f"parity routing-driver extract {store} block ")), None)
        if direct is None or direct != routed:
            failures.append(f"extract {store}: the routing service handed the driver {routed}, the scenarios send {direct}")

    identity = unique_id(firmware)
    command = [args.host_program, "--replay", args.firmware_record] + (["--unique-id", identity] if identity else [])
    run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120)
    if run.returncode != 0:
        failures.append(f"the host program failed (exit {run.returncode}): {run.stderr.strip()[:500]}")
    host = [line for line in run.stdout.splitlines() if line.startswith("parity ")]

    differing = differences(firmware, host)
    if differing:
        failures.append(f"the records differ ({len(differing) // 3} lines):\n" + "\n".join(differing))
    sections = {}
    for line in firmware:
        key = line.split(" ")[1]
        sections[key] = sections.get(key, 0) + 1
    print(f"parity: {len(firmware)} firmware lines, {len(host)} host lines; by kind: "
          + ", ".join(f"{key} {count}" for key, count in sections.items()))
    for failure in failures:
        print("FAIL:", failure)
    print("parity: " + ("the host platform agrees with the firmware" if not failures else f"{len(failures)} failures"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
