#!/usr/bin/env python3
"""Decodes the generated forms package opcode by opcode and checks the
Security page it describes against the page's tables.

Usage: test_forms_package.py [--dump-dir DIR]   (without it the generator runs)
"""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import hii_decode as hd  # noqa: E402

PAGE = None          # the decoded form set, filled before the tests run
PACKAGES = None

READ_ONLY, CALLBACK = 0x01, 0x04
STANDARD, MANUFACTURING = 0, 1
ALWAYS = "always true"          # a constant condition that holds: 1, or 0 == 0
NO_STORAGE = None

FORMSET_GUID = "{E1277EC4-E1AF-4223-8D45-C8730B882627}"
PLATFORM_SETUP_CLASS_GUID = "{93039971-8545-4B04-B45E-32EB8326040E}"
EDKII_EXTENSION_GUID = "{0F0B1735-87A0-4193-B266-538C38AF48CE}"

VARSTORES = [  # (id, name, guid, size) in package order
    (1, "TpmStatusVar", "{5BDA1B7F-D27E-41DC-BB86-5582C396805D}", 82),
    (2, "PbaStatusVar", "{0EC1A7F5-4904-40A0-8EAB-4BCC4666DA45}", 12),
    (3, "StatusSetupVar", "{7E6EEDF7-125E-413F-9441-8CD996FE8967}", 99),
    (4, "HDD_Password_Status", "{0DFFC7DF-49B6-4562-B9BF-E51C2B6E1B1C}", 9),
    (5, "System", "{E947FCF9-DD01-4965-B808-32A7B6815657}", 21),
    (6, "UserManagerVar", "{1EF17197-2CCE-49D6-A6CE-4012F338A76E}", 5),
    (7, "Setup", "{4DFBBAAB-1392-4FDE-ABB8-C41CC5AD7D5D}", 868),
]
STORE_ID = {name: vid for vid, name, _, _ in VARSTORES}

FORMS = [(1, 3), (8, 67), (17, 115), (18, 86)]   # (FormId, title string) in order

# Form 1 opens with the hidden state questions: numeric, help 90, callback,
# always suppressed; range min 0 step 1.
HIDDEN = [  # (qid, prompt, store, offset, max, defaults)
    (10002, 4, "PbaStatusVar", 2, 1, {STANDARD: 0, MANUFACTURING: 0}),
    (10004, 4, "TpmStatusVar", 80, 1, {STANDARD: 0, MANUFACTURING: 0}),
    (4000, 5, "HDD_Password_Status", 2, 1, {STANDARD: 0, MANUFACTURING: 0}),
    (4001, 6, "HDD_Password_Status", 3, 5, {STANDARD: 0, MANUFACTURING: 0}),
    (4002, 7, "HDD_Password_Status", 4, 1, {STANDARD: 0, MANUFACTURING: 0}),
    (4003, 8, "HDD_Password_Status", 5, 1, {STANDARD: 0, MANUFACTURING: 0}),
    (4004, 9, "HDD_Password_Status", 6, 1, {STANDARD: 0, MANUFACTURING: 0}),
    (4005, 10, "HDD_Password_Status", 7, 1, {STANDARD: 0, MANUFACTURING: 0}),
    (4006, 11, "HDD_Password_Status", 8, 1, {STANDARD: 0, MANUFACTURING: 0}),
    (1003, 4, "UserManagerVar", 1, 1, {}),
    (1004, 4, "UserManagerVar", 3, 1, {}),
]


def hidden_unless_state(code):
    """Rows 17-22: hidden unless a disk is present and port 0 reports code."""
    return " OR ".join(["Q4000 == 0"] + [f"Q4001 == {c}" for c in range(8) if c != code])


def text(prompt, help_, right, *conditions):
    return {"op": "TEXT", "prompt": prompt, "help": help_, "right": right, "conditions": list(conditions)}


def question(op, qid, prompt, help_, store, flags, *conditions, **fields):
    row = {"op": op, "qid": qid, "prompt": prompt, "help": help_, "store": store, "flags": flags,
           "conditions": list(conditions)}
    row.update(fields)
    return row


ONOFF = [(88, 0, 0), (89, 1, 0)]   # (option string, value, option flags)

