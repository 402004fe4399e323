#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""End-to-end checks inside OVMF, one machine, two boots:

 boot 1  all testbed services present: the package list registered, the
         configuration-access service and the form-set record on the driver
         handle; every store extracted and routed through the firmware's own
         configuration-routing service (NAME in its hex form) and the
         variables read back; a TXT switch change replaces the reset service,
         and the next reset reaches the platform reset protocol. The boot
         also takes the parity record (--record keeps it for parity_test.py);
 boot 2  the change survived the reset; switching TXT off replaces the reset
         service again, and after ExitBootServices the runtime ResetSystem is
         the firmware's own."""
import argparse
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from testbed import Testbed  # noqa: E402

PACKAGE_LIST_GUID = "f5a7c10e0449a0408eab4bcc4666da45"  # {0EC1A7F5-4904-40A0-8EAB-4BCC4666DA45}
HII_DATABASE_GUID = "72c19fefb2a19346b3276d32fc416042"  # {EF9FC172-A1B2-4693-B327-6D32FC416042}
STORES = {  # name: (size, routed offset, routed value)
    "Setup": (868, 703, 1), "TpmStatusVar": (82, 80, 1), "PbaStatusVar": (12, 11, 1),
    "StatusSetupVar": (99, 0, 0x5A), "HDD_Password_Status": (9, 0, 0x33), "System": (21, 17, 12),
    "UserManagerVar": (5, 0, 0x44),
}
HEX_NAMES = {name: "".join(f"{ord(c):04x}" for c in name) for name in STORES}


class Checker:
    def __init__(self):
        self.failures = []
        self.passed = 0

    def expect(self, condition, what):
        if condition:
            self.passed += 1
        else:
            self.failures.append(what)
        return condition


def variables(events, label):
    found = {}
    for event in events:
        m = re.match(rf"parity variable {label} (\S+) status=([0-9a-f]+) attributes=([0-9a-f]+) size=(\d+) data=([0-9a-f]*)$",
                     event)
        if m:
            found[m.group(1)] = (int(m.group(2), 16), int(m.group(3), 16), bytes.fromhex(m.group(5)))
    return found


