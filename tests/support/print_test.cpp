// SPDX-License-Identifier: BSD-2-Clause-Patent
// The format language of PrintToBuffer, its status names and its truncation.
#include <gtest/gtest.h>

#include <string>

#include "hostplatform/call_log.h"
#include "include/guids.h"
#include "support/print.h"

namespace {

struct FormatCase {
  const char16_t *Format;
  UINT64 First;
  UINT64 Second;
  const char *Expected;
};

void PrintTo(const FormatCase &Case, std::ostream *Out) { *Out << host::Narrow(Case.Format); }

const EFI_TIME kTime = {2026, 12, 10, 5, 7, 0, 0, 0, 0, 0, 0};
const char kFifty[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwx";
UINT64 Ptr(const void *Pointer) { return (UINT64)(UINTN)Pointer; }

const FormatCase kFormats[] = {
    {u"plain text", 0, 0, "plain text"},
    {u"", 0, 0, ""},
    {u"a\nb", 0, 0, "a\r\nb"},
    {u"%d", 42, 0, "42"},
    {u"%d", (UINT64)-42, 0, "-42"},
    {u"%5d", 42, 0, "   42"},
    {u"%-5d|", 42, 0, "42|"},
    {u"%05d", 42, 0, "00042"},
    {u"%05d", (UINT64)-42, 0, "-0042"},
    {u"%,d", 1234567, 0, "1,234,567"},
    {u"%2d", 12345, 0, "45"},  // the width caps the digits: leading ones are lost
    {u"%*d", 4, 7, "   7"},
    {u"%+ d", 3, 0, "3"},
    {u"%d", 0x8000000000000000ULL, 0, "-9223372036854775808"},
    {u"%x", 0xABCDEF, 0, "ABCDEF"},
    {u"%x", 0x100000001ULL, 0, "1"},  // 32 bits without 'l'
    {u"%lx", 0x100000001ULL, 0, "100000001"},
    {u"%08x", 0x1F, 0, "0000001F"},
    {u"%X", 0x1F, 0, "000000000000001F"},
    {u"%lX", 0x8000000000000005ULL, 0, "8000000000000005"},
    {u"%40x", 1, 0, "                            1"},  // width capped at 29
    {u"%s!", Ptr(u"text"), 0, "text!"},
    {u"%S", Ptr(u"wide"), 0, "wide"},
    {u"%6s|", Ptr(u"ab"), 0, "ab    |"},
    {u"%s", 0, 0, "<null string>"},
    {u"%a", Ptr("ascii"), 0, "ascii"},
    {u"%a", 0, 0, "<null string>"},
    {u"%c%c", 'O', 'K', "OK"},
    {u"%g", Ptr(&gSetupVariableGuid), 0, "4DFBBAAB-1392-4FDE-ABB8-C41CC5AD7D5D"},
    {u"[%g]", 0, 0, "[]"},
    {u"%t", Ptr(&kTime), 0, "12/10/2026  05:07"},
    // Every status name, each once: success, the errors 1 to 24, the warnings 1 to 4.
    {u"%r", EFI_SUCCESS, 0, "Success"},
    {u"%r", EFI_LOAD_ERROR, 0, "Load Error"},
    {u"%r", EFI_INVALID_PARAMETER, 0, "Invalid Parameter"},
    {u"%r", EFI_UNSUPPORTED, 0, "Unsupported"},
    {u"%r", EFI_BAD_BUFFER_SIZE, 0, "Bad Buffer Size"},
    {u"%r", EFI_BUFFER_TOO_SMALL, 0, "Buffer Too Small"},
    {u"%r", EFI_NOT_READY, 0, "Not Ready"},
    {u"%r", EFI_DEVICE_ERROR, 0, "Device Error"},
    {u"%r", EFI_WRITE_PROTECTED, 0, "Write Protected"},
    {u"%r", EFI_OUT_OF_RESOURCES, 0, "Out of Resources"},
    {u"%r", EFI_VOLUME_CORRUPTED, 0, "Volume Corrupt"},
    {u"%r", EFI_VOLUME_FULL, 0, "Volume Full"},
    {u"%r", EFI_NO_MEDIA, 0, "No Media"},
    {u"%r", EFI_MEDIA_CHANGED, 0, "Media changed"},
    {u"%r", EFI_NOT_FOUND, 0, "Not Found"},
    {u"%r", EFI_ACCESS_DENIED, 0, "Access Denied"},
    {u"%r", EFI_NO_RESPONSE, 0, "No Response"},
    {u"%r", EFI_NO_MAPPING, 0, "No mapping"},
    {u"%r", EFI_TIMEOUT, 0, "Time out"},
    {u"%r", EFI_NOT_STARTED, 0, "Not started"},
    {u"%r", EFI_ALREADY_STARTED, 0, "Already started"},
    {u"%r", EFI_ABORTED, 0, "Aborted"},
    {u"%r", EFI_ICMP_ERROR, 0, "ICMP Error"},
    {u"%r", EFI_TFTP_ERROR, 0, "TFTP Error"},
    {u"%r", EFI_PROTOCOL_ERROR, 0, "Protocol Error"},
    {u"%r", EFI_WARN_UNKNOWN_GLYPH, 0, "Warning Unknown Glyph"},
    {u"%r", EFI_WARN_DELETE_FAILURE, 0, "Warning Delete Failure"},
    {u"%r", EFI_WARN_WRITE_FAILURE, 0, "Warning Write Failure"},
    {u"%r", EFI_WARN_BUFFER_TOO_SMALL, 0, "Warning Buffer Too Small"},
    {u"%r", EFIERR(25), 0, "8000000000000019"},
    {u"%r", 5, 0, "0000000000000005"},
    {u"100%%", 0, 0, "100%"},
    {u"%q", 0, 0, "q"},
    {u"end%", 0, 0, "end"},
};

class PrintFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(PrintFormat, WritesTheExpectedText) {
  CHAR16 Buffer[128];
  const FormatCase &Case = GetParam();
  UINTN Written = PrintToBuffer(Buffer, sizeof(Buffer), Case.Format, Case.First, Case.Second);
  EXPECT_EQ(host::Narrow(Buffer), Case.Expected);
  EXPECT_EQ(Written, std::u16string(Buffer).size() + 1);
}

INSTANTIATE_TEST_SUITE_P(Conversions, PrintFormat, ::testing::ValuesIn(kFormats));

TEST(PrintTruncation, AsciiNameIntoEightyTwoBytesKeepsFortyCharacters) {
  CHAR16 Buffer[41];
  EXPECT_EQ(PrintToBuffer(Buffer, 82, u"%a", Ptr(kFifty)), 41u);
  EXPECT_EQ(host::Narrow(Buffer), std::string(kFifty, 40));
}

TEST(PrintTruncation, NeverWritesPastTheBufferAndAlwaysTerminates) {
  CHAR16 Buffer[8];
  for (CHAR16 &Character : Buffer) {
    Character = u'#';
  }
  EXPECT_EQ(PrintToBuffer(Buffer, 6, u"%d and more", 123456), 3u);
  EXPECT_EQ(host::Narrow(Buffer), "12");
  EXPECT_EQ(Buffer[3], u'#');

  EXPECT_EQ(PrintToBuffer(Buffer, 2, u"anything"), 1u);
  EXPECT_EQ(Buffer[0], 0);
}

TEST(PrintTruncation, LineFeedNeedsRoomForBothCharacters) {
  CHAR16 Buffer[4];
  EXPECT_EQ(PrintToBuffer(Buffer, 6, u"ab\n"), 3u);  // room for one more character only
  EXPECT_EQ(host::Narrow(Buffer), "ab");
  EXPECT_EQ(PrintToBuffer(Buffer, 8, u"a\nb"), 4u);
  EXPECT_EQ(host::Narrow(Buffer), "a\r\n");
}

}  // namespace
