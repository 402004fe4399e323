# SPDX-License-Identifier: BSD-2-Clause-Patent
"""What the fwpack tests share: the repository on the import path, the
firmware build folder (QUORVANE_EFI_DIR) and a way to run the command line."""
import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, ROOT)
EFI_DIR = os.environ.get("QUORVANE_EFI_DIR", os.path.join(ROOT, "build", "efi"))
QUORVANE_MODULE = os.path.join(ROOT, "fwpack", "modules", "Quorvane.module")
OVMF_CODE = "/usr/share/OVMF/OVMF_CODE_4M.fd"


def built(name):
    path = os.path.join(EFI_DIR, name)
    if not os.path.exists(path):
        raise unittest.SkipTest(f"{path} not built")
    return path


def read(path):
    with open(path, "rb") as handle:
        return handle.read()


def fwpack(*arguments, output=False):
    """(exit code, stderr) of python3 -m fwpack with arguments; with output, (exit code, stdout)."""
    run = subprocess.run([sys.executable, "-m", "fwpack", *arguments], cwd=ROOT, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, env=dict(os.environ, PYTHONPATH=ROOT), timeout=300)
    return run.returncode, (run.stdout if output else run.stderr).decode(errors="replace")


class Scratch(unittest.TestCase):
    """A test with a scratch folder of its own."""

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory(prefix="fwpack-test-")
        self.addCleanup(self.folder.cleanup)

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as handle:
            handle.write(data)
        return self.path(name)
