#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""scripts/sign on copies of the driver images: with the snakeoil key and its
passphrase it writes both signed copies, which sbverify accepts with the
certificate and which keep the image's bytes apart from the signature; each
bad key or certificate ends with a clear error naming the fault and leaves no
signed file (not even one from an earlier run)."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "testbed", "harness"))
from machine import SNAKEOIL_CERT as CERT, SNAKEOIL_KEY as KEY, SNAKEOIL_PASSPHRASE  # noqa: E402
from page_test import Checks  # noqa: E402

IMAGES = ["Quorvane.efi", "QuorvaneDiagnostics.efi"]


def signed(folder, image):
    return os.path.join(folder, image[:-len(".efi")] + ".signed.efi")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--efi-dir", required=True)
    args = parser.parse_args()
    c = Checks()
    with tempfile.TemporaryDirectory(prefix="quorvane-sign-") as folder:
        for image in IMAGES:
            shutil.copy(os.path.join(args.efi_dir, image), folder)
        files = {name: os.path.join(folder, name) for name in ("passphrase", "wrong-passphrase", "other.key")}
        open(files["passphrase"], "w").write(SNAKEOIL_PASSPHRASE + "\n")
        open(files["wrong-passphrase"], "w").write("not-" + SNAKEOIL_PASSPHRASE + "\n")
        subprocess.run(["openssl", "genrsa", "-out", files["other.key"], "2048"], check=True, capture_output=True)

        def sign(*options):
            return subprocess.run([os.path.join(args.root, "scripts", "sign"), "--efi-dir", folder] + list(options),
                                  capture_output=True, text=True)

        run = sign("--key", KEY, "--cert", CERT, "--passphrase-file", files["passphrase"])
        if run.returncode != 0:
            c.failures.append(f"signing with the snakeoil key failed: {run.stderr.strip()}")
        for image in IMAGES:
            out = signed(folder, image)
            if not os.path.exists(out):
                c.failures.append(f"no {os.path.basename(out)}")
                continue
            check = subprocess.run(["sbverify", "--cert", CERT, out], capture_output=True, text=True)
            if check.returncode != 0:
                c.failures.append(f"sbverify rejects {os.path.basename(out)}: {check.stdout}{check.stderr}")
            original = open(os.path.join(folder, image), "rb").read()
            if open(out, "rb").read()[:0x80] != original[:0x80]:
                c.failures.append(f"{os.path.basename(out)} does not start as {image} does")

        # (what, options, text the error must contain); each case starts with
        # signed copies of an earlier run in place.
        cases = [
            ("missing key", ["--key", os.path.join(folder, "absent.key"), "--cert", CERT], "cannot read the key file"),
            ("missing certificate", ["--key", KEY, "--cert", os.path.join(folder, "absent.pem"),
                                     "--passphrase-file", files["passphrase"]], "cannot read the certificate file"),
            ("no key option", ["--cert", CERT], "no --key given"),
            ("encrypted key, no passphrase", ["--key", KEY, "--cert", CERT], "passphrase is missing or wrong"),
            ("encrypted key, wrong passphrase", ["--key", KEY, "--cert", CERT, "--passphrase-file",
                                                 files["wrong-passphrase"]], "passphrase is missing or wrong"),
            ("key of another certificate", ["--key", files["other.key"], "--cert", CERT], "does not belong to"),
            ("certificate that is not one", ["--key", files["other.key"], "--cert", files["other.key"]],
             "is not a PEM certificate"),
        ]
        for what, options, message in cases:
            for image in IMAGES:
                open(signed(folder, image), "wb").write(b"signed by an earlier run")
            run = sign(*options)
            left = [os.path.basename(signed(folder, image)) for image in IMAGES if os.path.exists(signed(folder, image))]
            if run.returncode == 0:
                c.failures.append(f"{what}: scripts/sign succeeded")
            if message not in run.stderr:
                c.failures.append(f"{what}: error {run.stderr.strip()!r} lacks {message!r}")
            if left:
                c.failures.append(f"{what}: signed files left behind: {left}")
            print(f"{what}: {run.stderr.strip()}")
    return c.finish("sign")


if __name__ == "__main__":
    sys.exit(main())
