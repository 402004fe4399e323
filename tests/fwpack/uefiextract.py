# SPDX-License-Identifier: BSD-2-Clause-Patent
"""UEFIExtract (Debian's uefitool-cli), the independent reader the tests hold
fwpack's output to: `UEFIExtract FILE report` writes FILE.report.txt, one
line per volume, file and section, and prints what it finds wrong."""
import os
import shutil
import subprocess
import tempfile

# What UEFIExtract says of any input that is not a whole flash image (a lone
# volume has no reset vector file at its top): not a fault of the volume.
NOT_AN_IMAGE = "parse: not a single Volume Top File is found, the image may be corrupted"


def report(path):
    """(report rows as lists of cells, UEFIExtract's complaints) for the file at path."""
    tool = shutil.which("UEFIExtract")
    if tool is None:
        raise RuntimeError("UEFIExtract not found (scripts/setup installs uefitool-cli)")
    with tempfile.TemporaryDirectory(prefix="fwpack-uefiextract-") as folder:
        copy = os.path.join(folder, os.path.basename(path))
        shutil.copyfile(path, copy)
        run = subprocess.run([tool, copy, "report"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
        with open(copy + ".report.txt", encoding="utf-8", errors="replace") as handle:
            rows = [[cell.strip() for cell in line.split("|")] for line in handle.read().splitlines()[1:]]
    complaints = [line for line in run.stdout.decode(errors="replace").splitlines()
                  if line.strip() and line.strip() != NOT_AN_IMAGE]
    if run.returncode != 0:
        complaints.append(f"UEFIExtract exited with {run.returncode}")
    return rows, complaints


def file_and_sections(rows, guid):
    """The report row of the file named guid and the subtypes of its sections."""
    for index, row in enumerate(rows):
        if row[0] == "File" and len(row) > 5 and guid in row[5]:
            depth = len(row[5]) - len(row[5].lstrip("-"))
            sections = []
            for inner in rows[index + 1:]:
                inner_depth = len(inner[5]) - len(inner[5].lstrip("-")) if len(inner) > 5 else 0
                if inner[0] != "Section" or inner_depth <= depth:
                    break
                sections.append(inner[1])
            return row, sections
    return None, []
