#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""What a person sees of `./scripts/run` in a UTF-8 terminal: the command runs
in a tmux window of 120x40 and the test reads the window (tmux capture-pane).

  - the page's frame in box-drawing characters, its texts at their columns;
  - the window's cells equal the page as the tests' renderer (screen.py)
    reads it from the same serial stream, and nothing lies outside the page:
    no boot manager messages, no stray characters;
  - keys reach the form browser: arrow down moves the highlight, Esc leaves
    the page and Enter reopens it;
  - Ctrl-A X ends the run;
  - in a window smaller than the page the run says so before booting.
Prints the seconds from the command to the page."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from page_test import Checks  # noqa: E402
from screen import Screen, split_events  # noqa: E402

COLUMNS, ROWS = 100, 31
# (row, column, text) of the page with an IDE disk, no TPM, no passwords.
ANCHORS = [
    (1, 45, "Security"),
    (4, 3, "Supervisor Password is:"), (4, 36, "Cleared"),
    (5, 3, "User Password is:"), (5, 36, "Cleared"),
    (6, 3, "Set Supervisor Password:"),
    (10, 3, "HDD 0 Password:"), (10, 36, "Unsupported"),
    (12, 3, "TPM not detected"),
    (27, 33, "F9=Reset to Defaults"), (27, 66, "F10=Save"),
    (28, 66, "Esc=Exit"),
]
ENDED = "terminal-test: run ended"


class Window:
    """A tmux window on a tmux server of its own, running one command."""

    def __init__(self, name, command, columns, rows):
        self.server = f"quorvane-{name}-{os.getpid()}"
        self.tmux(["new-session", "-d", "-s", name, "-x", str(columns), "-y", str(rows),
                   f"{command}; echo '{ENDED}'; sleep 600"])
        self.target = name

    def tmux(self, arguments):
        return subprocess.run(["tmux", "-L", self.server] + arguments, check=True, capture_output=True,
                              text=True).stdout

    def lines(self, colours=False):
        return self.tmux(["capture-pane", "-p"] + (["-e"] if colours else []) + ["-t", self.target]).split("\n")

    def keys(self, *keys):
        self.tmux(["send-keys", "-t", self.target] + list(keys))

    def wait_for(self, needle, timeout):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if any(needle in line for line in self.lines()):
                return True
            time.sleep(0.5)
        return False

    def settle(self, quiet=3, timeout=60):
        deadline, last, since = time.time() + timeout, None, time.time()
        while time.time() < deadline:
            now = self.lines()
            if now != last:
                last, since = now, time.time()
            elif time.time() - since >= quiet:
                return now
            time.sleep(0.3)
        return last

    def close(self):
        subprocess.run(["tmux", "-L", self.server, "kill-server"], capture_output=True)


def highlighted(coloured_lines, needle):
    """True when needle is drawn on a black background in the captured (SGR-coloured) window."""
    for line in coloured_lines:
        text, background = "", 49
        for part in re.split(r"(\x1b\[[0-9;]*m)", line):
            if part.startswith("\x1b["):
                for value in [int(v) for v in part[2:-1].split(";") if v] or [0]:
                    if value == 0 or value == 49:
                        background = 49
                    elif 40 <= value <= 47:
                        background = value
                continue
            for char in part:
                text += char
                if text.endswith(needle):
                    return background == 40
    return False


def check_page(lines, serial_log, c):
    page = [line.ljust(COLUMNS + 20) for line in lines[:ROWS]]
    c.expect(page[0][:COLUMNS] == "┌" + "─" * (COLUMNS - 2) + "┐", f"top frame row: {page[0][:COLUMNS]!r}")
    c.expect(page[2][:COLUMNS] == "└" + "─" * (COLUMNS - 2) + "┘", f"title frame bottom: {page[2][:COLUMNS]!r}")
    c.expect(page[1][0] == "│" and page[1][COLUMNS - 1] == "│", f"title row sides: {page[1]!r}")
    c.expect(page[26][0] == "┌" and page[29][COLUMNS - 1] == "┘", "the footer frame is not drawn")
    for row, column, text in ANCHORS:
        c.expect(page[row][column:column + len(text)] == text,
                 f"{text!r} not at row {row}, column {column}: {page[row].rstrip()!r}")
    outside = [line for line in lines[:ROWS] if line[COLUMNS:].strip()] + [line for line in lines[ROWS:] if line.strip()]
    c.expect(not outside, f"text outside the page: {outside}")
    allowed = re.compile(r"^[\x20-\x7e─│┌┐└┘╔╗╚╝═║]*$")
    stray = [line for line in lines if not allowed.match(line)]
    c.expect(not stray, f"characters that are not the page's: {stray}")
    c.expect(not any("BdsDxe" in line or "run:" in line for line in lines), "boot messages left on the window")
    console, _ = split_events(open(serial_log, "rb").read())
    screen = Screen(COLUMNS, ROWS)
    screen.feed(console)
    differing = [(row, rendered, lines[row][:COLUMNS].rstrip()) for row, rendered in enumerate(screen.lines())
                 if rendered != lines[row][:COLUMNS].rstrip()]
    c.expect(not differing, f"rows that differ from the serial stream's rendering: {differing}")


def small_window(root, c):
    window = Window("small", f"{root}/scripts/run --ide-disk", 80, 24)
    try:
        c.expect(window.wait_for("the page needs 100x31", 120), "no word about the window being too small")
        c.expect(not any("run: signed in" in line or "┌" in line for line in window.lines()),
                 "the machine was prepared or booted before saying so")
        window.keys("C-c")
        c.expect(window.wait_for(ENDED, 20), "Ctrl-C at the size question did not end the run")
    finally:
        window.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True, help="the source tree whose scripts/run is tried")
    parser.add_argument("--timeout", type=int, default=300)
    args = parser.parse_args()
    c = Checks()
    keep = tempfile.mkdtemp(prefix="quorvane-terminal-")
    started = time.time()
    window = Window("run", f"{args.root}/scripts/run --ide-disk --keep {keep}", 120, 40)
    try:
        if c.expect(window.wait_for("F10=Save", args.timeout), "the page did not appear in the window"):
            print(f"terminal: page in the window {time.time() - started:.1f} s after ./scripts/run")
            lines = window.settle()
            print("\n".join(lines[:ROWS]))
            check_page(lines, os.path.join(keep, "serial.log"), c)
            c.expect(highlighted(window.lines(colours=True), "Set Supervisor Password:"),
                     "\"Set Supervisor Password:\" is not highlighted at first")
            window.keys("Down")
            window.settle()
            coloured = window.lines(colours=True)
            c.expect(highlighted(coloured, "HDD 0 Password:") and not highlighted(coloured, "Set Supervisor Password:"),
                     "arrow down did not move the highlight to \"HDD 0 Password:\"")
            # Esc leaves the page, Enter at the boot application's question reopens it.
            window.keys("Escape")
            c.expect(window.wait_for("The Security page was closed.", 30), "Esc did not leave the page")
            window.keys("Enter")
            c.expect(window.wait_for("F10=Save", 60) and window.wait_for("Supervisor Password is:", 30),
                     "Enter did not reopen the page")
        window.keys("C-a", "x")
        c.expect(window.wait_for(ENDED, 30), "Ctrl-A X did not end the run")
    finally:
        window.close()
        shutil.rmtree(keep, ignore_errors=True)
    small_window(args.root, c)
    return c.finish("terminal")


if __name__ == "__main__":
    sys.exit(main())
