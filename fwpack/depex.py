# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Dependency expressions of DXE drivers (PI volume 2/3): postfix code over
protocol GUIDs. Opcodes: BEFORE 0x00 and AFTER 0x01 (each + GUID, alone in
an expression), PUSH 0x02 + GUID, AND 0x03, OR 0x04, NOT 0x05, TRUE 0x06,
FALSE 0x07, END 0x08, SOR 0x09 (first opcode only)."""
from .errors import FwpackError
from .guid import guid_bytes, guid_text

BEFORE, AFTER, PUSH, AND, OR, NOT, TRUE, FALSE, END, SOR = range(10)
NAMES = {BEFORE: "BEFORE", AFTER: "AFTER", PUSH: "PUSH", AND: "AND", OR: "OR", NOT: "NOT", TRUE: "TRUE",
         FALSE: "FALSE", END: "END", SOR: "SOR"}


def all_of(guids):
    """The expression true when every protocol of guids is installed (TRUE when there are none)."""
    if not guids:
        return bytes([TRUE, END])
    code = bytearray()
    for index, guid in enumerate(guids):
        code += bytes([PUSH]) + guid_bytes(guid)
        if index:
            code.append(AND)
    code.append(END)
    return bytes(code)


def decode(code):
    """The expression as a list of (opcode name, GUID text or None); checks its form."""
    out = []
    offset = 0
    while offset < len(code):
        opcode = code[offset]
        if opcode not in NAMES:
            raise FwpackError(f"dependency expression: unknown opcode 0x{opcode:02X} at offset {offset}")
        if opcode in (PUSH, BEFORE, AFTER):
            if offset + 17 > len(code):
                raise FwpackError(f"dependency expression: {NAMES[opcode]} at offset {offset} lacks its GUID")
            out.append((NAMES[opcode], guid_text(code[offset + 1:offset + 17])))
            offset += 17
        else:
            out.append((NAMES[opcode], None))
            offset += 1
        if opcode == END:
            break
    if not out or out[-1][0] != "END":
        raise FwpackError("dependency expression: no END opcode")
    if offset != len(code):
        raise FwpackError(f"dependency expression: {len(code) - offset} bytes after END")
    if out[0][0] in ("BEFORE", "AFTER"):
        if len(out) != 2:
            raise FwpackError(f"dependency expression: {out[0][0]} must be followed by END alone")
    return out


def evaluate(code, installed):
    """Whether the expression holds when exactly the protocols in installed
    (GUID texts) are present. BEFORE/AFTER expressions order a driver against
    another and do not depend on protocols: they evaluate as not schedulable
    here. SOR only marks the driver for a Schedule call and is skipped."""
    present = {guid.upper() for guid in installed}
    stack = []
    for index, (name, guid) in enumerate(decode(code)):
        if name in ("BEFORE", "AFTER"):
            return False
        if name == "SOR":
            if index:
                raise FwpackError("dependency expression: SOR only as the first opcode")
            continue
        if name == "PUSH":
            stack.append(guid in present)
        elif name in ("TRUE", "FALSE"):
            stack.append(name == "TRUE")
        elif name == "NOT":
            if not stack:
                raise FwpackError("dependency expression: NOT on an empty stack")
            stack.append(not stack.pop())
        elif name in ("AND", "OR"):
            if len(stack) < 2:
                raise FwpackError(f"dependency expression: {name} needs two operands")
            right, left = stack.pop(), stack.pop()
            stack.append(left and right if name == "AND" else left or right)
        elif name == "END":
            if len(stack) != 1:
                raise FwpackError(f"dependency expression: {len(stack)} values left at END, not one")
            return stack[0]
    raise FwpackError("dependency expression: no END opcode")


def pushed(code):
    """The GUIDs the expression pushes, in order."""
    return [guid for name, guid in decode(code) if name == "PUSH"]
