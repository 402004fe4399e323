// SPDX-License-Identifier: BSD-2-Clause-Patent
// The format language: %[flags][width]type with the flags '-' (left-justify),
// '+' and ' ' (accepted), ',' (group decimal digits), '0' (zero fill), '*'
// (width from the next argument), 'l'/'L' (64-bit x and X); the types d x X s
// S a c g t r and '%'. Every argument occupies one 64-bit slot.
#include "support/print.h"

namespace {

constexpr UINTN kMaxNumberWidth = 29;

// Status names for %r, one NUL-terminated ASCII name after the other: the
// errors 1 to 24, then the warnings 1 to 4. One block without a pointer table
// keeps them small in the image (no pointers, no relocations).
constexpr CHAR8 mStatusNames[] =
    "Load Error\0Invalid Parameter\0Unsupported\0Bad Buffer Size\0Buffer Too Small\0"
    "Not Ready\0Device Error\0Write Protected\0Out of Resources\0Volume Corrupt\0"
    "Volume Full\0No Media\0Media changed\0Not Found\0Access Denied\0"
    "No Response\0No mapping\0Time out\0Not started\0Already started\0"
    "Aborted\0ICMP Error\0TFTP Error\0Protocol Error\0"
    "Warning Unknown Glyph\0Warning Delete Failure\0Warning Write Failure\0Warning Buffer Too Small";
constexpr UINT64 kErrorNameCount = 24;
constexpr UINT64 kWarningNameCount = 4;

// The Index-th name of mStatusNames, counted from 0.
const CHAR8 *StatusName(UINT64 Index) {
  const CHAR8 *Name = mStatusNames;
  while (Index-- != 0) {
    while (*Name++ != 0) {
    }
  }
  return Name;
}

struct Output {
  CHAR16 *Buffer;
  UINTN Count;  // characters written, NUL excluded
  UINTN Limit;  // room for characters, NUL excluded
};

bool Put(Output &Out, CHAR16 Character) {
  if (Out.Count >= Out.Limit) {
    return false;
  }
  Out.Buffer[Out.Count++] = Character;
  return true;
}

VOID PutAscii(Output &Out, const CHAR8 *Text, UINTN Width) {
  UINTN Written = 0;
  for (; *Text != 0; Text++, Written++) {
    Put(Out, (CHAR16)(UINT8)*Text);
  }
  for (; Written < Width; Written++) {
    Put(Out, u' ');
  }
}

VOID PutUtf16(Output &Out, const CHAR16 *Text, UINTN Width) {
  UINTN Written = 0;
  for (; *Text != 0; Text++, Written++) {
    Put(Out, *Text);
  }
  for (; Written < Width; Written++) {
    Put(Out, u' ');
  }
}

struct NumberStyle {
  UINTN Width;  // 0: as many digits as the value has
  bool ZeroFill;
  bool LeftJustify;
  bool Group;
};

// Writes Value in Radix. The width caps the characters produced: a value with
// more digits than the width loses its leading digits.
VOID PutNumber(Output &Out, UINT64 Value, bool Negative, UINT32 Radix, NumberStyle Style) {
  static constexpr CHAR8 Digits[] = "0123456789ABCDEF";
  CHAR16 Reversed[kMaxNumberWidth + 2];
  UINTN Width = Style.Width > kMaxNumberWidth ? kMaxNumberWidth : Style.Width;
  UINTN Cap = Width == 0 ? kMaxNumberWidth : Width;
  UINTN Length = 0;
  UINTN DigitsInGroup = 0;
  do {
    if (Style.Group && DigitsInGroup == 3) {
      Reversed[Length++] = u',';
      DigitsInGroup = 0;
      if (Length >= Cap) {
        break;
      }
    }
    Reversed[Length++] = (CHAR16)Digits[Value % Radix];
    DigitsInGroup++;
    Value /= Radix;
  } while (Value != 0 && Length < Cap);
  if (Negative && Length < Cap) {
    Reversed[Length++] = u'-';
  }
  UINTN Fill = (!Style.LeftJustify && Width > Length) ? Width - Length : 0;
  if (Style.ZeroFill && Negative && Reversed[Length - 1] == u'-') {
    // The sign goes before the zeros.
    Put(Out, u'-');
    Length--;
  }
  for (UINTN Index = 0; Index < Fill; Index++) {
    Put(Out, Style.ZeroFill ? u'0' : u' ');
  }
  while (Length > 0) {
    Put(Out, Reversed[--Length]);
  }
}

VOID PutHex(Output &Out, UINT64 Value, UINTN Width) {
  PutNumber(Out, Value, false, 16, NumberStyle{Width, true, false, false});
}

VOID PutDecimal(Output &Out, UINT64 Value, UINTN Width) {
  PutNumber(Out, Value, false, 10, NumberStyle{Width, true, false, false});
}

VOID PutStatus(Output &Out, EFI_STATUS Status) {
  const CHAR8 *Name = NULL;
  UINT64 Code = Status & ~EFI_MAX_BIT;
  if (Status == EFI_SUCCESS) {
    Name = "Success";
  } else if ((Status & EFI_MAX_BIT) != 0) {
    if (Code >= 1 && Code <= kErrorNameCount) {
      Name = StatusName(Code - 1);
    }
  } else if (Code <= kWarningNameCount) {
    Name = StatusName(kErrorNameCount + Code - 1);
  }
  if (Name != NULL) {
    PutAscii(Out, Name, 0);
  } else {
    PutHex(Out, Status, 16);
  }
}

VOID PutGuid(Output &Out, const EFI_GUID *Guid) {
  if (Guid == NULL) {
    return;
  }
  PutHex(Out, Guid->Data1, 8);
  Put(Out, u'-');
  PutHex(Out, Guid->Data2, 4);
  Put(Out, u'-');
  PutHex(Out, Guid->Data3, 4);
  Put(Out, u'-');
  for (UINTN Index = 0; Index < 8; Index++) {
    if (Index == 2) {
      Put(Out, u'-');
    }
    PutHex(Out, Guid->Data4[Index], 2);
  }
}

VOID PutTime(Output &Out, const EFI_TIME *Time) {
  if (Time == NULL) {
    return;
  }
  PutDecimal(Out, Time->Month, 2);
  Put(Out, u'/');
  PutDecimal(Out, Time->Day, 2);
  Put(Out, u'/');
  PutDecimal(Out, Time->Year, 4);
  Put(Out, u' ');
  Put(Out, u' ');
  PutDecimal(Out, Time->Hour, 2);
  Put(Out, u':');
  PutDecimal(Out, Time->Minute, 2);
}

}  // namespace

