# SPDX-License-Identifier: BSD-2-Clause-Patent
"""A small HII decoder for the tests, written from the UEFI IFR and string
package layouts; it shares no code with forms/tools/gen_packages.py.

It also holds the helpers that both test files need: locating the generated
bytes and running unittest with a closing "N passed, N failed" line.
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import uuid

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# ---------------------------------------------------------------------------
# Getting the bytes


def load_arrays(dump_dir=None):
    """Return (strings_array, forms_array, cpp_text or None).

    With a dump folder (as the build writes it) the bytes are read from there;
    without one the generator is run into a temporary folder first."""
    if dump_dir is None:
        tmp = tempfile.mkdtemp(prefix="forms-test-")
        subprocess.run([sys.executable, os.path.join(REPO, "forms", "tools", "gen_packages.py"),
                        "--out", tmp, "--dump-dir", tmp], check=True)
        dump_dir = cpp_dir = tmp
    else:
        cpp_dir = os.path.dirname(os.path.abspath(dump_dir))
    with open(os.path.join(dump_dir, "security_strings.bin"), "rb") as f:
        strings = f.read()
    with open(os.path.join(dump_dir, "security_forms.bin"), "rb") as f:
        forms = f.read()
    cpp = None
    cpp_path = os.path.join(cpp_dir, "security_packages.cpp")
    if os.path.exists(cpp_path):
        with open(cpp_path, encoding="ascii") as f:
            cpp = f.read()
    return strings, forms, cpp


def run_tests(title, setup):
    """Parse --dump-dir, hand the bytes to setup(), run the module's tests."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--dump-dir")
    args, rest = parser.parse_known_args()
    setup(*load_arrays(args.dump_dir))
    suite = unittest.defaultTestLoader.loadTestsFromModule(sys.modules["__main__"])
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    skipped = len(result.skipped)
    print(f"{title}: {result.testsRun - failed - skipped} passed, {failed} failed, {skipped} skipped")
    return 0 if result.wasSuccessful() and result.testsRun else 1


def guid_text(raw):
    return "{" + str(uuid.UUID(bytes_le=bytes(raw))).upper() + "}"


# ---------------------------------------------------------------------------
# String packages


def split_packages(array):
    """The packages that follow a UINT32 length prefix: [(type, bytes)]."""
    (total,) = struct.unpack_from("<I", array, 0)
    if total != len(array):
        raise ValueError(f"prefix says {total} bytes, array has {len(array)}")
    out, pos = [], 4
    while pos < len(array):
        (word,) = struct.unpack_from("<I", array, pos)
        length, ptype = word & 0xFFFFFF, word >> 24
        if length < 4 or pos + length > len(array):
            raise ValueError(f"package at {pos} has a bad length {length}")
        out.append((ptype, array[pos:pos + length]))
        pos += length
    return out


def decode_string_package(pkg):
    """Return a dict of the header fields and the texts, checking the block
    stream as it goes: only SIBT_STRING_UCS2 blocks, then SIBT_END last."""
    (word, hdr_size, info_offset) = struct.unpack_from("<III", pkg, 0)
    window = pkg[12:44]
    (language_name,) = struct.unpack_from("<H", pkg, 44)
    nul = pkg.index(b"\0", 46)
    language = pkg[46:nul].decode("ascii")
    pos, texts, end_at = info_offset, [], None
    while pos < len(pkg):
        block = pkg[pos]
        if block == 0x00:                      # EFI_HII_SIBT_END
            end_at = pos
            break
        if block != 0x14:                      # EFI_HII_SIBT_STRING_UCS2
            raise ValueError(f"unexpected block type 0x{block:02X} at {pos}")
        pos += 1
        chars = []
        while True:
            (unit,) = struct.unpack_from("<H", pkg, pos)
            pos += 2
            if unit == 0:
                break
            if 0xD800 <= unit <= 0xDFFF:
                raise ValueError(f"surrogate in string {len(texts) + 1}")
            chars.append(chr(unit))
        texts.append("".join(chars))
    return {
        "length": word & 0xFFFFFF, "type": word >> 24, "hdr_size": hdr_size,
        "string_info_offset": info_offset, "window_zero": window == bytes(32),
        "language_name": language_name, "language": language, "header_end": nul + 1,
        "texts": texts, "end_at": end_at,
    }


# ---------------------------------------------------------------------------
# IFR

OPNAMES = {
    0x01: "FORM", 0x02: "SUBTITLE", 0x03: "TEXT", 0x05: "ONE_OF", 0x06: "CHECKBOX", 0x07: "NUMERIC",
    0x08: "PASSWORD", 0x09: "ONE_OF_OPTION", 0x0A: "SUPPRESS_IF", 0x0C: "ACTION", 0x0E: "FORM_SET",
    0x0F: "REF", 0x11: "INCONSISTENT_IF", 0x12: "EQ_ID_VAL", 0x15: "AND", 0x16: "OR", 0x17: "NOT",
    0x19: "GRAY_OUT_IF", 0x1C: "STRING", 0x24: "VARSTORE", 0x29: "END", 0x2F: "EQUAL",
    0x30: "NOT_EQUAL", 0x31: "GREATER_THAN", 0x40: "QUESTION_REF1", 0x45: "UINT64", 0x46: "TRUE",
    0x5B: "DEFAULT", 0x5C: "DEFAULTSTORE", 0x5F: "GUID", 0x60: "SECURITY",
}
EXPRESSION_OPS = {"AND", "OR", "NOT", "EQUAL", "NOT_EQUAL", "GREATER_THAN", "QUESTION_REF1",
                  "UINT64", "SECURITY", "TRUE"}
