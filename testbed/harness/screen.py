# SPDX-License-Identifier: BSD-2-Clause-Patent
"""A screen built from the firmware's serial console: the PC-ANSI stream of
the UEFI terminal (cursor moves ESC[r;cH, clear ESC[2J, colours ESC[..m,
CP437 box characters) rendered into rows of cells with their colours, so
tests can read what a person would see and whether a line is grayed out.

Testbed events (STX ... ETX frames) are taken out of the stream first."""
import re

EVENT = re.compile(rb"\x02([^\x03]*)\x03")


def split_events(raw):
    """Returns (console bytes without the event frames, list of event texts)."""
    events = [m.group(1).decode("latin-1") for m in EVENT.finditer(raw)]
    return EVENT.sub(b"", raw), events


def firmware_number(digits):
    """A number as the firmware's terminal writes it ('0' + n / 10, '0' + n % 10)."""
    value = 0
    for digit in digits:
        value = value * 10 + (digit - 0x30)
    return value


class Cell:
    __slots__ = ("char", "fg", "bg", "bold")

    def __init__(self, char=" ", fg=7, bg=0, bold=False):
        self.char, self.fg, self.bg, self.bold = char, fg, bg, bold


class Screen:
    def __init__(self, columns=100, rows=31):
        self.columns, self.rows = columns, rows
        self.fg, self.bg, self.bold = 7, 0, False
        self.row = self.column = 0
        self.clear()

    def clear(self):
        self.cells = [[Cell(" ", self.fg, self.bg, self.bold) for _ in range(self.columns)] for _ in range(self.rows)]

    def _put(self, char):
        if self.column >= self.columns:
            self.column = 0
            self._line_feed()
        if 0 <= self.row < self.rows:
            self.cells[self.row][self.column] = Cell(char, self.fg, self.bg, self.bold)
        self.column += 1

    def _line_feed(self):
        self.row += 1
        if self.row >= self.rows:
            self.cells.pop(0)
            self.cells.append([Cell() for _ in range(self.columns)])
            self.row = self.rows - 1

    def _sgr(self, parameters):
        for value in parameters or [0]:
            if value == 0:
                self.fg, self.bg, self.bold = 7, 0, False
            elif value == 1:
                self.bold = True
            elif value == 22:
                self.bold = False
            elif 30 <= value <= 37:
                self.fg = value - 30
            elif 40 <= value <= 47:
                self.bg = value - 40

    def feed(self, data):
        index = 0
        while index < len(data):
            byte = data[index]
            if byte == 0x1B:
                # The UEFI terminal writes two digits per number as '0' + n / 10,
                # '0' + n % 10, so column 100 arrives as ":0".
                match = re.match(rb"\x1b\[([=?]?)([0-9:;]*)([A-Za-z])", data[index:])
                if not match:
                    index += 1
                    continue
                index += match.end()
                private, numbers, final = match.group(1), match.group(2), match.group(3)
                parameters = [firmware_number(p) for p in numbers.split(b";") if p] if numbers else []
                if private:
                    continue
                if final == b"H" or final == b"f":
                    row = parameters[0] if parameters else 1
                    column = parameters[1] if len(parameters) > 1 else 1
                    self.row, self.column = max(0, row - 1), max(0, column - 1)
                elif final == b"J":
                    self.clear()
                elif final == b"m":
                    self._sgr(parameters)
                elif final == b"K":
                    for column in range(self.column, self.columns):
                        self.cells[self.row][column] = Cell(" ", self.fg, self.bg, self.bold)
                continue
            index += 1
            if byte == 0x0D:
                self.column = 0
            elif byte == 0x0A:
                self._line_feed()
            elif byte == 0x08:
                self.column = max(0, self.column - 1)
            elif byte < 0x20 and byte not in (0x18, 0x19, 0x1A, 0x1B):
                continue
            else:
                self._put(bytes([byte]).decode("cp437"))

    # ---------------------------------------------------------------- reading
    def lines(self):
        return ["".join(cell.char for cell in row).rstrip() for row in self.cells]

    def text(self):
        return "\n".join(self.lines())

    def find(self, needle):
        """(row, column) of the first occurrence of needle, or None."""
        for row, line in enumerate(self.lines()):
            column = line.find(needle)
            if column >= 0:
                return row, column
        return None

    def colours(self, needle):
        """The (fg, bg, bold) of needle's first character, or None."""
        where = self.find(needle)
        if where is None:
            return None
        cell = self.cells[where[0]][where[1]]
        return cell.fg, cell.bg, cell.bold

    def row_text(self, needle):
        where = self.find(needle)
        return None if where is None else self.lines()[where[0]]
