#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""The driver's firmware file on OVMF's own DXE dispatcher. The boot
application hands a firmware volume holding Quorvane.ffs (built by fwpack) to
the DXE services' ProcessFirmwareVolume and calls Dispatch:

  before the testbed services are installed, the dependency expression holds
  the driver back: no image of the file is loaded, no form-set record, no
  package list;
  after they are installed, Dispatch starts it: one image of the file, the
  form-set record and the package list are there, and configuration routing
  reaches its ExtractConfig."""
import argparse
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from machine import Machine  # noqa: E402
from screen import split_events  # noqa: E402
from testbed import boot_files  # noqa: E402

EFI_NOT_FOUND = 0x800000000000000E


def event(events, prefix):
    return next((line for line in events if line.startswith(prefix)), None)


def fields(line):
    return dict(re.findall(r"(\S+)=(\S*)", line or ""))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--efi-dir", required=True)
    parser.add_argument("--timeout", type=int, default=240)
    args = parser.parse_args()
    files = boot_files(args.efi_dir, mode="dispatch", user="Supervisor")
    files["testbed/dispatch.fv"] = os.path.join(args.efi_dir, "TestbedDispatch.fv")
    with Machine("dispatch", files) as machine:
        code = machine.wait_exit(args.timeout)
        events = split_events(bytes(machine.output))[1]
    failures = []

    def expect(condition, what):
        if not condition:
            failures.append(what)

    expect(code is not None, f"the machine did not power off within {args.timeout} s")
    expect(fields(event(events, "dispatch process-firmware-volume")).get("status") == "0",
           "ProcessFirmwareVolume refused the volume")
    before = fields(event(events, "dispatch before "))
    after = fields(event(events, "dispatch after "))
    print("before:", before)
    print("after: ", after)
    expect(before.get("driver-images") == "0", "before the services: the dispatcher loaded the driver")
    expect(before.get("form-set-record") == f"{EFI_NOT_FOUND:x}", "before the services: a form-set record exists")
    expect(before.get("package-list") == "0", "before the services: the package list is registered")
    expect(after.get("dispatch") == "0", "after the services: Dispatch dispatched nothing")
    expect(after.get("driver-images") == "1", "after the services: not one image of the driver's file")
    expect(after.get("form-set-record") == "0", "after the services: no form-set record")
    expect(after.get("package-list") == "1", "after the services: no package list")
    extract = event(events, "dispatch extract ")
    print("extract:", extract)
    expect(extract is not None and fields(extract).get("status") == "0" and "VALUE=" in (extract or ""),
           "configuration routing did not reach the dispatched driver's ExtractConfig")
    for failure in failures:
        print("FAIL:", failure)
    if failures:
        print("\n".join(events))
        return 1
    print("dispatch: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
