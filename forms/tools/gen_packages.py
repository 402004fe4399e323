#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Build the Security page's HII packages from their readable sources.

Inputs (relative to the forms/ folder):
    strings/en-US.txt, strings/fr-FR.txt, strings/ja-JP.txt, strings/ko-KR.txt
    security.form
    security_page_ids.h   (the page's numbers, which security.form names)
    security_packages.h   (declares the two arrays and their sizes)

Output:
    OUT/security_packages.cpp defining
        gSecurityStringPackages  UINT32 length prefix, then the string
                                 packages en-US, fr-FR, ja-JP, ko-KR
        gSecurityFormPackage     UINT32 length prefix, then one forms package
    and, with --dump-dir, the raw bytes of both arrays
        DUMP/security_strings.bin, DUMP/security_forms.bin

Usage:
    python3 forms/tools/gen_packages.py --out DIR [--dump-dir DIR] [--forms-dir DIR]

The sizes of the packages are fixed by the rest of the firmware; any edit that
changes one of them stops the build with a message that says by how much.
Python 3 standard library only; the output depends on the inputs alone.
"""

import argparse
import os
import re
import struct
import sys
import uuid

# ---------------------------------------------------------------------------
# Fixed sizes

LANGUAGES = ("en-US", "fr-FR", "ja-JP", "ko-KR")  # package order in the array
STRING_COUNT = 117
STRING_PACKAGE_LENGTH = {"en-US": 6228, "fr-FR": 8192, "ja-JP": 4058, "ko-KR": 3706}
STRING_ARRAY_SIZE = 0x56AC
FORM_ARRAY_SIZE = 0xFA8
STRING_ARRAY_NAME = "gSecurityStringPackages"
FORM_ARRAY_NAME = "gSecurityFormPackage"


class SourceError(Exception):
    """A fault in one of the source files, with its place."""

    def __init__(self, path, line, message):
        where = f"{path}:{line}" if line else path
        super().__init__(f"{where}: {message}")


# ---------------------------------------------------------------------------
# String files
#
#   ID  NAME  "text"      ID 1..117 ascending, NAME a symbolic name
#       "more"            an indented quoted line continues the text
#   escapes: \r \n \t \" \\ \uXXXX; a line "language xx-YY" names the language

_ENTRY = re.compile(r'^(\d+)\s+([A-Za-z_][A-Za-z0-9_]*)\s+(".*)$')
_CONTINUATION = re.compile(r'^\s+(".*)$')
_QUOTED = re.compile(r'\s*"((?:[^"\\]|\\.)*)"')
_ESCAPES = {"r": "\r", "n": "\n", "t": "\t", '"': '"', "\\": "\\"}


def _unquote_all(path, line_no, rest):
    """Concatenate the quoted texts of one line; nothing else may follow."""
    pos, out = 0, []
    while pos < len(rest):
        if rest[pos:].strip() == "" or rest[pos:].lstrip().startswith("#"):
            break
        m = _QUOTED.match(rest, pos)
        if not m:
            raise SourceError(path, line_no, "expected a double-quoted text")
        body, i = m.group(1), 0
        while i < len(body):
            c = body[i]
            if c != "\\":
                out.append(c)
                i += 1
                continue
            e = body[i + 1]
            if e in _ESCAPES:
                out.append(_ESCAPES[e])
                i += 2
            elif e == "u" and re.fullmatch(r"[0-9A-Fa-f]{4}", body[i + 2:i + 6]):
                out.append(chr(int(body[i + 2:i + 6], 16)))
                i += 6
            else:
                raise SourceError(path, line_no, f"unknown escape \\{e}")
        pos = m.end()
    return "".join(out)


def read_string_file(path):
    """Return (language, [(id, name, text)]) from one language file."""
    language, entries = None, []
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    for line_no, line in enumerate(lines, 1):
        stripped = line.strip()
        if not stripped or stripped.startswith("#"):
            continue
        if stripped.startswith("language "):
            language = stripped.split()[1]
            continue
        m = _ENTRY.match(line)
        if m:
            entries.append([int(m.group(1)), m.group(2),
                            _unquote_all(path, line_no, m.group(3)), line_no])
            continue
        m = _CONTINUATION.match(line)
        if m and entries:
            entries[-1][2] += _unquote_all(path, line_no, m.group(1))
            continue
        raise SourceError(path, line_no, "not a string entry: " + stripped[:40])
    for index, (sid, name, text, line_no) in enumerate(entries, 1):
        if sid != index:
            raise SourceError(path, line_no, f"string {sid} out of order, expected {index}")
        for ch in text:
            if ord(ch) > 0xFFFF or 0xD800 <= ord(ch) <= 0xDFFF:
                raise SourceError(path, line_no, f"string {sid}: U+{ord(ch):X} is not a UCS-2 character")
            if ch == "\0":
                raise SourceError(path, line_no, f"string {sid}: NUL inside a text")
    if len(entries) != STRING_COUNT:
        raise SourceError(path, 0, f"{len(entries)} strings, expected {STRING_COUNT}")
    return language, [(sid, name, text) for sid, name, text, _ in entries]


def build_string_package(language, texts):
    """EFI_HII_STRING_PACKAGE_HDR, one SIBT_STRING_UCS2 block per text, SIBT_END."""
    lang = language.encode("ascii") + b"\0"
    hdr_size = 4 + 4 + 4 + 32 + 2 + len(lang)
    blocks = bytearray()
    for text in texts:
        blocks += b"\x14" + text.encode("utf-16-le") + b"\0\0"  # EFI_HII_SIBT_STRING_UCS2
    blocks += b"\x00"                                         # EFI_HII_SIBT_END
    length = hdr_size + len(blocks)
    body = struct.pack("<III", length | (0x04 << 24), hdr_size, hdr_size)
    body += bytes(32)                    # LanguageWindow
    body += struct.pack("<H", 1)         # LanguageName: string 1
    return body + lang + bytes(blocks)


def build_string_array(strings_dir):
    names, packages = None, []
    for language in LANGUAGES:
        path = os.path.join(strings_dir, language + ".txt")
        declared, entries = read_string_file(path)
        if declared != language:
            raise SourceError(path, 0, f"declares language {declared!r}, expected {language!r}")
        these = [name for _, name, _ in entries]
        if names is None:
            names = these
        elif these != names:
            bad = next(i for i, (a, b) in enumerate(zip(names, these)) if a != b)
            raise SourceError(path, 0, f"string {bad + 1} is named {these[bad]}, en-US calls it {names[bad]}")
        package = build_string_package(language, [text for _, _, text in entries])
        want = STRING_PACKAGE_LENGTH[language]
        if len(package) != want:
            units = (len(package) - want) // 2
            raise SourceError(path, 0, f"{language} string package is {len(package)} bytes, must be {want} "
                                       f"(the texts are {units:+d} UTF-16 units off)")
        packages.append(package)
    array = _prefixed(b"".join(packages))
    _require_size("string array", array, STRING_ARRAY_SIZE, strings_dir)
    return array, {name: index for index, name in enumerate(names, 1)}


def _prefixed(packages):
    return struct.pack("<I", len(packages) + 4) + packages


def _require_size(what, data, size, source):
    if len(data) != size:
        raise SourceError(source, 0, f"{what} is {len(data)} bytes (0x{len(data):X}), must be "
                                     f"{size} (0x{size:X}): {len(data) - size:+d} bytes")


# ---------------------------------------------------------------------------
# The page's numbers (security_page_ids.h), shared with the driver's C++ code
#
#   namespace NAME {                  opens a group: its members are NAME.MEMBER
#   constexpr TYPE NAME = NUMBER;     one number, decimal or 0x hexadecimal
#   }  // namespace NAME              closes the group
# Other lines (comments, blank lines, #pragma, #include) are skipped; any other
# line that mentions constexpr or namespace is refused, so that no number of
# the header escapes the generator.

QUESTION_GROUP = "SecurityQuestion"   # its members are named bare in the form
_IDS_NAMESPACE = re.compile(r"^namespace\s+([A-Za-z_][A-Za-z0-9_]*)\s*\{\s*(//.*)?$")
_IDS_CLOSE = re.compile(r"^\}\s*(//.*)?$")
_IDS_CONSTANT = re.compile(r"^constexpr\s+[A-Za-z_][A-Za-z0-9_]*\s+([A-Za-z_][A-Za-z0-9_]*)\s*=\s*"
                          r"(0[xX][0-9A-Fa-f]+|\d+)\s*;\s*(//.*)?$")


def read_page_ids(path):
    """Return {name: number}: "GROUP.NAME" for group members, "NAME" for the
    others; the members of the question group are also entered by bare name."""
    ids, group = {}, None
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    for line_no, raw in enumerate(lines, 1):
        line = raw.strip()
        m = _IDS_NAMESPACE.match(line)
        if m:
            if group is not None:
                raise SourceError(path, line_no, f"namespace {m.group(1)} inside namespace {group}")
            group = m.group(1)
            continue
        if _IDS_CLOSE.match(line) and group is not None:
            group = None
            continue
        m = _IDS_CONSTANT.match(line)
        if m:
            name, value = m.group(1), int(m.group(2), 0)
            keys = [f"{group}.{name}" if group else name]
            if group == QUESTION_GROUP:
                keys.append(name)
            for key in keys:
                if key in ids:
                    raise SourceError(path, line_no, f"{key} is defined twice")
                ids[key] = value
            continue
        if re.search(r"\b(constexpr|namespace|enum|#define)\b", line.split("//", 1)[0]):
            raise SourceError(path, line_no, "not a line the generator reads: " + line[:50])
    if group is not None:
        raise SourceError(path, 0, f"namespace {group} is never closed")
    return ids


def check_string_ids(ids, string_ids, path):
    """The header's STR_ numbers must be the IDs the string files give those names."""
    for name, value in ids.items():
        if name.startswith("STR_") and string_ids.get(name) != value:
            raise SourceError(path, 0, f"{name} is {value} here, but string {string_ids.get(name)} "
                                       "in forms/strings")


# ---------------------------------------------------------------------------
# Form description: tokens and parse tree

_NAME = r"[A-Za-z_][A-Za-z0-9_]*"
_TOKEN = re.compile(r"\s*(\{[0-9A-Fa-f-]+\}|==|!=|>|\(|\)|\[|\]|\||" + _NAME + r"(?:\." + _NAME + r")?|\d+)")


def _tokenize(path, line_no, text):
    text = text.split("#", 1)[0].rstrip()
    tokens, pos = [], 0
    while pos < len(text):
        m = _TOKEN.match(text, pos)
        if not m:
            raise SourceError(path, line_no, f"cannot read {text[pos:].strip()[:30]!r}")
        tokens.append(m.group(1))
        pos = m.end()
    return tokens


class Node:
    def __init__(self, kind, line, **attrs):
        self.kind, self.line, self.children = kind, line, []
        self.__dict__.update(attrs)


# Statement keywords with the attributes each accepts; "block" ones take a body
# that ends with the matching end keyword.
_QUESTION_ATTRS = {
    "numeric": {"id", "prompt", "help", "var", "flags", "min", "max", "step"},
    "oneof": {"id", "prompt", "help", "var", "flags", "min", "max", "step"},
    "action": {"id", "prompt", "help", "flags", "config"},
    "string": {"id", "prompt", "help", "flags", "minsize", "maxsize"},
    "goto": {"form", "id", "prompt", "help", "flags"},
}
_BLOCK_END = {"formset": "endformset", "form": "endform", "suppressif": "endif",
              "grayoutif": "endif", "numeric": "endnumeric", "oneof": "endoneof"}
QUESTION_FLAGS = {"READ_ONLY": 0x01, "CALLBACK": 0x04, "RESET_REQUIRED": 0x10}
OPTION_FLAGS = {"DEFAULT": 0x10, "DEFAULT_MFG": 0x20}


class FormParser:
    def __init__(self, path, string_ids, page_ids):
        self.path, self.string_ids, self.page_ids = path, string_ids, page_ids

    def fail(self, line, message):
        raise SourceError(self.path, line, message)

    # -- small readers over a token list
    def attrs(self, line, tokens, allowed):
        out, i = {}, 0
        while i < len(tokens):
            key = tokens[i]
            if key not in allowed:
                self.fail(line, f"unexpected {key!r}")
            if key == "var" and i + 1 < len(tokens) and "." in tokens[i + 1]:
                store = tokens[i + 1].split(".", 1)[0]
                out[key] = (store, self.number(line, tokens[i + 1]))
                i += 2
            elif key == "var":
                if len(tokens) < i + 5 or tokens[i + 2] != "[" or tokens[i + 4] != "]":
                    self.fail(line, "var takes STORE.FIELD or STORE[OFFSET]")
                out[key] = (tokens[i + 1], self.number(line, tokens[i + 3]))
                i += 5
            elif key == "flags":
                if i + 1 >= len(tokens):
                    self.fail(line, "flags needs a value")
                names = [tokens[i + 1]]
                i += 2
                while i + 1 < len(tokens) and tokens[i] == "|":
                    names.append(tokens[i + 1])
                    i += 2
                out[key] = names
            else:
                if i + 1 >= len(tokens):
                    self.fail(line, f"{key} needs a value")
                out[key] = tokens[i + 1]
                i += 2
        return out

    def number(self, line, token):
        """A number written out, or a name of security_page_ids.h."""
        if token and token.isdigit():
            return int(token)
        if token in self.page_ids:
            return self.page_ids[token]
        self.fail(line, f"expected a number or a name of security_page_ids.h, found {token!r}")

    def string_id(self, line, token):
        if token is None:
            self.fail(line, "missing string")
        if token.isdigit():
            value = int(token)
        elif token in self.string_ids:
            value = self.string_ids[token]
        else:
            self.fail(line, f"unknown string {token}")
        if not 0 <= value <= STRING_COUNT:
            self.fail(line, f"string {value} does not exist")
        return value

    def guid(self, line, token):
        if not token or not token.startswith("{"):
            self.fail(line, f"expected a GUID, found {token!r}")
        try:
            return uuid.UUID(token[1:-1]).bytes_le
        except ValueError:
            self.fail(line, f"bad GUID {token}")

    # -- conditions: OR < AND < NOT < comparison
    def expression(self, line, tokens):
        self._tokens, self._pos, self._line = tokens, 0, line
        tree = self._or()
        if self._pos != len(tokens):
            self.fail(line, f"unexpected {tokens[self._pos]!r} in condition")
        return tree

    def _peek(self):
        return self._tokens[self._pos] if self._pos < len(self._tokens) else None

    def _take(self):
        token = self._peek()
        if token is None:
            self.fail(self._line, "condition ends early")
        self._pos += 1
        return token

    def _or(self):
        left = self._and()
        while self._peek() == "OR":
            self._take()
            left = ("or", left, self._and())
        return left

    def _and(self):
        left = self._not()
        while self._peek() == "AND":
            self._take()
            left = ("and", left, self._not())
        return left

    def _not(self):
        if self._peek() == "NOT":
            self._take()
            return ("not", self._not())
        left = self._primary()
        if self._peek() in ("==", "!=", ">"):
            op = self._take()
            left = ("cmp", op, left, self._primary())
        return left

    def _primary(self):
        token = self._take()
        if token == "(":
            inner = self._or()
            if self._take() != ")":
                self.fail(self._line, "missing )")
            return inner
        if token == "TRUE":
            return ("const", 1)
        if token == "FALSE":
            return ("const", 0)
        if token.isdigit():
            return ("const", int(token))
        if re.fullmatch(r"Q\d+", token):
            return ("question", int(token[1:]))
        if token in self.permissions:
            return ("security", self.permissions[token])
        # A bare name is a question, a group member a constant.
        if f"{QUESTION_GROUP}.{token}" in self.page_ids:
            return ("question", self.page_ids[token])
        if "." in token and token in self.page_ids:
            return ("const", self.page_ids[token])
        self.fail(self._line, f"unknown operand {token!r}")

    # -- the whole file
    def parse(self, text):
        self.permissions = {}
        root = Node("root", 0)
        stack = [root]
        pending, first_line = [], 0
        for line_no, raw in enumerate(text.split("\n"), 1):
            tokens = _tokenize(self.path, line_no, raw)
            if not tokens:
                continue
            # A condition that ends in OR or AND goes on on the next line.
            pending, first_line = pending + tokens, first_line or line_no
            if pending[-1] in ("OR", "AND"):
                continue
            self.statement(stack, first_line, pending[0], pending[1:])
            pending, first_line = [], 0
        if pending:
            self.fail(first_line, "condition ends early")
        if len(stack) != 1:
            self.fail(stack[-1].line, f"{stack[-1].kind} is never closed")
        if len(root.children) != 1 or root.children[0].kind != "formset":
            self.fail(0, "the file must hold exactly one formset")
        return root.children[0]

    def statement(self, stack, line, word, rest):
        top = stack[-1]
        if word in ("endformset", "endform", "endif", "endnumeric", "endoneof"):
            if _BLOCK_END.get(top.kind) != word or rest:
                self.fail(line, f"{word} does not close {top.kind}")
            stack.pop()
            return
        fs = stack[1] if len(stack) > 1 else None
        if word == "formset":
            a = self.attrs(line, rest, {"guid", "title", "help"})
            node = Node("formset", line, guid=self.guid(line, a.get("guid")),
                        title=self.string_id(line, a.get("title")), help=self.string_id(line, a.get("help")),
                        class_guids=[], klass=None, subclass=None, defaultstores={}, varstores={})
            top.children.append(node)
            stack.append(node)
        elif top.kind == "formset" and word == "classguid":
            top.class_guids.append(self.guid(line, rest[0] if rest else None))
        elif top.kind == "formset" and word in ("class", "subclass"):
            setattr(top, "klass" if word == "class" else "subclass", self.number(line, rest[0] if rest else None))
        elif top.kind == "formset" and word == "permission":
            self.permissions[rest[0]] = self.guid(line, rest[1] if len(rest) > 1 else None)
        elif top.kind == "formset" and word == "defaultstore":
            a = self.attrs(line, rest[1:], {"id", "name"})
            top.defaultstores[rest[0]] = (self.number(line, a.get("id")), self.string_id(line, a.get("name")))
            top.children.append(Node("defaultstore", line, store=rest[0]))
        elif top.kind == "formset" and word == "varstore":
            a = self.attrs(line, rest[1:], {"id", "size", "guid"})
            top.varstores[rest[0]] = self.number(line, a.get("id"))
            top.children.append(Node("varstore", line, name=rest[0], id=self.number(line, a.get("id")),
                                     size=self.number(line, a.get("size")), guid=self.guid(line, a.get("guid"))))
        elif top.kind == "formset" and word == "form":
            a = self.attrs(line, rest[1:], {"title"})
            node = Node("form", line, id=self.number(line, rest[0] if rest else None),
                        title=self.string_id(line, a.get("title")))
            top.children.append(node)
            stack.append(node)
        elif top.kind in ("form", "suppressif", "grayoutif") and word in ("suppressif", "grayoutif"):
            node = Node(word, line, expr=self.expression(line, rest))
            top.children.append(node)
            stack.append(node)
        elif top.kind in ("form", "suppressif", "grayoutif") and word == "text":
            a = self.attrs(line, rest, {"prompt", "help", "right"})
            top.children.append(Node("text", line, prompt=self.string_id(line, a.get("prompt")),
                                     help=self.string_id(line, a.get("help")),
                                     right=self.string_id(line, a["right"]) if "right" in a else 0))
        elif top.kind in ("form", "suppressif", "grayoutif") and word in _QUESTION_ATTRS:
            top.children.append(self.question(fs, line, word, rest))
            if word in _BLOCK_END:
                stack.append(top.children[-1])
        elif top.kind in ("numeric", "oneof") and word == "default":
            if len(rest) != 2 or rest[0] not in fs.defaultstores:
                self.fail(line, "default takes a default store name and a value")
            top.defaults.append((fs.defaultstores[rest[0]][0], self.number(line, rest[1])))
        elif top.kind == "oneof" and word == "option":
            a = self.attrs(line, rest[2:], {"flags"})
            flags = 0
            for name in a.get("flags", []):
                if name not in OPTION_FLAGS:
                    self.fail(line, f"unknown option flag {name}")
                flags |= OPTION_FLAGS[name]
            top.options.append((self.string_id(line, rest[0] if rest else None),
                                self.number(line, rest[1] if len(rest) > 1 else None), flags))
        elif top.kind in ("numeric", "oneof") and word == "inconsistentif":
            top.inconsistent.append((self.string_id(line, rest[0] if rest else None),
                                     self.expression(line, rest[1:])))
        else:
            self.fail(line, f"{word!r} is not allowed inside {top.kind}")

    def question(self, fs, line, word, rest):
        a = self.attrs(line, rest, _QUESTION_ATTRS[word])
        flags = 0
        for name in a.get("flags", []):
            if name not in QUESTION_FLAGS:
                self.fail(line, f"unknown question flag {name}")
            flags |= QUESTION_FLAGS[name]
        store, offset = 0, 0xFFFF            # questions without storage
        if "var" in a:
            name, offset = a["var"]
            if name not in fs.varstores:
                self.fail(line, f"unknown varstore {name}")
            store = fs.varstores[name]
        node = Node(word, line, qid=self.number(line, a.get("id")), prompt=self.string_id(line, a.get("prompt")),
                    help=self.string_id(line, a.get("help")), store=store, offset=offset, flags=flags,
                    options=[], defaults=[], inconsistent=[])
        if word in ("numeric", "oneof"):
            if "var" not in a:
                self.fail(line, f"{word} needs var STORE[OFFSET]")
            node.min, node.max, node.step = (self.number(line, a.get(k)) for k in ("min", "max", "step"))
            if max(node.min, node.max, node.step) > 0xFF:
                self.fail(line, "range values must fit the one-byte storage")
        elif word == "action":
            node.config = self.string_id(line, a["config"]) if "config" in a else None
        elif word == "string":
            node.minsize, node.maxsize = self.number(line, a.get("minsize")), self.number(line, a.get("maxsize"))
        elif word == "goto":
            node.form = self.number(line, a.get("form"))
        return node


# ---------------------------------------------------------------------------
# IFR encoding (UEFI 2.x opcodes)
#
# Value fields take their full structure widths: EFI_IFR_TYPE_VALUE as the
# 8-byte union in options and defaults, and the 24-byte MIN_MAX_DATA union in
# numeric and one-of headers, with the one-byte values in its first bytes.
# The flags still declare one-byte storage and the value type stays UINT8.
# Every question opcode opens a scope, closed by EFI_IFR_END, even when it
# holds nothing; statements (text) do not.

OP = {
    "FORM": 0x01, "TEXT": 0x03, "ONE_OF": 0x05, "NUMERIC": 0x07, "ONE_OF_OPTION": 0x09,
    "SUPPRESS_IF": 0x0A, "ACTION": 0x0C, "FORM_SET": 0x0E, "REF": 0x0F, "INCONSISTENT_IF": 0x11,
    "AND": 0x15, "OR": 0x16, "NOT": 0x17, "GRAY_OUT_IF": 0x19, "STRING": 0x1C, "VARSTORE": 0x24,
    "END": 0x29, "EQUAL": 0x2F, "NOT_EQUAL": 0x30, "GREATER_THAN": 0x31, "QUESTION_REF1": 0x40,
    "UINT64": 0x45, "DEFAULT": 0x5B, "DEFAULTSTORE": 0x5C, "GUID": 0x5F, "SECURITY": 0x60,
}
EDKII_IFR_EXTENSION_GUID = uuid.UUID("0F0B1735-87A0-4193-B266-538C38AF48CE").bytes_le
EXTEND_OP_CLASS, EXTEND_OP_SUBCLASS = 3, 4
NUMERIC_SIZE_1_UINT_DEC = 0x10   # EFI_IFR_NUMERIC_SIZE_1 | EFI_IFR_DISPLAY_UINT_DEC
TYPE_NUM_SIZE_8 = 0x00           # EFI_IFR_TYPE_NUM_SIZE_8
VALUE_WIDTH = 8                  # EFI_IFR_TYPE_VALUE
MIN_MAX_WIDTH = 24               # MIN_MAX_DATA


def opcode(name, body=b"", scope=False):
    length = 2 + len(body)
    assert length < 0x80
    return bytes((OP[name], length | (0x80 if scope else 0))) + body


END = opcode("END")


def _u16(*values):
    return struct.pack("<" + "H" * len(values), *values)


def encode_expression(tree):
    ops = []

    def walk(node):
        kind = node[0]
        if kind == "const":
            ops.append(opcode("UINT64", struct.pack("<Q", node[1])))
        elif kind == "question":
            ops.append(opcode("QUESTION_REF1", _u16(node[1])))
        elif kind == "security":
            ops.append(opcode("SECURITY", node[1]))
        elif kind == "not":
            walk(node[1])
            ops.append(opcode("NOT"))
        elif kind in ("or", "and"):
            walk(node[1])
            walk(node[2])
            ops.append(opcode(kind.upper()))
        elif kind == "cmp":
            walk(node[2])
            walk(node[3])
            ops.append(opcode({"==": "EQUAL", "!=": "NOT_EQUAL", ">": "GREATER_THAN"}[node[1]]))

    walk(tree)
    if len(ops) == 1:
        return ops[0]
    # An expression of several opcodes: the first opens a scope that an END closes.
    first = bytes((ops[0][0], ops[0][1] | 0x80)) + ops[0][2:]
    return first + b"".join(ops[1:]) + END


def _question_header(q):
    return _u16(q.prompt, q.help, q.qid, q.store, q.offset) + bytes((q.flags,))


def _value(v):
    return struct.pack("<B", v) + bytes(VALUE_WIDTH - 1)


def encode_question(q):
    if q.kind in ("numeric", "oneof"):
        data = bytes((q.min, q.max, q.step)) + bytes(MIN_MAX_WIDTH - 3)
        out = opcode("NUMERIC" if q.kind == "numeric" else "ONE_OF",
                     _question_header(q) + bytes((NUMERIC_SIZE_1_UINT_DEC,)) + data, scope=True)
        for text, value, flags in q.options:
            out += opcode("ONE_OF_OPTION", _u16(text) + bytes((flags, TYPE_NUM_SIZE_8)) + _value(value))
        for store, value in q.defaults:
            out += opcode("DEFAULT", _u16(store) + bytes((TYPE_NUM_SIZE_8,)) + _value(value))
        for message, tree in q.inconsistent:
            out += opcode("INCONSISTENT_IF", _u16(message), scope=True) + encode_expression(tree) + END
        return out + END
    if q.kind == "action":
        # EFI_IFR_ACTION with its configuration string, EFI_IFR_ACTION_1 without.
        body = _question_header(q) + (_u16(q.config) if q.config is not None else b"")
        return opcode("ACTION", body, scope=True) + END
    if q.kind == "string":
        return opcode("STRING", _question_header(q) + bytes((q.minsize, q.maxsize, 0)), scope=True) + END
    if q.kind == "goto":
        return opcode("REF", _question_header(q) + _u16(q.form), scope=True) + END
    raise AssertionError(q.kind)


def encode_statement(node):
    if node.kind in ("suppressif", "grayoutif"):
        name = "SUPPRESS_IF" if node.kind == "suppressif" else "GRAY_OUT_IF"
        inner = b"".join(encode_statement(child) for child in node.children)
        return opcode(name, scope=True) + encode_expression(node.expr) + inner + END
    if node.kind == "text":
        return opcode("TEXT", _u16(node.prompt, node.help, node.right))
    return encode_question(node)


def encode_formset(fs):
    if fs.klass is None or fs.subclass is None or not fs.class_guids:
        raise SourceError("security.form", fs.line, "formset needs classguid, class and subclass")
    out = opcode("FORM_SET", fs.guid + _u16(fs.title, fs.help) + bytes((len(fs.class_guids),))
                 + b"".join(fs.class_guids), scope=True)
    out += opcode("GUID", EDKII_IFR_EXTENSION_GUID + bytes((EXTEND_OP_CLASS,)) + _u16(fs.klass))
    out += opcode("GUID", EDKII_IFR_EXTENSION_GUID + bytes((EXTEND_OP_SUBCLASS,)) + _u16(fs.subclass))
    for child in fs.children:
        if child.kind == "defaultstore":
            default_id, name = fs.defaultstores[child.store]
            out += opcode("DEFAULTSTORE", _u16(name, default_id))
        elif child.kind == "varstore":
            out += opcode("VARSTORE", child.guid + _u16(child.id, child.size) + child.name.encode("ascii") + b"\0")
        elif child.kind == "form":
            out += opcode("FORM", _u16(child.id, child.title), scope=True)
            out += b"".join(encode_statement(s) for s in child.children) + END
    return out + END


def build_form_array(form_path, string_ids, page_ids):
    with open(form_path, encoding="utf-8") as f:
        fs = FormParser(form_path, string_ids, page_ids).parse(f.read())
    body = encode_formset(fs)
    package = struct.pack("<I", (len(body) + 4) | (0x02 << 24)) + body   # EFI_HII_PACKAGE_FORMS
    array = _prefixed(package)
    _require_size("form array", array, FORM_ARRAY_SIZE, form_path)
    return array


# ---------------------------------------------------------------------------
# Output


def check_header(header_path):
    """The header's declared sizes must be the ones built here."""
    with open(header_path, encoding="utf-8") as f:
        text = f.read()
    for name, size in ((STRING_ARRAY_NAME, STRING_ARRAY_SIZE), (FORM_ARRAY_NAME, FORM_ARRAY_SIZE)):
        m = re.search(re.escape(name) + r"\s*\[\s*(0[xX][0-9A-Fa-f]+|\d+)\s*\]", text)
        if not m or int(m.group(1), 0) != size:
            raise SourceError(header_path, 0, f"must declare {name}[0x{size:X}]")


def c_array(name, data, sections):
    """One C++ array, 16 bytes a row; each (offset, text) section is noted
    in a comment above the row that holds its first byte."""
    lines = [f"alignas(8) const unsigned char {name}[0x{len(data):X}] = {{"]
    pending = sorted(sections)
    for pos in range(0, len(data), 16):
        while pending and pending[0][0] < pos + 16:
            lines.append(f"  // offset {pending[0][0]}: {pending.pop(0)[1]}")
        lines.append("  " + " ".join(f"0x{b:02X}," for b in data[pos:pos + 16]))
    lines.append("};")
    return "\n".join(lines)


def render_cpp(strings, forms):
    sections, pos = [], 4
    for language in LANGUAGES:
        sections.append((pos, f"{language} string package, {STRING_PACKAGE_LENGTH[language]} bytes"))
        pos += STRING_PACKAGE_LENGTH[language]
    parts = [
        "// Generated by forms/tools/gen_packages.py from forms/security.form and",
        "// forms/strings/*.txt.  Do not edit: change the sources and rebuild.",
        "#include \"forms/security_packages.h\"",
        "",
        "// UINT32 total length (itself included), then the string packages",
        "// en-US, fr-FR, ja-JP and ko-KR.",
        c_array(STRING_ARRAY_NAME, strings, sections),
        "",
        "// UINT32 total length (itself included), then the forms package.",
        c_array(FORM_ARRAY_NAME, forms, [(4, f"forms package, {len(forms) - 4} bytes")]),
        "",
    ]
    return "\n".join(parts)


def write_if_changed(path, data):
    """Leave an identical file untouched so that nothing rebuilds needlessly."""
    if os.path.exists(path):
        with open(path, "rb") as f:
            if f.read() == data:
                return
    tmp = f"{path}.{os.getpid()}.tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main(argv=None):
    here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description="Generate the Security page's HII string and forms packages.")
    parser.add_argument("--out", required=True, help="folder for security_packages.cpp")
    parser.add_argument("--dump-dir", help="also write security_strings.bin and security_forms.bin here")
    parser.add_argument("--forms-dir", default=here, help="the forms/ source folder (default: beside this tool)")
    args = parser.parse_args(argv)
    try:
        check_header(os.path.join(args.forms_dir, "security_packages.h"))
        strings, string_ids = build_string_array(os.path.join(args.forms_dir, "strings"))
        ids_path = os.path.join(args.forms_dir, "security_page_ids.h")
        page_ids = read_page_ids(ids_path)
        check_string_ids(page_ids, string_ids, ids_path)
        forms = build_form_array(os.path.join(args.forms_dir, "security.form"), string_ids, page_ids)
    except (SourceError, OSError) as error:
        print(f"gen_packages: error: {error}", file=sys.stderr)
        return 1
    os.makedirs(args.out, exist_ok=True)
    write_if_changed(os.path.join(args.out, "security_packages.cpp"), render_cpp(strings, forms).encode("ascii"))
    if args.dump_dir:
        os.makedirs(args.dump_dir, exist_ok=True)
        write_if_changed(os.path.join(args.dump_dir, "security_strings.bin"), strings)
        write_if_changed(os.path.join(args.dump_dir, "security_forms.bin"), forms)
    return 0


if __name__ == "__main__":
    sys.exit(main())
