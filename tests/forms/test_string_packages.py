#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Parses the four generated string packages and checks their framing, the
English texts and the rows of the translations that the page fixes.

Usage: test_string_packages.py [--dump-dir DIR]   (without it the generator runs)
"""

import os
import re
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import hii_decode as hd  # noqa: E402

STRINGS = FORMS = CPP = None
PACKAGES = {}   # language -> decoded package
RAW = []        # (type, bytes) in array order

LANGUAGES = [  # (tag, package length, string 1)
    ("en-US", 6228, "English"),
    ("fr-FR", 8192, "Français"),
    ("ja-JP", 4058, "日本語"),
    ("ko-KR", 3706, "한국말"),
]

_HDD_SET = {}
for n in range(1, 6):
    _HDD_SET[40 + 4 * n - 2] = f"Set HDD0{n} User Password"
    _HDD_SET[40 + 4 * n - 1] = f"Set HDD0{n} User Password."
    _HDD_SET[40 + 4 * n] = f"Set HDD0{n} Master Password"
    _HDD_SET[40 + 4 * n + 1] = f"Set HDD0{n} Master Password."

ENGLISH = {
    1: "English", 2: "Security", 3: "Security", 4: " ",
    **{n: "Dummy" for n in range(5, 12)},
    12: "Password On Boot:", 13: "Enable/Disable User Authentication Prompt on boot.",
    14: "Flash Controller Lock", 15: "Lock all flash controllers.", 16: "HDD Security Status",
    17: "No HDD detected", 18: "There is no hard disk connected to the board.", 19: "HDD 0 Password:",
    **{19 + n: f"HDD0{n} Password State" for n in range(1, 6)},
    25: "This hard disk device does not support the security feature.",
    26: "States whether the HDD user and master password is set or cleared.",
    27: "Unsupported", 28: "Cleared", 29: "User", 30: "User+Master", 31: "Master", 32: "Frozen",
    33: "Count Expired", 34: "HDD Password Select", 35: "Supports user only or both user and master password.",
    36: "User Only", 37: "User+Master", 38: "Set HDD 0 Password:",
    39: "Set password for locking the Primary Master hard disk drive. After setting a password, the hard disk"
        " drive can only be unlocked by the password no matter where it is installed.",
    40: "Set HDD00 Master Password", 41: "Set HDD00 Master Password.", **_HDD_SET,
    62: "Trusted Platform Module (TPM)", 63: "TPM Support:",
    64: "This is used to decide whether TPM support should be enabled or disabled.",
    65: "TPM not detected", 66: "There is no TPM device connected to the board.", 67: "TPM Setup Menu",
    68: "Current TPM State:", 69: "Change TPM Status:",
    70: "Change TPM state. Note: Most TPM options require TPM to be Enabled to take effect.",
    71: "No Change", 72: "Enable", 73: "Disable", 74: "Activate", 75: "Deactivate", 76: "Clear",
    77: "Enable and Activate", 78: "Disable and Deactivate", 79: "Set Owner Install, with state=True",
    80: "Set Owner Install, with state=False", 81: "Unknown", 82: "Enabled and Activated",
    83: "Enabled and Deactivated", 84: "Disabled and Activated", 85: "Disabled and Deactivated",
    86: "Changes Saved", 87: "Changes have been saved.", 88: "Disabled", 89: "Enabled", 90: "",
    91: "Standard Default - Security", 92: "Manufacture Default - Security",
    93: "Intel Trusted Execution Technology:",
    94: "Enables utilization of additional hardware capabilities provided by Intel (R) Trusted Execution"
        " Technology.\r\n Intel VT will automatic change to enabled after enabled Intel TXT function\r\n\r\n"
        "Changes require a full power cycle to take effect.",
    95: "Set Supervisor Password:", 96: "Set or clear the Supervisor account's password.",
    97: "Supervisor Hint String", 98: "Press Enter to type Supervisor Hint String.", 99: "Set User Password:",
    100: "Set or clear the User account's password.", 101: "User Hint String",
    102: "Press Enter to type User Hint String.", 103: "Supervisor Password is:", 104: "User Password is:",
    105: "States whether the password is set or cleared.", 106: "Set", 107: "Cleared", 108: "Enter",
    109: "Enter", 110: "Max. password length",
    111: "Set the maximum number of characters for password (1-20).", 112: "Min. password length",
    113: "Set the minimum number of characters for password (1-20).",
    114: "Cannot set password length limit to this value.", 115: "Too Many Login Attempts",
    116: "System Locked", 117: "",
}

TELLING = {  # id: (fr-FR, ja-JP, ko-KR)
    2: ("Sécurité", "セキュリティ", "보안"),
    12: ("Authentifier l'utilisateur au démarrage:", "ブート時にユーザーを認証:", "부팅 시 사용자 인증:"),
    29: ("Utilisateur", "ユーザー", "        사용자"),
    31: ("Administrateur", "マスター", "마스터"),
    86: ("Modifications  enregistrées", "変更保存済み", "변경 내용 저장 완료"),
    87: ("Les modifications ont été enregistrées.", "変更が保存されました。", "변경 내용이 저장되었습니다."),
    88: ("Désactivé", "無効化", "비활성"),
    89: ("Activé", "有効化", "활성"),
    91: ("Valeur par défaut standard - Sécurité", "標準デフォルト - セキュリティ", "표준 기본값 - 보안"),
    92: ("Valeur par défaut du fabricant - Sécurité", "製造デフォルト - セキュリティ",
         "Manufacture Default - Security"),
    103: ("Le mot de passe du superviseur est :", "監督者パスワード:", "감독자 암호:"),
    114: ("Impossible de définir la limite de longueur du mot de passe sur cette valeur.",
          "この値にはパスワード長の制限を設定できません。", "암호 길이 제한을 이 값으로 설정할 수 없습니다."),
    115: ("Trop de tentatives de connexion", "過度のログイン試行回数", "너무 많은 로그인 시도"),
    116: ("Système verrouillé", "システムがロック状態", "시스템 잠김"),
}

# Texts identical to English: 4, 90, 117 everywhere, the texts kept in
# English, and words that a language writes as in English ("Enter").
SAME_AS_ENGLISH = {
    "fr-FR": {4, 90, 117, 62, 93},
    "ja-JP": {4, 90, 117, 108, 109},
    "ko-KR": {4, 90, 117, 92, 108, 109},
}


class Framing(unittest.TestCase):
    def test_arrays_and_package_list_arithmetic(self):
        strings_prefix = int.from_bytes(STRINGS[:4], "little")
        forms_prefix = int.from_bytes(FORMS[:4], "little")
        cases = [
            ("string array prefix", strings_prefix, 0x56AC),
            ("string array length", len(STRINGS), 0x56AC),
            ("form array prefix", forms_prefix, 0xFA8),
            ("package sum", 4 + sum(length for _, length, _ in LANGUAGES), 22188),
            ("package list", 20 + (strings_prefix - 4) + (forms_prefix - 4) + 4, 26212),
            ("package order and lengths", [(t, len(p)) for t, p in RAW],
             [(0x04, length) for _, length, _ in LANGUAGES]),
        ]
        for what, got, want in cases:
            with self.subTest(what):
                self.assertEqual(got, want)

    def test_generated_source_holds_these_bytes(self):
        if CPP is None:
            self.skipTest("no generated source beside the dump")
        for name, data in (("gSecurityStringPackages", STRINGS), ("gSecurityFormPackage", FORMS)):
            with self.subTest(name):
                m = re.search(r"alignas\(8\) const unsigned char " + name + r"\[0x([0-9A-F]+)\] = \{(.*?)\};",
                              CPP, re.S)
                self.assertIsNotNone(m)
                body = re.sub(r"//[^\n]*", "", m.group(2))
                self.assertEqual(int(m.group(1), 16), len(data))
                self.assertEqual(bytes(int(x, 16) for x in re.findall(r"0x([0-9A-F]{2})", body)), data)


class PackageHeaders(unittest.TestCase):
    def test_headers_and_blocks(self):
        for tag, length, name in LANGUAGES:
            p = PACKAGES[tag]
            cases = [
                ("length", p["length"], length), ("type", p["type"], 0x04),
                ("HdrSize", p["hdr_size"], 52), ("StringInfoOffset", p["string_info_offset"], 52),
                ("header ends at the blocks", p["header_end"], 52),
                ("LanguageWindow zero", p["window_zero"], True), ("LanguageName", p["language_name"], 1),
                ("Language", p["language"], tag), ("block count", len(p["texts"]), 117),
                ("END block is the last byte", p["end_at"], length - 1), ("string 1", p["texts"][0], name),
            ]
            for what, got, want in cases:
                with self.subTest(language=tag, field=what):
                    self.assertEqual(got, want)


def text_of(tag, sid):
    return PACKAGES[tag]["texts"][sid - 1]


class Texts(unittest.TestCase):
    def test_every_english_text(self):
        self.assertEqual(sorted(ENGLISH), list(range(1, 118)))
        for sid, want in ENGLISH.items():
            with self.subTest(string=sid):
                self.assertEqual(text_of("en-US", sid), want)

    def test_telling_rows(self):
        for sid, row in TELLING.items():
            for (tag, _, _), want in zip(LANGUAGES[1:], row):
                with self.subTest(string=sid, language=tag):
                    self.assertEqual(text_of(tag, sid), want)

    def test_only_the_listed_texts_match_english(self):
        for tag, same in SAME_AS_ENGLISH.items():
            with self.subTest(language=tag):
                got = {sid for sid in range(1, 118) if text_of(tag, sid) == ENGLISH[sid]}
                self.assertEqual(got, same)
                self.assertEqual([text_of(tag, sid) for sid in (4, 90, 117)], [" ", "", ""])

    def test_txt_help_has_two_paragraphs_in_translations(self):
        for tag, _, _ in LANGUAGES[1:]:
            with self.subTest(language=tag):
                paragraphs = text_of(tag, 94).split("\r\n\r\n")
                self.assertEqual(len(paragraphs), 2)
                for paragraph in paragraphs:
                    self.assertTrue(paragraph and paragraph == paragraph.strip())
                    self.assertNotIn("\r", paragraph)
                    self.assertNotIn("\n", paragraph)
                self.assertNotIn("VT", text_of(tag, 94))

    def test_no_stray_blanks_or_line_breaks(self):
        # Only string 4 is blanks, only string 94 breaks lines, and only the
        # Korean "User" row is indented.
        for tag, _, _ in LANGUAGES:
            for sid, t in enumerate(PACKAGES[tag]["texts"], 1):
                with self.subTest(language=tag, string=sid):
                    if sid != 4:
                        self.assertEqual(t.rstrip(" "), t)
                    if sid != 94:
                        self.assertFalse(set(t) & {"\r", "\n", "\t"})
                    if not (sid == 4 or (tag, sid) == ("ko-KR", 29)):
                        self.assertEqual(t.lstrip(" "), t)


def setup(strings, forms, cpp):
    global STRINGS, FORMS, CPP, RAW
    STRINGS, FORMS, CPP = strings, forms, cpp
    RAW = hd.split_packages(strings)
    for (tag, _, _), (_, raw) in zip(LANGUAGES, RAW):
        PACKAGES[tag] = hd.decode_string_package(raw)


if __name__ == "__main__":
    sys.exit(hd.run_tests("string packages", setup))