UINTN PrintToBufferVa(CHAR16 *Buffer, UINTN BufferSize, const CHAR16 *Format, va_list Arguments) {
  Output Out{Buffer, 0, BufferSize / sizeof(CHAR16) - 1};
  for (; *Format != 0 && Out.Count < Out.Limit; Format++) {
    if (*Format == u'\n') {
      if (Out.Limit - Out.Count < 2) {
        break;
      }
      Put(Out, u'\r');
      Put(Out, u'\n');
      continue;
    }
    if (*Format != u'%') {
      Put(Out, *Format);
      continue;
    }
    NumberStyle Style{0, false, false, false};
    bool Long = false;
    for (Format++;; Format++) {
      CHAR16 Flag = *Format;
      if (Flag == u'-') {
        Style.LeftJustify = true;
      } else if (Flag == u'+' || Flag == u' ') {
      } else if (Flag == u',') {
        Style.Group = true;
      } else if (Flag == u'0') {
        Style.ZeroFill = true;
      } else if (Flag == u'*') {
        Style.Width = (UINTN)va_arg(Arguments, UINT64);
      } else if (Flag == u'l' || Flag == u'L') {
        Long = true;
      } else if (Flag >= u'1' && Flag <= u'9') {
        Style.Width = 0;
        while (*Format >= u'0' && *Format <= u'9') {
          Style.Width = Style.Width * 10 + (UINTN)(*Format - u'0');
          if (Style.Width > 0xFFFF) {
            Style.Width = 0xFFFF;
          }
          Format++;
        }
        Format--;
      } else {
        break;
      }
    }
    switch (*Format) {
      case 0:
        Format--;  // the loop stops at the NUL
        break;
      case u'd': {
        INT64 Value = (INT64)va_arg(Arguments, UINT64);
        bool Negative = Value < 0;
        UINT64 Magnitude = Negative ? 0 - (UINT64)Value : (UINT64)Value;
        PutNumber(Out, Magnitude, Negative, 10, Style);
        break;
      }
      case u'x': {
        UINT64 Value = va_arg(Arguments, UINT64);
        PutNumber(Out, Long ? Value : (UINT32)Value, false, 16, Style);
        break;
      }
      case u'X': {
        UINT64 Value = va_arg(Arguments, UINT64);
        Style.Width = 16;
        Style.ZeroFill = true;
        PutNumber(Out, Long ? Value : (UINT32)Value, false, 16, Style);
        break;
      }
      case u's':
      case u'S': {
        const CHAR16 *Text = (const CHAR16 *)(UINTN)va_arg(Arguments, UINT64);
        if (Text == NULL) {
          PutAscii(Out, "<null string>", Style.Width);
        } else {
          PutUtf16(Out, Text, Style.Width);
        }
        break;
      }
      case u'a': {
        const CHAR8 *Text = (const CHAR8 *)(UINTN)va_arg(Arguments, UINT64);
        PutAscii(Out, Text == NULL ? "<null string>" : Text, Style.Width);
        break;
      }
      case u'c':
        Put(Out, (CHAR16)va_arg(Arguments, UINT64));
        break;
      case u'g':
        PutGuid(Out, (const EFI_GUID *)(UINTN)va_arg(Arguments, UINT64));
        break;
      case u't':
        PutTime(Out, (const EFI_TIME *)(UINTN)va_arg(Arguments, UINT64));
        break;
      case u'r':
        PutStatus(Out, (EFI_STATUS)va_arg(Arguments, UINT64));
        break;
      default:
        Put(Out, *Format);
        break;
    }
  }
  Buffer[Out.Count] = 0;
  return Out.Count + 1;
}

UINTN PrintToBuffer(CHAR16 *Buffer, UINTN BufferSize, const CHAR16 *Format, ...) {
  va_list Arguments;
  va_start(Arguments, Format);
  UINTN Written = PrintToBufferVa(Buffer, BufferSize, Format, Arguments);
  va_end(Arguments);
  return Written;
}
