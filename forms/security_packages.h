// SPDX-License-Identifier: BSD-2-Clause-Patent
// The Security page's HII packages, generated at build time from
// forms/security.form and forms/strings/*.txt by forms/tools/gen_packages.py.
//
// Each array starts with a UINT32 little-endian total length (the four
// length bytes included), followed directly by the packages:
//   gSecurityStringPackages: the string packages en-US, fr-FR, ja-JP, ko-KR
//   gSecurityFormPackage:    one forms package (type 0x02)
// Both arrays are 8-byte aligned.  The generator checks these sizes.
#pragma once

extern "C++" {
extern const unsigned char gSecurityStringPackages[0x56AC];
extern const unsigned char gSecurityFormPackage[0xFA8];
}
