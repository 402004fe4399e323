#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Holds the module description to the files on disk.

- cmake/driver-sources.cmake lists exactly the .cpp files of the driver's folders;
- every source file (C++, headers, Python, CMake, shell scripts, the form and
  string sources) opens with the SPDX line of LICENSE and a one-line purpose.
Usage: check_sources.py [REPO]
"""

import os
import re
import sys
import unittest

DRIVER_FOLDERS = ("entry", "config", "callback", "hdd", "probes", "support")
SKIPPED_FOLDERS = {".git", "build", "corpus", "screenshots"}
SPDX = "SPDX-License-Identifier: BSD-2-Clause-Patent"


def listed_sources(repo):
    with open(os.path.join(repo, "cmake", "driver-sources.cmake"), encoding="utf-8") as f:
        text = f.read()
    listed = []
    for block in re.findall(r"set\(QUORVANE_DRIVER_SOURCES\s+([^)]*)\)", text):
        listed += [line.strip() for line in block.split("\n") if line.strip() and not line.strip().startswith("#")]
    return listed


def driver_files(repo):
    return sorted(f"{folder}/{name}" for folder in DRIVER_FOLDERS
                  for name in os.listdir(os.path.join(repo, folder)) if name.endswith(".cpp"))


def source_files(repo):
    for dirpath, dirnames, names in os.walk(repo):
        dirnames[:] = sorted(d for d in dirnames if d not in SKIPPED_FOLDERS and not d.startswith("build"))
        for name in sorted(names):
            path = os.path.join(dirpath, name)
            relative = os.path.relpath(path, repo)
            if (name.endswith((".cpp", ".h", ".py", ".cmake", ".form")) or name == "CMakeLists.txt"
                    or relative.startswith(("scripts" + os.sep, ".ci" + os.sep))
                    or (relative.startswith(os.path.join("forms", "strings")) and name.endswith(".txt"))):
                yield relative


def head_fault(path):
    """None when the file opens with the SPDX line and a purpose line, else what is wrong."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    if lines and lines[0].startswith("#!"):
        lines = lines[1:]
    if len(lines) < 2 or not re.fullmatch(r"(//|#) " + re.escape(SPDX), lines[0]):
        return "does not open with the SPDX line"
    marker = lines[0].split(" ", 1)[0]
    purpose = lines[1]
    if not (purpose.startswith(marker + " ") and len(purpose) > len(marker) + 10) and not purpose.startswith('"""'):
        return "has no purpose line after the SPDX line"
    return None


class ModuleDescription(unittest.TestCase):
    def test_the_source_list_names_every_driver_file_once(self):
        listed = listed_sources(REPO)
        self.assertEqual(len(listed), len(set(listed)), "a file listed twice")
        self.assertEqual(sorted(listed), driver_files(REPO))

    def test_every_source_file_opens_with_its_licence_and_purpose(self):
        files = list(source_files(REPO))
        self.assertGreater(len(files), 150, "the source files were found")
        faults = [f"{path}: {fault}" for path in files if (fault := head_fault(os.path.join(REPO, path)))]
        self.assertEqual(faults, [])


REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

if __name__ == "__main__":
    if len(sys.argv) > 1:
        REPO = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