# The actions carry no configuration string (QuestionConfig 0): a browser routes
# that string as a <ConfigResp> when the action is selected, and the text
# "Enter" is no configuration, so the action would never reach the callback.
NO_CONFIG = 0

FORM1_ROWS = [  # rows 1..28 of form 1, in package order
    text(103, 105, 106, ("suppress", "Q10002 == 0"), ("grayout", ALWAYS)),
    text(103, 105, 107, ("suppress", "Q10002 == 1"), ("grayout", ALWAYS)),
    text(104, 105, 106, ("suppress", "Q1004 == 0"), ("grayout", ALWAYS)),
    text(104, 105, 107, ("suppress", "Q1004 == 1"), ("grayout", ALWAYS)),
    question("ACTION", 1006, 95, 96, NO_STORAGE, CALLBACK, ("grayout", "Q1003 == 0"), config=NO_CONFIG),
    question("STRING", 1007, 97, 98, NO_STORAGE, CALLBACK, ("suppress", ALWAYS), ("grayout", "Q1003 == 0"),
             minsize=0, maxsize=20),
    question("ACTION", 1008, 99, 100, NO_STORAGE, CALLBACK, ("grayout", "Q10002 != 1"), config=NO_CONFIG),
    question("STRING", 1009, 101, 102, NO_STORAGE, CALLBACK, ("suppress", ALWAYS), ("grayout", "Q10002 != 1"),
             minsize=0, maxsize=20),
    question("NUMERIC", 1021, 112, 113, ("System", 18), CALLBACK, ("suppress", ALWAYS),
             range=(1, 20, 1), defaults={}, inconsistent=[]),
    question("NUMERIC", 1019, 110, 111, ("System", 17), CALLBACK, ("suppress", ALWAYS), ("grayout", "Q1003 == 0"),
             range=(1, 20, 1), defaults={STANDARD: 20, MANUFACTURING: 20}, inconsistent=[(114, "Q1021 > Q1019")]),
    question("NUMERIC", 1020, 112, 113, ("System", 18), CALLBACK, ("suppress", ALWAYS), ("grayout", "Q1003 == 0"),
             range=(1, 20, 1), defaults={STANDARD: 1, MANUFACTURING: 1}, inconsistent=[(114, "Q1020 > Q1019")]),
    question("ONE_OF", 1, 12, 13, ("PbaStatusVar", 11), 0, ("grayout", "NOT ADMIN OR Q10002 == 0"),
             range=(0, 1, 0), options=ONOFF, defaults={MANUFACTURING: 0}),
    text(4, 4, 4, ("grayout", ALWAYS)),
    text(17, 18, 0, ("suppress", "Q4000 != 0")),
    question("ACTION", 10020, 38, 39, NO_STORAGE, CALLBACK,
             ("suppress", "Q4000 == 0 OR Q4001 == 4 OR Q4001 == 5 OR Q4001 == 6 OR Q4001 == 7 OR NOT ADMIN"),
             config=NO_CONFIG),
    text(19, 25, 27, ("suppress", "Q4001 != 4")),
    text(19, 26, 28, ("suppress", hidden_unless_state(0))),
    text(19, 26, 29, ("suppress", hidden_unless_state(1))),
    text(19, 26, 30, ("suppress", hidden_unless_state(2))),
    text(19, 26, 31, ("suppress", hidden_unless_state(3))),
    text(19, 26, 32, ("suppress", hidden_unless_state(6))),
    text(19, 26, 33, ("suppress", hidden_unless_state(7))),
    text(4, 4, 4, ("grayout", ALWAYS)),
    text(65, 66, 0, ("suppress", "Q10004 == 1 OR NOT ADMIN")),
    question("REF", 2, 67, 90, NO_STORAGE, 0, ("suppress", "Q10004 == 0 OR NOT ADMIN"), form=8),
    text(4, 4, 4, ("grayout", ALWAYS)),
    question("ONE_OF", 10042, 90, 90, ("Setup", 702), CALLBACK, ("suppress", ALWAYS),
             range=(0, 1, 0), options=[], defaults={}),
    question("ONE_OF", 10041, 93, 94, ("Setup", 703), CALLBACK, ("suppress", "Q10042 == 0 OR NOT ADMIN"),
             range=(0, 1, 0), options=ONOFF, defaults={STANDARD: 0, MANUFACTURING: 0}),
]

