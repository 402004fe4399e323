# SPDX-License-Identifier: BSD-2-Clause-Patent
"""OVMF with the page built in: the kit's code image (fwpack builtin) holds
Quorvane.ffs and the testbed services in its DXE volume, so no boot
application of ours runs. The firmware's own setup program is reached by
pressing Esc while the firmware boots; Device Manager lists "Security"."""
import os
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from machine import Machine  # noqa: E402
from testbed import Testbed  # noqa: E402

CODE_IMAGE = os.path.join("kit", "OVMF_CODE_4M.Quorvane.fd")
# The firmware waits this long for a key before it boots (QEMU's boot menu wait).
BOOT_WAIT = ["-boot", "menu=on,splash-time=5000"]


def code_image(efi_dir):
    path = os.path.join(efi_dir, CODE_IMAGE)
    if not os.path.exists(path):
        raise RuntimeError(f"missing {path} (build first)")
    return path


def scenario_arguments(**scenario):
    """The scenario as QEMU hands it to the firmware (fw_cfg file opt/quorvane/scenario)."""
    text = "".join(f"{key.replace('_', '-')}={value}\n" for key, value in scenario.items())
    return ["-fw_cfg", f"name=opt/quorvane/scenario,string={text.replace(',', ',,')}"] if text else []


class BuiltIn(Testbed):
    """A machine booting the code image with the page built in, from an empty boot disk."""

    def __init__(self, name, efi_dir, machine="q35", ide_disk=False, tpm=False, workdir=None, vars_file=None,
                 **scenario):
        Machine.__init__(self, name, {}, machine=machine, ide_disk=ide_disk, tpm=tpm, workdir=workdir,
                         vars_file=vars_file, code=code_image(efi_dir),
                         qemu_arguments=BOOT_WAIT + scenario_arguments(**scenario))
        self.columns, self.rows = 80, 25

    def enter_setup(self, timeout):
        """Presses Esc until the front page shows "Device Manager"; False if it never does
        (or the machine stops first)."""
        deadline = time.time() + timeout
        while time.time() < deadline and (self.qemu is None or self.qemu.poll() is None):
            if self.screen().find("Device Manager") is not None:
                return True
            if self.output:
                self.send("\x1b")
            time.sleep(0.5)
        return False


def run_interactive(args, workdir, vars_file):
    """./scripts/run --built-in: the built-in code image in this terminal, into its setup program
    (workdir and vars_file: what --keep gives)."""
    import shutil
    from terminal import ConsoleBridge
    if args.diagnostics or args.setup or args.screenshot or args.hdd_security:
        print("run: --built-in boots the firmware's setup program with the shipped image built in; "
              "--diagnostics, --setup, --screenshot and --hdd-security do not apply", file=sys.stderr)
        return 2
    scenario = {"user": args.user, "events": "off"}
    if args.txt:
        scenario["txt"] = 1
    machine = BuiltIn("run-built-in", args.efi_dir, machine="pc" if args.ide_disk else "q35",
                      ide_disk=args.ide_disk, tpm=args.tpm, workdir=workdir, vars_file=vars_file, **scenario)
    print(f"run: OVMF with the page built in ({machine.code}); signed in as {args.user}")
    print("run: Esc is pressed for you until the setup program shows; then Device Manager > Security; "
          "Ctrl-A X quits")
    # The person at the terminal lands in the setup program: Esc is pressed
    # for them while the firmware waits for a key.
    presser = threading.Thread(target=machine.enter_setup, args=(90,), daemon=True)
    bridge = ConsoleBridge(machine)
    try:
        presser.start()
        return bridge.run()
    finally:
        machine.stop()
        if not args.keep:
            shutil.rmtree(machine.dir, ignore_errors=True)