def block_value(results):
    """The bytes of the OFFSET=0 block of a response (VALUE is the block as a little-endian number)."""
    m = re.search(r"&OFFSET=0&WIDTH=([0-9a-f]+)&VALUE=([0-9a-f]+)", results)
    return None if m is None else bytes.fromhex(m.group(2))[::-1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--efi-dir", required=True)
    parser.add_argument("--timeout", type=int, default=300)
    parser.add_argument("--record", help="write the first boot's parity record (its 'parity ' events) to this file")
    args = parser.parse_args()
    if args.record and os.path.exists(args.record):
        os.remove(args.record)  # never leave an earlier boot's record for the parity test
    with Testbed("checks", args.efi_dir, machine="q35", mode="checks", txt=1) as machine:
        code = machine.wait_exit(args.timeout)
        events = machine.events()
    c = Checker()
    c.expect(code == 0, f"the machine did not power off (exit {code})")
    split = events.index("check phase=2") if "check phase=2" in events else len(events)
    first, second = events[:split], events[split:]
    if args.record:
        os.makedirs(os.path.dirname(os.path.abspath(args.record)), exist_ok=True)
        with open(args.record, "w") as handle:
            handle.writelines(e + "\n" for e in first if e.startswith("parity "))
        # What the routing service answered its own caller, for reference: not part of the record.
        with open(os.path.splitext(args.record)[0] + "_routing_level.txt", "w") as handle:
            handle.writelines(e + "\n" for e in first if e.startswith(("check extract ", "check route ")))

    # ---- start-up
    c.expect("boot driver Quorvane.efi exit=0 status=0" in first, "driver start-up did not succeed")
    exported = next((e for e in first if e.startswith("check package-list exported=")), "")
    m = re.match(r"check package-list exported=(\d+) guid=([0-9a-f]+)", exported)
    packages = [tuple(int(x, 16 if i == 0 else 10) for i, x in enumerate(p))
                for p in re.findall(r"check package type=([0-9a-f]+) length=(\d+)", "\n".join(first))]
    device_path_package = sum(length for kind, length in packages if kind == 8)
    if c.expect(m is not None, "package list not exported"):
        registered = int(m.group(1)) - device_path_package
        c.expect(registered == 26212, f"registered package list is {registered} bytes, expected 26212")
        c.expect(m.group(2) == PACKAGE_LIST_GUID, f"package list GUID {m.group(2)}")
    c.expect([k for k, _ in packages].count(4) == 4 and [k for k, _ in packages].count(2) == 1,
             f"packages {packages}: expected one forms and four string packages")
    c.expect("check driver-handle config-access=0" in first, "no configuration-access service on the driver handle")
    c.expect(any(e.startswith("check driver-handle form-set-record=0") for e in first),
             "no form-set record on the driver handle")
    c.expect(any(e.startswith("check form-set-record head=1000000002000000") for e in first),
             "form-set record does not start 10 00 00 00 02 00 00 00")
    path = next((e.split("=", 1)[1] for e in first if e.startswith("check driver-handle device-path=")), "")
    c.expect(len(path) == 64 and path.startswith("01041c00" + HII_DATABASE_GUID) and path.endswith("7fff0400"),
             f"driver device path {path}")

    # ---- extraction through the firmware's routing
    before, extracted, routed = variables(first, "before"), variables(first, "extracted"), variables(first, "routed")
    for name, (size, offset, value) in STORES.items():
        for kind in ("header", "block"):
            event = next((e for e in first if e.startswith(f"check extract {name} {kind} ")), "")
            c.expect(" status=0 " in event, f"extract {name} ({kind}): {event[:120]}")
            c.expect(f"&NAME={HEX_NAMES[name]}&" in event, f"extract {name} ({kind}): NAME not in hex form")
            if kind == "block":
                block = block_value(event)
                stored = extracted.get(name)
                if name == "TpmStatusVar":
                    c.expect(block == bytes(size), f"TpmStatusVar served {block!r}, expected {size} zeros")
                    c.expect(stored is not None and stored[0] != 0, "TpmStatusVar was created by extraction")
                else:
                    c.expect(stored is not None and stored[0] == 0 and block == stored[2],
                             f"extract {name}: served bytes differ from the variable")
        if name in ("PbaStatusVar", "HDD_Password_Status"):
            c.expect(before.get(name, (1,))[0] != 0 and extracted.get(name, (1, 0, b""))[1:] == (7, bytes(size)),
                     f"{name} not created with {size} zero bytes, attributes 7")

    # ---- routing through the firmware's routing
    for name, (size, offset, value) in STORES.items():
        event = next((e for e in first if e.startswith(f"check route {name} ")), "")
        c.expect(event.endswith("status=0"), f"route {name}: {event}")
        old, new = extracted.get(name), routed.get(name)
        if name == "TpmStatusVar":
            c.expect(new is not None and new[0] != 0, "TpmStatusVar was written by routing")
            continue
        if not c.expect(old is not None and new is not None and new[0] == 0, f"{name} not readable after routing"):
            continue
        want = bytearray(old[2])
        want[offset] = value
        if name == "Setup":
            want[377] = 1  # the TXT switch forces VT on
        c.expect(new[1] == old[1] and bytes(want) == new[2], f"{name} after routing differs from the expected bytes")
    c.expect("check reset-replaced=1" in first, "the TXT change did not replace the reset service")
    reset = next((e for e in first if e.startswith("platform-reset request=")), None)
    c.expect(reset is not None and int(reset.split("=")[1], 16) & 2 == 2,
             f"the reset after the TXT change did not reach the platform reset protocol with bit 1 ({reset})")
    c.expect("check reset-returned" not in first, "the reset returned")

    # ---- after the reset
    c.expect("check setup-after-reset vt=1 txt=1" in second, "the TXT change did not survive the reset")
    c.expect("check setup-after-switch-off vt=1 txt=0" in second, "switching TXT off: VT or TXT byte wrong")
    c.expect("check exit-boot-services status=0 reset-is-firmware=1" in second,
             "after ExitBootServices the runtime ResetSystem is not the firmware's own")

    for failure in c.failures:
        print("FAIL:", failure)
    print(f"checks: {c.passed} passed, {len(c.failures)} failed")
    if c.failures:
        print("--- events ---")
        print("\n".join(e[:200] for e in events))
    return 1 if c.failures else 0


if __name__ == "__main__":
    sys.exit(main())
