#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""The README's options table of scripts/run lists the options that
`./scripts/run --help` lists, and no others."""
import re
import subprocess
import sys


def help_options(root):
    text = subprocess.run([sys.executable, f"{root}/testbed/harness/run.py", "--efi-dir", root, "--help"],
                          capture_output=True, text=True, check=True).stdout
    options = text.split("options:", 1)[1]
    return [name for name in re.findall(r"^\s{2}(?:-\w, )?(--[a-z-]+)", options, re.M) if name != "--help"]


def readme_options(root):
    text = open(f"{root}/README.md", encoding="utf-8").read()
    table = text.split("| Option | Effect |", 1)[1].split("\n\n", 1)[0]
    names = []
    for row in table.splitlines()[2:]:
        for name in re.findall(r"`(--[a-z-]+)", row.split("|")[1]):
            if name not in names:
                names.append(name)
    return names


def main():
    root = sys.argv[1]
    in_help, in_readme = help_options(root), readme_options(root)
    print("--help:", " ".join(in_help))
    print("README:", " ".join(in_readme))
    if set(in_help) != set(in_readme):
        print("FAIL: only in --help:", sorted(set(in_help) - set(in_readme)),
              "only in the README:", sorted(set(in_readme) - set(in_help)))
        return 1
    print("run options: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