FORM8_ROWS = [
    question("ONE_OF", 10005, 63, 64, ("System", 10), CALLBACK, ("suppress", "Q10004 == 0"),
             range=(0, 1, 0), options=[(88, 0, 0), (89, 1, 0x10)], defaults={STANDARD: 1, MANUFACTURING: 1}),
    question("ONE_OF", 3, 68, 90, ("System", 15), READ_ONLY, ("suppress", "Q10004 == 0 OR Q10005 == 0"),
             range=(0, 4, 0), options=[(81, 0, 0), (82, 1, 0), (83, 2, 0), (84, 3, 0), (85, 4, 0)], defaults={}),
    question("ONE_OF", 10006, 69, 70, ("System", 11), CALLBACK, ("suppress", "Q10004 == 0 OR Q10005 == 0"),
             range=(0, 9, 0), options=[(71, 0, 0), (76, 5, 0), (77, 6, 0), (78, 7, 0)],
             defaults={STANDARD: 0, MANUFACTURING: 0}),
]
FORM17_ROWS = [text(116, 90, 117, ("grayout", ALWAYS))]
FORM18_ROWS = [question("ACTION", 1022, 87, 90, NO_STORAGE, CALLBACK, config=None)]


def hidden_rows():
    return [question("NUMERIC", qid, prompt, 90, (store, offset), CALLBACK, ("suppress", ALWAYS),
                     range=(0, top, 1), defaults=defaults, inconsistent=[])
            for qid, prompt, store, offset, top, defaults in HIDDEN]


EXPECTED_FORMS = {1: hidden_rows() + FORM1_ROWS, 8: FORM8_ROWS, 17: FORM17_ROWS, 18: FORM18_ROWS}


def all_statements():
    for form in PAGE["forms"]:
        for number, s in enumerate(form["statements"], 1):
            yield form["id"], number, s


def all_conditions():
    for form_id, number, s in all_statements():
        for condition in s["conditions"]:
            yield f"form {form_id} statement {number}", condition


class FormSetHeader(unittest.TestCase):
    def test_header_fields(self):
        cases = [
            ("package type", PAGE["type"], 0x02),
            ("package length", PAGE["length"], 4004),
            ("form set GUID", PAGE["guid"], FORMSET_GUID),
            ("title", PAGE["title"], 2),
            ("help", PAGE["help"], 90),
            ("class GUIDs", PAGE["class_guids"], [PLATFORM_SETUP_CLASS_GUID]),
            ("extension opcodes (GUID, extended opcode, value, length)", PAGE["extensions"],
             [(EDKII_EXTENSION_GUID, 3, 1, 21), (EDKII_EXTENSION_GUID, 4, 0, 21)]),
            ("default stores (id, name)", PAGE["defaultstores"], [(0, 91), (1, 92)]),
            ("varstores (id, name, GUID, size)", PAGE["varstores"], VARSTORES),
            ("forms (id, title)", [(f["id"], f["title"]) for f in PAGE["forms"]], FORMS),
            ("opcode order", PAGE["order"],
             ["GUID", "GUID", "DEFAULTSTORE", "DEFAULTSTORE"] + ["VARSTORE"] * 7 + ["FORM"] * 4),
        ]
        for what, got, want in cases:
            with self.subTest(what):
                self.assertEqual(got, want)

    def test_one_forms_package_fills_the_array(self):
        self.assertEqual([(t, len(p)) for t, p in PACKAGES], [(0x02, 4004)])


