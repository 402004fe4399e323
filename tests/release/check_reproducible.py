#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Two clean builds of the same sources give the same driver images, byte for
byte: the sources are copied to a folder of another name and length, built in a
build folder of another name there, and both images compared with those of the
build under test. The PE time stamp must be zero (the linker writes none), and
the images must not carry the path of either tree."""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "testbed", "harness"))
from page_test import Checks  # noqa: E402

IMAGES = ["Quorvane.efi", "QuorvaneDiagnostics.efi"]


def time_stamp(data):
    return struct.unpack_from("<I", data, struct.unpack_from("<I", data, 0x3C)[0] + 8)[0]


def build_copy(source, folder):
    copy = os.path.join(folder, "a-source-tree-elsewhere")
    shutil.copytree(source, copy, ignore=shutil.ignore_patterns("build", ".git"))
    build = os.path.join(copy, "another-build")
    subprocess.run(["cmake", "-S", copy, "-B", build, "-G", "Ninja", "-DQUORVANE_TARGET=efi",
                    f"-DCMAKE_TOOLCHAIN_FILE={copy}/cmake/efi-toolchain.cmake", "-DCMAKE_BUILD_TYPE=Release"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["ninja", "-C", build, "-j2"] + IMAGES, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return copy, build


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    parser.add_argument("--efi-dir", required=True)
    args = parser.parse_args()
    c = Checks()
    with tempfile.TemporaryDirectory(prefix="quorvane-rebuild-") as folder:
        copy, build = build_copy(os.path.abspath(args.source), folder)
        for image in IMAGES:
            first = open(os.path.join(args.efi_dir, image), "rb").read()
            second = open(os.path.join(build, image), "rb").read()
            if time_stamp(first) != 0:
                c.failures.append(f"{image}: PE time stamp {time_stamp(first):#x}, expected 0")
            for tree in (os.path.abspath(args.source), copy, os.path.abspath(args.efi_dir)):
                for encoding in ("ascii", "utf-16-le"):
                    if tree.encode(encoding) in first + second:
                        c.failures.append(f"{image}: carries the path {tree} ({encoding})")
            if first != second:
                differing = [offset for offset in range(min(len(first), len(second))) if first[offset] != second[offset]]
                c.failures.append(f"{image}: the rebuild differs ({len(first)} and {len(second)} bytes, "
                                f"first differing offsets {differing[:8]})")
            else:
                print(f"{image}: {len(first)} bytes, identical in both builds")
    return c.finish("reproducible")


if __name__ == "__main__":
    sys.exit(main())
