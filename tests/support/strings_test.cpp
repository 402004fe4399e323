// SPDX-License-Identifier: BSD-2-Clause-Patent
// String and GUID routines the rest of the driver builds on.
#include <gtest/gtest.h>

#include "include/guids.h"
#include "support/strings.h"

namespace {

TEST(Utf16, LengthSizeAndCompare) {
  EXPECT_EQ(Utf16Length(u""), 0u);
  EXPECT_EQ(Utf16Length(u"Setup"), 5u);
  EXPECT_EQ(Utf16Size(u"Setup"), 12u);
  EXPECT_EQ(Utf16Compare(u"Supervisor", u"Supervisor"), 0);
  EXPECT_LT(Utf16Compare(u"A", u"B"), 0);
  EXPECT_GT(Utf16Compare(u"User", u"Use"), 0);
  EXPECT_NE(Utf16Compare(u"supervisor", u"Supervisor"), 0);
}

TEST(Utf16, AppendAddsBehindTheExistingText) {
  CHAR16 Buffer[16] = u"Base ";
  Utf16Append(Buffer, u"text");
  EXPECT_EQ(std::u16string(Buffer), u"Base text");
  Utf16Append(Buffer, u"");
  EXPECT_EQ(std::u16string(Buffer), u"Base text");
}

TEST(Utf16, FindReturnsTheFirstOccurrence) {
  const CHAR16 *Text = u"GUID=1&NAME=Setup&NAME=x";
  EXPECT_EQ(Utf16Find(Text, u"NAME="), Text + 7);
  EXPECT_EQ(Utf16Find(Text, u""), Text);
  EXPECT_EQ(Utf16Find(Text, u"PATH="), nullptr);
  EXPECT_EQ(Utf16Find(u"NAM", u"NAME="), nullptr);
}

TEST(Ascii, CopyToEndPointsPastTheTerminator) {
  CHAR8 Buffer[16];
  CHAR8 *End = AsciiCopyToEnd(Buffer, "en-US");
  EXPECT_EQ(End, Buffer + 6);
  EXPECT_STREQ(Buffer, "en-US");
  AsciiCopy(End, "fr");
  EXPECT_STREQ(Buffer + 6, "fr");
}

TEST(Guids, EqualComparesAllSixteenBytes) {
  EFI_GUID Copy = gPbaStatusVarGuid;
  EXPECT_TRUE(GuidsEqual(&Copy, &gSecurityPackageListGuid));
  Copy.Data4[7] ^= 1;
  EXPECT_FALSE(GuidsEqual(&Copy, &gPbaStatusVarGuid));
}

}  // namespace
