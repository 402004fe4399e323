#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Decodes the generated forms package opcode by opcode and checks the
Security page it describes against the page's tables.

Usage: test_forms_package.py [--dump-dir DIR]   (without it the generator runs)
"""

import os
import re
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

# ---------------------------------------------------------------------------
# The page's numbers, by name: the driver's code and security.form take them
# from forms/security_page_ids.h, the string IDs from the string files. The
# expected page below is written in these names, so it holds the bytes to the
# numbers the code uses; read here without the generator's help.

PAGE_IDS_PATH = os.path.join(hd.REPO, "forms", "security_page_ids.h")
STRINGS_PATH = os.path.join(hd.REPO, "forms", "strings", "en-US.txt")


def read_page_ids(path):
    """{"Group.Name": number} for the constexpr lines of groups, {"Name": number} for the others."""
    ids, group = {}, None
    with open(path, encoding="utf-8") as f:
        for line in f:
            opened = re.match(r"\s*namespace (\w+) \{", line)
            if opened:
                group = opened.group(1)
            elif re.match(r"\s*\}", line):
                group = None
            constant = re.match(r"\s*constexpr \w+ (\w+) = (\w+);", line)
            if constant:
                ids[f"{group}.{constant.group(1)}" if group else constant.group(1)] = int(constant.group(2), 0)
    return ids


def read_string_names(path):
    with open(path, encoding="utf-8") as f:
        return {m.group(2): int(m.group(1)) for m in re.finditer(r"^(\d+)\s+(STR_\w+)", f.read(), re.M)}


IDS = read_page_ids(PAGE_IDS_PATH)
STRING_IDS = read_string_names(STRINGS_PATH)
QUESTION_IDS = {name.split(".", 1)[1]: v for name, v in IDS.items() if name.startswith("SecurityQuestion.")}
STORE_NAMES = ["TpmStatusVar", "PbaStatusVar", "StatusSetupVar", "HDD_Password_Status", "System", "UserManagerVar",
               "Setup"]


def S(name):
    """A string ID by its name in the string files."""
    return STRING_IDS[name]


def Q(name):
    return QUESTION_IDS[name]


def condition(text):
    """A condition written in the page's names, as the decoder renders it:
    question names become Qn, Group.Name constants their numbers."""
    text = re.sub(r"\b([A-Za-z_]\w*)\.(\w+)\b", lambda m: str(IDS[f"{m.group(1)}.{m.group(2)}"]), text)
    return re.sub(r"\b[A-Z][A-Za-z0-9]+\b", lambda m: f"Q{QUESTION_IDS[m.group(0)]}" if m.group(0) in QUESTION_IDS
                  else m.group(0), text)


VARSTORES = [  # (id, name, guid, size) in package order
    (IDS["TpmStatusVar.VarStoreId"], "TpmStatusVar", "{5BDA1B7F-D27E-41DC-BB86-5582C396805D}", IDS["TpmStatusVar.Size"]),
    (IDS["PbaStatusVar.VarStoreId"], "PbaStatusVar", "{0EC1A7F5-4904-40A0-8EAB-4BCC4666DA45}", IDS["PbaStatusVar.Size"]),
    (IDS["StatusSetupVar.VarStoreId"], "StatusSetupVar", "{7E6EEDF7-125E-413F-9441-8CD996FE8967}",
     IDS["StatusSetupVar.Size"]),
    (IDS["HDD_Password_Status.VarStoreId"], "HDD_Password_Status", "{0DFFC7DF-49B6-4562-B9BF-E51C2B6E1B1C}",
     IDS["HDD_Password_Status.Size"]),
    (IDS["System.VarStoreId"], "System", "{E947FCF9-DD01-4965-B808-32A7B6815657}", IDS["System.Size"]),
    (IDS["UserManagerVar.VarStoreId"], "UserManagerVar", "{1EF17197-2CCE-49D6-A6CE-4012F338A76E}",
     IDS["UserManagerVar.Size"]),
    (IDS["Setup.VarStoreId"], "Setup", "{4DFBBAAB-1392-4FDE-ABB8-C41CC5AD7D5D}", IDS["Setup.Size"]),
]
STORE_ID = {name: vid for vid, name, _, _ in VARSTORES}

FORMS = [(IDS["SecurityForm.Main"], S("STR_SECURITY_FORM_TITLE")), (IDS["SecurityForm.TpmSetup"], S("STR_TPM_SETUP_MENU")),
         (IDS["SecurityForm.Lockout"], S("STR_LOCKOUT_TITLE")),
         (IDS["SecurityForm.ChangesSaved"], S("STR_CHANGES_SAVED_TITLE"))]   # (FormId, title string) in order

# The main form opens with the hidden state questions: numeric, help STR_EMPTY,
# callback, always suppressed; range min 0 step 1.
BOTH_ZERO = {STANDARD: 0, MANUFACTURING: 0}
HIDDEN = [  # (question, prompt, store, field, max, defaults)
    ("SupervisorPasswordStatus", "STR_BLANK", "PbaStatusVar", "SupervisorPasswordSet", 1, BOTH_ZERO),
    ("TpmPresent", "STR_BLANK", "TpmStatusVar", "TpmPresent", 1, BOTH_ZERO),
    ("HddCount", "STR_HDD_COUNT_DUMMY", "HDD_Password_Status", "DiskCount", 1, BOTH_ZERO),
    ("HddPort0State", "STR_HDD0_STATE_DUMMY", "HDD_Password_Status", "Port0State", 5, BOTH_ZERO),
    ("HddPort1State", "STR_HDD1_STATE_DUMMY", "HDD_Password_Status", "Port1State", 1, BOTH_ZERO),
    ("HddPort2State", "STR_HDD2_STATE_DUMMY", "HDD_Password_Status", "Port2State", 1, BOTH_ZERO),
    ("HddPort3State", "STR_HDD3_STATE_DUMMY", "HDD_Password_Status", "Port3State", 1, BOTH_ZERO),
    ("HddPort4State", "STR_HDD4_STATE_DUMMY", "HDD_Password_Status", "Port4State", 1, BOTH_ZERO),
    ("HddPort5State", "STR_HDD5_STATE_DUMMY", "HDD_Password_Status", "Port5State", 1, BOTH_ZERO),
    ("CurrentUserIsSupervisor", "STR_BLANK", "UserManagerVar", "IsSupervisor", 1, {}),
    ("UserPasswordStatus", "STR_BLANK", "UserManagerVar", "UserPasswordSet", 1, {}),
]

HDD_STATES = ["Cleared", "User", "UserMaster", "Master", "Unsupported", "NoDisk", "Frozen", "CountExpired"]


def hidden_unless_state(state):
    """Hidden unless a disk is present and port 0 reports this state."""
    return " OR ".join(["HddCount == 0"] + [f"HddPort0State == HddPortState.{other}" for other in HDD_STATES
                                             if other != state])


def conditions_of(pairs):
    return [(kind, text_ if text_ == ALWAYS else condition(text_)) for kind, text_ in pairs]


def text(prompt, help_, right, *conditions):
    return {"op": "TEXT", "prompt": S(prompt), "help": S(help_), "right": S(right) if right else 0,
            "conditions": conditions_of(conditions)}


def question(op, name, prompt, help_, store, flags, *conditions, **fields):
    """store: None, or (store, field name of security_page_ids.h)."""
    row = {"op": op, "qid": Q(name), "prompt": S(prompt), "help": S(help_),
           "store": None if store is None else (store[0], IDS[f"{store[0]}.{store[1]}"]), "flags": flags,
           "conditions": conditions_of(conditions)}
    for key in ("options", "inconsistent"):
        if key in fields:
            fields[key] = [(S(a), condition(b) if isinstance(b, str) else b, *rest) for a, b, *rest in fields[key]]
    if "form" in fields:
        fields["form"] = IDS[f"SecurityForm.{fields['form']}"]
    row.update(fields)
    return row


ONOFF = [("STR_DISABLED", 0, 0), ("STR_ENABLED", 1, 0)]   # (option string, value, option flags)

# The actions carry no configuration string (QuestionConfig 0): a browser routes
# that string as a <ConfigResp> when the action is selected, and the text
# "Enter" is no configuration, so the action would never reach the callback.
NO_CONFIG = 0
PASSWORD_STATE = ("STR_PASSWORD_STATE_HELP",)
SECTION_GAP = text("STR_BLANK", "STR_BLANK", "STR_BLANK", ("grayout", ALWAYS))

MAIN_FORM_ROWS = [  # the main form after its hidden state questions, in package order
    text("STR_SUPERVISOR_PASSWORD_IS", *PASSWORD_STATE, "STR_PASSWORD_SET", ("suppress", "SupervisorPasswordStatus == 0"),
         ("grayout", ALWAYS)),
    text("STR_SUPERVISOR_PASSWORD_IS", *PASSWORD_STATE, "STR_PASSWORD_CLEARED",
         ("suppress", "SupervisorPasswordStatus == 1"), ("grayout", ALWAYS)),
    text("STR_USER_PASSWORD_IS", *PASSWORD_STATE, "STR_PASSWORD_SET", ("suppress", "UserPasswordStatus == 0"),
         ("grayout", ALWAYS)),
    text("STR_USER_PASSWORD_IS", *PASSWORD_STATE, "STR_PASSWORD_CLEARED", ("suppress", "UserPasswordStatus == 1"),
         ("grayout", ALWAYS)),
    question("ACTION", "SetSupervisorPassword", "STR_SET_SUPERVISOR_PASSWORD", "STR_SET_SUPERVISOR_PASSWORD_HELP",
             NO_STORAGE, CALLBACK, ("grayout", "CurrentUserIsSupervisor == 0"), config=NO_CONFIG),
    question("STRING", "SupervisorHint", "STR_SUPERVISOR_HINT", "STR_SUPERVISOR_HINT_HELP", NO_STORAGE, CALLBACK,
             ("suppress", ALWAYS), ("grayout", "CurrentUserIsSupervisor == 0"), minsize=0, maxsize=20),
    question("ACTION", "SetUserPassword", "STR_SET_USER_PASSWORD", "STR_SET_USER_PASSWORD_HELP", NO_STORAGE, CALLBACK,
             ("grayout", "SupervisorPasswordStatus != 1"), config=NO_CONFIG),
    question("STRING", "UserHint", "STR_USER_HINT", "STR_USER_HINT_HELP", NO_STORAGE, CALLBACK, ("suppress", ALWAYS),
             ("grayout", "SupervisorPasswordStatus != 1"), minsize=0, maxsize=20),
    question("NUMERIC", "MinPasswordLengthCopy", "STR_MIN_PASSWORD_LENGTH", "STR_MIN_PASSWORD_LENGTH_HELP",
             ("System", "MinPasswordLength"), CALLBACK, ("suppress", ALWAYS), range=(1, 20, 1), defaults={},
             inconsistent=[]),
    question("NUMERIC", "MaxPasswordLength", "STR_MAX_PASSWORD_LENGTH", "STR_MAX_PASSWORD_LENGTH_HELP",
             ("System", "MaxPasswordLength"), CALLBACK, ("suppress", ALWAYS), ("grayout", "CurrentUserIsSupervisor == 0"),
             range=(1, 20, 1), defaults={STANDARD: 20, MANUFACTURING: 20},
             inconsistent=[("STR_PASSWORD_LENGTH_ERROR", "MinPasswordLengthCopy > MaxPasswordLength")]),
    question("NUMERIC", "MinPasswordLength", "STR_MIN_PASSWORD_LENGTH", "STR_MIN_PASSWORD_LENGTH_HELP",
             ("System", "MinPasswordLength"), CALLBACK, ("suppress", ALWAYS), ("grayout", "CurrentUserIsSupervisor == 0"),
             range=(1, 20, 1), defaults={STANDARD: 1, MANUFACTURING: 1},
             inconsistent=[("STR_PASSWORD_LENGTH_ERROR", "MinPasswordLength > MaxPasswordLength")]),
    question("ONE_OF", "PasswordOnBoot", "STR_PASSWORD_ON_BOOT", "STR_PASSWORD_ON_BOOT_HELP",
             ("PbaStatusVar", "PasswordOnBoot"), 0, ("grayout", "NOT ADMIN OR SupervisorPasswordStatus == 0"),
             range=(0, 1, 0), options=ONOFF, defaults={MANUFACTURING: 0}),
    SECTION_GAP,
    text("STR_NO_HDD", "STR_NO_HDD_HELP", None, ("suppress", "HddCount != 0")),
    question("ACTION", "HddPort0UserPassword", "STR_SET_HDD0_PASSWORD", "STR_SET_HDD0_PASSWORD_HELP", NO_STORAGE,
             CALLBACK, ("suppress", "HddCount == 0 OR " + " OR ".join(
                 f"HddPort0State == HddPortState.{state}" for state in ("Unsupported", "NoDisk", "Frozen", "CountExpired"))
                 + " OR NOT ADMIN"), config=NO_CONFIG),
    text("STR_HDD0_PASSWORD", "STR_HDD_UNSUPPORTED_HELP", "STR_HDD_UNSUPPORTED",
         ("suppress", "HddPort0State != HddPortState.Unsupported")),
    text("STR_HDD0_PASSWORD", "STR_HDD_STATE_HELP", "STR_HDD_CLEARED", ("suppress", hidden_unless_state("Cleared"))),
    text("STR_HDD0_PASSWORD", "STR_HDD_STATE_HELP", "STR_HDD_USER", ("suppress", hidden_unless_state("User"))),
    text("STR_HDD0_PASSWORD", "STR_HDD_STATE_HELP", "STR_HDD_USER_MASTER",
         ("suppress", hidden_unless_state("UserMaster"))),
    text("STR_HDD0_PASSWORD", "STR_HDD_STATE_HELP", "STR_HDD_MASTER", ("suppress", hidden_unless_state("Master"))),
    text("STR_HDD0_PASSWORD", "STR_HDD_STATE_HELP", "STR_HDD_FROZEN", ("suppress", hidden_unless_state("Frozen"))),
    text("STR_HDD0_PASSWORD", "STR_HDD_STATE_HELP", "STR_HDD_COUNT_EXPIRED",
         ("suppress", hidden_unless_state("CountExpired"))),
    SECTION_GAP,
    text("STR_TPM_NOT_DETECTED", "STR_TPM_NOT_DETECTED_HELP", None, ("suppress", "TpmPresent == 1 OR NOT ADMIN")),
    question("REF", "TpmSetupMenu", "STR_TPM_SETUP_MENU", "STR_EMPTY", NO_STORAGE, 0,
             ("suppress", "TpmPresent == 0 OR NOT ADMIN"), form="TpmSetup"),
    SECTION_GAP,
    question("ONE_OF", "TxtCapable", "STR_EMPTY", "STR_EMPTY", ("Setup", "TxtCapable"), CALLBACK, ("suppress", ALWAYS),
             range=(0, 1, 0), options=[], defaults={}),
    question("ONE_OF", "TxtEnable", "STR_TXT", "STR_TXT_HELP", ("Setup", "TxtEnable"), CALLBACK,
             ("suppress", "TxtCapable == 0 OR NOT ADMIN"), range=(0, 1, 0), options=ONOFF,
             defaults={STANDARD: 0, MANUFACTURING: 0}),
]

TPM_SETUP_FORM_ROWS = [
    question("ONE_OF", "TpmSupport", "STR_TPM_SUPPORT", "STR_TPM_SUPPORT_HELP", ("System", "TpmSupport"), CALLBACK,
             ("suppress", "TpmPresent == 0"), range=(0, 1, 0),
             options=[("STR_DISABLED", 0, 0), ("STR_ENABLED", 1, 0x10)], defaults={STANDARD: 1, MANUFACTURING: 1}),
    question("ONE_OF", "TpmCurrentState", "STR_TPM_CURRENT_STATE", "STR_EMPTY", ("System", "TpmState"), READ_ONLY,
             ("suppress", "TpmPresent == 0 OR TpmSupport == 0"), range=(0, 4, 0),
             options=[("STR_TPM_STATE_UNKNOWN", 0, 0), ("STR_TPM_STATE_EN_ACT", 1, 0), ("STR_TPM_STATE_EN_DEACT", 2, 0),
                      ("STR_TPM_STATE_DIS_ACT", 3, 0), ("STR_TPM_STATE_DIS_DEACT", 4, 0)], defaults={}),
    question("ONE_OF", "TpmChangeRequest", "STR_TPM_CHANGE_STATUS", "STR_TPM_CHANGE_STATUS_HELP",
             ("System", "TpmRequest"), CALLBACK, ("suppress", "TpmPresent == 0 OR TpmSupport == 0"), range=(0, 9, 0),
             options=[("STR_TPM_NO_CHANGE", 0, 0), ("STR_TPM_CLEAR", 5, 0), ("STR_TPM_ENABLE_ACTIVATE", 6, 0),
                      ("STR_TPM_DISABLE_DEACTIVATE", 7, 0)], defaults={STANDARD: 0, MANUFACTURING: 0}),
]
LOCKOUT_FORM_ROWS = [text("STR_SYSTEM_LOCKED", "STR_EMPTY", "STR_LOCKOUT_TEXT", ("grayout", ALWAYS))]
CHANGES_SAVED_FORM_ROWS = [question("ACTION", "ChangesSavedExit", "STR_CHANGES_SAVED", "STR_EMPTY", NO_STORAGE, CALLBACK,
                                    config=None)]


def hidden_rows():
    return [question("NUMERIC", name, prompt, "STR_EMPTY", (store, field), CALLBACK, ("suppress", ALWAYS),
                     range=(0, top, 1), defaults=defaults, inconsistent=[])
            for name, prompt, store, field, top, defaults in HIDDEN]


EXPECTED_FORMS = {IDS["SecurityForm.Main"]: hidden_rows() + MAIN_FORM_ROWS,
                  IDS["SecurityForm.TpmSetup"]: TPM_SETUP_FORM_ROWS,
                  IDS["SecurityForm.Lockout"]: LOCKOUT_FORM_ROWS,
                  IDS["SecurityForm.ChangesSaved"]: CHANGES_SAVED_FORM_ROWS}


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
            ("title", PAGE["title"], S("STR_FORMSET_TITLE")),
            ("help", PAGE["help"], S("STR_EMPTY")),
            ("class GUIDs", PAGE["class_guids"], [PLATFORM_SETUP_CLASS_GUID]),
            ("extension opcodes (GUID, extended opcode, value, length)", PAGE["extensions"],
             [(EDKII_EXTENSION_GUID, 3, 1, 21), (EDKII_EXTENSION_GUID, 4, 0, 21)]),
            ("default stores (id, name)", PAGE["defaultstores"],
             [(STANDARD, S("STR_STANDARD_DEFAULT")), (MANUFACTURING, S("STR_MANUFACTURE_DEFAULT"))]),
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


class PageNumbers(unittest.TestCase):
    """The bytes, the code and the string files agree on the page's numbers:
    every number of the form set has its name in security_page_ids.h."""

    def test_string_ids_of_the_header_are_those_of_the_string_files(self):
        for name, value in IDS.items():
            if name.startswith("STR_"):
                with self.subTest(name):
                    self.assertEqual(value, STRING_IDS.get(name))

    def test_every_question_has_a_name_and_every_name_a_question(self):
        in_form = {s["qid"] for _, _, s in all_statements() if "qid" in s}
        named = set(QUESTION_IDS.values())
        self.assertEqual(in_form - named, set(), "questions without a name in security_page_ids.h")
        # The form set holds only port 0's disk password action; the callback answers the others.
        callback_only = {Q(f"HddPort{port}UserPassword") for port in range(1, 6)}
        self.assertEqual(named - in_form, callback_only)

    def test_every_stored_byte_is_a_named_field_of_its_store(self):
        fields = {(IDS[f"{store}.VarStoreId"], IDS[name]) for store in STORE_NAMES for name in IDS
                  if name.startswith(store + ".") and not name.endswith((".VarStoreId", ".Size"))}
        for form_id, number, s in all_statements():
            if s["op"] != "TEXT" and s["store"] != 0:
                with self.subTest(form=form_id, statement=number):
                    self.assertIn((s["store"], s["offset"]), fields)

    def test_forms_and_varstores_carry_the_header_numbers(self):
        self.assertEqual([f["id"] for f in PAGE["forms"]],
                         [IDS[f"SecurityForm.{name}"] for name in ("Main", "TpmSetup", "Lockout", "ChangesSaved")])
        self.assertEqual([(vid, name, size) for vid, name, _, size in PAGE["varstores"]],
                         [(IDS[f"{name}.VarStoreId"], name, IDS[f"{name}.Size"]) for name in STORE_NAMES])


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