class Statements(unittest.TestCase):
    def check_condition(self, where, got, want):
        kind, text_, tree, names, size, scope = got
        if want[1] == ALWAYS:
            self.assertEqual(hd.constant_value(tree), 1, f"{where}: {text_} is not a true constant")
            self.assertIn(names, (["UINT64"], ["UINT64", "UINT64", "EQUAL"], ["UINT64", "UINT64", "NOT_EQUAL"]),
                          where)
        else:
            self.assertEqual(text_, want[1], where)
        self.assertEqual(kind, want[0], where)
        # More than one opcode: the first opens a scope and an END closes it.
        self.assertEqual(scope, len(names) > 1, f"{where}: scope bit of the expression")

    def check_statement(self, where, got, want):
        self.assertEqual(got["op"], want["op"], where)
        self.assertEqual(len(got["conditions"]), len(want["conditions"]), f"{where}: conditions")
        for i, (g, w) in enumerate(zip(got["conditions"], want["conditions"])):
            self.check_condition(f"{where} condition {i + 1}", g, w)
        for key in ("prompt", "help", "right", "qid", "flags", "config", "minsize", "maxsize", "form"):
            if key in want:
                self.assertEqual(got[key], want[key], f"{where}: {key}")
        if want["op"] == "TEXT":
            return
        if want["store"] is NO_STORAGE:
            self.assertEqual((got["store"], got["offset"]), (0, 0xFFFF), f"{where}: storage")
        else:
            name, offset = want["store"]
            self.assertEqual((got["store"], got["offset"]), (STORE_ID[name], offset), f"{where}: storage")
        if want["op"] in ("NUMERIC", "ONE_OF"):
            self.assertEqual((got["min"], got["max"], got["step"]), want["range"], f"{where}: range")
            self.assertEqual({s: v for s, v, _ in got["defaults"]}, want["defaults"], f"{where}: defaults")
            self.assertEqual(len(got["defaults"]), len(want["defaults"]), f"{where}: duplicate defaults")
            self.assertEqual([o[:3] for o in got["options"]], want.get("options", []), f"{where}: options")
            self.assertEqual(got["inconsistent"], want.get("inconsistent", []), f"{where}: inconsistent-if")

    def test_forms_statement_by_statement(self):
        for form in PAGE["forms"]:
            expected = EXPECTED_FORMS[form["id"]]
            with self.subTest(form=form["id"]):
                self.assertEqual(len(form["statements"]), len(expected), f"form {form['id']}: statement count")
                for number, (got, want) in enumerate(zip(form["statements"], expected), 1):
                    self.check_statement(f"form {form['id']} statement {number}", got, want)

    def test_always_true_conditions(self):
        constants = [c for _, c in all_conditions() if hd.constant_value(c[2]) is not None]
        comparisons = [c for c in constants if len(c[3]) == 3]
        self.assertEqual(len(constants), 25)
        self.assertEqual(len(comparisons), 4, "four always-true conditions are written as 0 == 0")

    def test_conditions_refer_to_questions_of_the_form_set(self):
        qids = {s["qid"] for _, _, s in all_statements() if "qid" in s}

        def refs(node):
            if node[0] == "q":
                yield node[1]
            for child in node[1:]:
                if isinstance(child, tuple):
                    yield from refs(child)

        for where, c in all_conditions():
            self.assertLessEqual(set(refs(c[2])), qids, where)
        self.assertEqual(len(qids), sum(1 for _, _, s in all_statements() if "qid" in s), "question IDs unique")


class Encoding(unittest.TestCase):
    """The value fields keep their full structure widths while the flags
    declare one-byte storage and the values stay UINT8."""

    def test_widths_and_types(self):
        for form_id, number, s in all_statements():
            where = f"form {form_id} statement {number}"
            if s["op"] in ("NUMERIC", "ONE_OF"):
                self.assertEqual((s["length"], s["data_width"], s["type_flags"]), (38, 24, 0x10), where)
                lengths = {name: sorted(v) for name, v in s["child_lengths"].items()}
                self.assertLessEqual(set(lengths), {"ONE_OF_OPTION", "DEFAULT", "INCONSISTENT_IF"}, where)
                self.assertEqual(lengths.get("ONE_OF_OPTION", [14]), [14], where)
                self.assertEqual(lengths.get("DEFAULT", [13]), [13], where)
                types = {o[3] for o in s["options"]} | {d[2] for d in s["defaults"]}
                self.assertLessEqual(types, {0x00}, f"{where}: value type UINT8")
            elif s["op"] == "ACTION":
                self.assertEqual(s["length"], 15 if s["config"] is not None else 13, where)
            if s["op"] != "TEXT":
                self.assertTrue(s["scope"], f"{where}: a question opens a scope")
                store_size = {vid: size for vid, _, _, size in VARSTORES}.get(s["store"])
                if store_size is not None:
                    self.assertLess(s["offset"], store_size, where)


def setup(strings, forms, cpp):
    global PAGE, PACKAGES
    PACKAGES = hd.split_packages(forms)
    PAGE = hd.decode_form_package(PACKAGES[0][1])


if __name__ == "__main__":
    sys.exit(hd.run_tests("forms package", setup))