SETUP_ADMIN_GUID = "{85B75607-F7CE-471E-B7E4-2AEA5F7232EE}"


class Op:
    def __init__(self, offset, name, scope, body):
        self.offset, self.name, self.scope, self.body = offset, name, scope, body
        self.children = []

    @property
    def length(self):
        return len(self.body) + 2


def ifr_tree(body):
    """Parse an opcode stream into a tree by the scope bits; every scope must
    be closed by an END and the stream must end with the outermost one."""
    root, stack, pos = Op(-1, "ROOT", True, b""), [], 0
    stack.append(root)
    while pos < len(body):
        code, lb = body[pos], body[pos + 1]
        length, scope = lb & 0x7F, bool(lb & 0x80)
        if length < 2 or pos + length > len(body):
            raise ValueError(f"opcode 0x{code:02X} at {pos}: bad length {length}")
        name = OPNAMES.get(code, f"OP_{code:02X}")
        op = Op(pos, name, scope, body[pos + 2:pos + length])
        pos += length
        if name == "END":
            if len(stack) == 1:
                raise ValueError(f"END at {op.offset} closes nothing")
            stack.pop()
            continue
        stack[-1].children.append(op)
        if scope:
            stack.append(op)
    if len(stack) != 1:
        raise ValueError(f"{stack[-1].name} at {stack[-1].offset} is never closed")
    return root.children


def flatten_expression(op):
    out = [op]
    for child in op.children:
        out.extend(flatten_expression(child))
    return out


def decode_expression(op):
    """Return (text, opcode names, byte size) of the expression rooted at op.
    The text is infix: 'Q4000 == 0 OR NOT ADMIN'."""
    ops = flatten_expression(op)
    stack = []
    for o in ops:
        if o.name not in EXPRESSION_OPS:
            raise ValueError(f"{o.name} at {o.offset} in an expression")
        if o.name == "UINT64":
            stack.append(("const", struct.unpack("<Q", o.body)[0]))
        elif o.name == "TRUE":
            stack.append(("const", 1))
        elif o.name == "QUESTION_REF1":
            stack.append(("q", struct.unpack("<H", o.body)[0]))
        elif o.name == "SECURITY":
            g = guid_text(o.body)
            stack.append(("admin",) if g == SETUP_ADMIN_GUID else ("security", g))
        elif o.name == "NOT":
            stack.append(("not", stack.pop()))
        else:
            b, a = stack.pop(), stack.pop()
            stack.append((o.name, a, b))
    if len(stack) != 1:
        raise ValueError(f"expression at {op.offset} leaves {len(stack)} values")
    size = sum(o.length for o in ops) + (2 if len(ops) > 1 else 0)
    return render(stack[0]), stack[0], [o.name for o in ops], size, op.scope


_SYMBOL = {"EQUAL": "==", "NOT_EQUAL": "!=", "GREATER_THAN": ">", "OR": "OR", "AND": "AND"}


def render(node):
    kind = node[0]
    if kind == "const":
        return str(node[1])
    if kind == "q":
        return f"Q{node[1]}"
    if kind == "admin":
        return "ADMIN"
    if kind == "security":
        return f"SECURITY{node[1]}"
    if kind == "not":
        inner = render(node[1])
        return f"NOT {inner}" if node[1][0] in ("q", "admin", "const", "security") else f"NOT ({inner})"
    left, right = render(node[1]), render(node[2])
    if kind in ("OR", "AND"):
        if node[2][0] in ("OR", "AND"):
            right = f"({right})"
        if node[1][0] in ("OR", "AND") and node[1][0] != kind:
            left = f"({left})"
    return f"{left} {_SYMBOL[kind]} {right}"


def constant_value(node):
    """The value of an expression made of constants only, else None."""
    kind = node[0]
    if kind == "const":
        return node[1]
    if kind in ("EQUAL", "NOT_EQUAL", "GREATER_THAN"):
        a, b = constant_value(node[1]), constant_value(node[2])
        if a is None or b is None:
            return None
        return int({"EQUAL": a == b, "NOT_EQUAL": a != b, "GREATER_THAN": a > b}[kind])
    return None


def _question_header(body):
    prompt, help_, qid, store, offset, flags = struct.unpack_from("<HHHHHB", body, 0)
    return {"prompt": prompt, "help": help_, "qid": qid, "store": store, "offset": offset, "flags": flags}


