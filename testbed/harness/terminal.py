# SPDX-License-Identifier: BSD-2-Clause-Patent
"""The firmware's serial console in a UTF-8 terminal.

OVMF's terminal driver speaks PC-ANSI: CP437 bytes for the box characters,
'=3h'-style PC mode sets, and cursor moves whose numbers are two characters
'0' + n / 10, '0' + n % 10, so column 100 arrives as ':0'. A UTF-8 terminal
draws none of that as meant. ConsoleTranslator rewrites the stream on its way
to the terminal, the same way screen.py reads it: CP437 to UTF-8, cursor
moves in plain decimal, mode sets and stray ESC bytes dropped. Keys go to the
firmware unchanged (ConsoleBridge)."""
import os
import queue
import re
import select
import sys
import termios
import threading
import tty

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from screen import firmware_number  # noqa: E402

# ESC [ parameters final; parameters may carry ':' tens digits.
_SEQUENCE = re.compile(rb"\x1b\[([=?]?)([0-9:;]*)([\x40-\x7e])")
# A sequence that may still be completed by the next chunk.
_PARTIAL = re.compile(rb"\x1b(\[[=?]?[0-9:;]*)?\Z")
_KEPT_CONTROLS = {0x07, 0x08, 0x0A, 0x0D}
# CP437 draws these control bytes as arrows.
_ARROWS = {0x18: "↑", 0x19: "↓", 0x1A: "→"}
CTRL_A = 0x01


class ConsoleTranslator:
    """Turns the PC-ANSI byte stream into UTF-8 for a terminal, chunk by chunk."""

    def __init__(self):
        self.pending = b""

    def feed(self, data):
        data = self.pending + data
        self.pending = b""
        out = []
        index = 0
        while index < len(data):
            byte = data[index]
            if byte == 0x1B:
                match = _SEQUENCE.match(data, index)
                if match:
                    out.append(self._sequence(match))
                    index = match.end()
                    continue
                if _PARTIAL.match(data, index):
                    self.pending = data[index:]
                    break
                index += 1  # an ESC that starts no sequence draws nothing
                continue
            index += 1
            if byte in _ARROWS:
                out.append(_ARROWS[byte].encode("utf-8"))
            elif byte >= 0x20 or byte in _KEPT_CONTROLS:
                out.append(bytes([byte]).decode("cp437").encode("utf-8"))
        return b"".join(out)

    @staticmethod
    def _sequence(match):
        private, numbers, final = match.group(1), match.group(2), match.group(3)
        if private == b"=":
            return b""  # PC-ANSI screen mode: no meaning to a VT terminal
        if final in (b"H", b"f") and b":" in numbers:
            values = [str(firmware_number(part)).encode() for part in numbers.split(b";")]
            return b"\x1b[" + b";".join(values) + final
        return match.group(0)


class ConsoleBridge:
    """This terminal in raw mode, joined to a machine's serial line: the
    firmware's output translated on the screen, keys sent on as typed.
    Ctrl-A X quits; Ctrl-A Ctrl-A sends one Ctrl-A."""

    def __init__(self, machine, stdin=0, stdout=1):
        self.machine = machine
        self.stdin, self.stdout = stdin, stdout
        self.translator = ConsoleTranslator()
        # The serial reader only queues: a terminal that is slow to draw must
        # not hold it up, or QEMU's UART drops characters.
        self.chunks = queue.Queue()
        self.writer = threading.Thread(target=self._write, daemon=True)
        machine.listener = self.chunks.put

    def _write(self):
        while True:
            chunk = self.chunks.get()
            if chunk is None:
                return
            text = self.translator.feed(chunk)
            if text:
                os.write(self.stdout, text)

    def run(self):
        """Starts the machine and runs until it powers off or the user quits;
        returns QEMU's exit code (0 on quit)."""
        saved = termios.tcgetattr(self.stdin) if os.isatty(self.stdin) else None
        try:
            if saved is not None:
                tty.setraw(self.stdin)
            self.writer.start()
            self.machine.start()
            return self._loop()
        finally:
            self.chunks.put(None)
            self.writer.join(5)
            if saved is not None:
                termios.tcsetattr(self.stdin, termios.TCSADRAIN, saved)
            os.write(self.stdout, b"\x1b[0m\r\n")

    def _loop(self):
        escape, inputs = False, [self.stdin]
        while self.machine.qemu.poll() is None:
            ready, _, _ = select.select(inputs, [], [], 0.2)
            if not ready:
                continue
            keys = os.read(self.stdin, 1024)
            if not keys:
                inputs = []  # end of input: the machine runs on until it powers off
                continue
            send = bytearray()
            for byte in keys:
                if escape:
                    escape = False
                    if byte in (ord("x"), ord("X")):
                        return 0
                    send.append(byte)
                elif byte == CTRL_A:
                    escape = True
                else:
                    send.append(byte)
            if send:
                self.machine.send(bytes(send))
        return self.machine.qemu.returncode


def terminal_size(stream=sys.stdout):
    """(columns, rows) of the terminal, or None when stream is not one."""
    try:
        size = os.get_terminal_size(stream.fileno())
    except (OSError, ValueError):
        return None
    return size.columns, size.lines
