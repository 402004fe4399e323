# SPDX-License-Identifier: BSD-2-Clause-Patent
"""What a testbed boot needs: the boot volume's files for a scenario, and a
machine that renders its console into a screen and sends keys like a person."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from machine import Machine  # noqa: E402
from screen import Screen, split_events  # noqa: E402

IMAGES = {
    "EFI/BOOT/BOOTX64.EFI": "TestbedBoot.efi",
    "EFI/QUORVANE/PLATFORM.EFI": "TestbedPlatform.efi",
    "EFI/QUORVANE/ACCOUNTS.EFI": "TestbedAccounts.efi",
    "EFI/QUORVANE/SETUPBRW.EFI": "TestbedSetupBrowser.efi",
    "EFI/QUORVANE/HDDPWD.EFI": "TestbedHddPassword.efi",
    "EFI/QUORVANE/QUORVANE.EFI": "Quorvane.efi",
    "EFI/QUORVANE/DIAG.EFI": "QuorvaneDiagnostics.efi",
}

KEYS = {"up": "\x1b[A", "down": "\x1b[B", "right": "\x1b[C", "left": "\x1b[D", "enter": "\r", "esc": "\x1b",
        "f10": "\x1b[21~", "f9": "\x1b[20~"}


def boot_files(efi_dir, **scenario):
    files = {target: os.path.join(efi_dir, image) for target, image in IMAGES.items()}
    missing = [path for path in files.values() if not os.path.exists(path)]
    if missing:
        raise RuntimeError("missing images (build first): " + ", ".join(missing))
    text = "".join(f"{key.replace('_', '-')}={value}\n" for key, value in scenario.items())
    files["testbed/scenario.txt"] = text.encode()
    return files


class Testbed(Machine):
    """A machine booting the testbed, with screen and events."""

    def __init__(self, name, efi_dir, machine="q35", tpm=False, ide_disk=False, no_reboot=False, secure_boot=False,
                 extra_files=None, **scenario):
        files = boot_files(efi_dir, **scenario)
        files.update(extra_files or {})
        super().__init__(name, files, machine=machine, tpm=tpm, ide_disk=ide_disk, no_reboot=no_reboot,
                         secure_boot=secure_boot)
        self.columns, self.rows = 100, 31

    def raw(self):
        with self.lock:
            return bytes(self.output)

    def events(self):
        return split_events(self.raw())[1]

    def screen(self, since=0):
        console, _ = split_events(self.raw()[since:])
        screen = Screen(self.columns, self.rows)
        screen.feed(console)
        return screen

    def wait_event(self, prefix, timeout):
        """The first event starting with prefix (waits for it), or None."""
        found = self.wait_for(lambda m: next((e for e in m.events() if e.startswith(prefix)), None), timeout)
        return found

    def wait_screen(self, needle, timeout, since=0):
        """Waits until needle is on the rendered screen; returns the screen or None."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            self.pump()
            screen = self.screen(since)
            if screen.find(needle) is not None:
                return screen
            time.sleep(0.3)
        return None

    def settle(self, quiet=1.5, timeout=30):
        """Waits until the console has been quiet for `quiet` seconds."""
        deadline = time.time() + timeout
        last, since = len(self.output), time.time()
        while time.time() < deadline:
            self.pump()
            if len(self.output) != last:
                last, since = len(self.output), time.time()
            elif time.time() - since >= quiet:
                return True
            time.sleep(0.1)
        return False

    def key(self, name, settle=True):
        self.send(KEYS.get(name, name))
        if settle:
            self.settle()

    def type(self, text):
        for char in text:
            self.send(char)
            time.sleep(0.05)