def _value(vtype, raw):
    width = {0: 1, 1: 2, 2: 4, 3: 8}[vtype]
    return int.from_bytes(raw[:width], "little")


def decode_statement(op, conditions):
    """A statement or question with the conditions that enclose it."""
    s = {"op": op.name, "length": op.length, "scope": op.scope, "conditions": list(conditions)}
    b = op.body
    if op.name == "TEXT":
        s["prompt"], s["help"], s["right"] = struct.unpack("<HHH", b)
        return s
    s.update(_question_header(b))
    rest = b[11:]
    if op.name == "ACTION":
        s["config"] = struct.unpack("<H", rest)[0] if len(rest) == 2 else None
    elif op.name == "STRING":
        s["minsize"], s["maxsize"], s["string_flags"] = rest[0], rest[1], rest[2]
    elif op.name == "REF":
        (s["form"],) = struct.unpack_from("<H", rest, 0)
    elif op.name in ("NUMERIC", "ONE_OF"):
        s["type_flags"] = rest[0]
        width = {0: 1, 1: 2, 2: 4, 3: 8}[rest[0] & 0x03]
        data = rest[1:]
        s["data_width"] = len(data)
        s["min"], s["max"], s["step"] = (int.from_bytes(data[i * width:(i + 1) * width], "little")
                                         for i in range(3))
        s["options"], s["defaults"], s["inconsistent"], s["child_lengths"] = [], [], [], {}
        for child in op.children:
            s["child_lengths"].setdefault(child.name, set()).add(child.length)
            cb = child.body
            if child.name == "ONE_OF_OPTION":
                text, oflags, vtype = struct.unpack_from("<HBB", cb, 0)
                s["options"].append((text, _value(vtype, cb[4:]), oflags, vtype))
            elif child.name == "DEFAULT":
                store, vtype = struct.unpack_from("<HB", cb, 0)
                s["defaults"].append((store, _value(vtype, cb[3:]), vtype))
            elif child.name == "INCONSISTENT_IF":
                (message,) = struct.unpack_from("<H", cb, 0)
                s["inconsistent"].append((message, decode_expression(child.children[0])[0]))
                if len(child.children) != 1:
                    raise ValueError(f"inconsistent-if at {child.offset} holds more than its expression")
            else:
                raise ValueError(f"{child.name} inside {op.name} at {op.offset}")
    if op.name not in ("NUMERIC", "ONE_OF") and op.children:
        raise ValueError(f"{op.name} at {op.offset} holds opcodes")
    return s


def walk_statements(ops, conditions=()):
    """Flatten a form body into statements, each with its enclosing
    (kind, text, tree, opcode names, size, scope) conditions, outermost first."""
    out = []
    for op in ops:
        if op.name in ("SUPPRESS_IF", "GRAY_OUT_IF"):
            if not op.children:
                raise ValueError(f"empty {op.name} at {op.offset}")
            expr = decode_expression(op.children[0])
            kind = "suppress" if op.name == "SUPPRESS_IF" else "grayout"
            out.extend(walk_statements(op.children[1:], conditions + ((kind,) + expr,)))
        else:
            out.append(decode_statement(op, conditions))
    return out


def decode_form_package(pkg):
    """Return the decoded form set: header fields, extension opcodes,
    default stores, varstores and forms with their statements."""
    (word,) = struct.unpack_from("<I", pkg, 0)
    top = ifr_tree(pkg[4:])
    if len(top) != 1 or top[0].name != "FORM_SET":
        raise ValueError("the package must hold exactly one form set")
    fs = top[0]
    b = fs.body
    nguids = b[20] & 0x03
    result = {
        "length": word & 0xFFFFFF, "type": word >> 24, "guid": guid_text(b[0:16]),
        "title": struct.unpack_from("<H", b, 16)[0], "help": struct.unpack_from("<H", b, 18)[0],
        "class_guids": [guid_text(b[21 + 16 * i:37 + 16 * i]) for i in range(nguids)],
        "formset_length": fs.length, "order": [], "extensions": [], "defaultstores": [],
        "varstores": [], "forms": [],
    }
    for op in fs.children:
        result["order"].append(op.name)
        if op.name == "GUID":
            result["extensions"].append((guid_text(op.body[:16]), op.body[16],
                                         int.from_bytes(op.body[17:], "little"), op.length))
        elif op.name == "DEFAULTSTORE":
            name, did = struct.unpack("<HH", op.body)
            result["defaultstores"].append((did, name))
        elif op.name == "VARSTORE":
            vid, size = struct.unpack_from("<HH", op.body, 16)
            name = op.body[20:op.body.index(b"\0", 20)].decode("ascii")
            result["varstores"].append((vid, name, guid_text(op.body[:16]), size))
        elif op.name == "FORM":
            fid, title = struct.unpack("<HH", op.body)
            result["forms"].append({"id": fid, "title": title, "statements": walk_statements(op.children)})
        else:
            raise ValueError(f"unexpected {op.name} in the form set at {op.offset}")
    return result
