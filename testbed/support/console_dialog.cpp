// SPDX-License-Identifier: BSD-2-Clause-Patent
// Dialogs of the testbed services on the firmware console.
#include "testbed/support/console_dialog.h"

#include "testbed/support/text.h"

namespace {

constexpr UINTN kBoxAttribute = 0x1F;  // white on blue
constexpr CHAR16 kHorizontal = 0x2550, kVertical = 0x2551;
constexpr CHAR16 kTopLeft = 0x2554, kTopRight = 0x2557, kBottomLeft = 0x255A, kBottomRight = 0x255D;
constexpr UINTN kMaxBoxWidth = 76;

struct Box {
  UINTN Column;
  UINTN Row;
  UINTN Width;  // inner width
};

VOID ScreenSize(EFI_SYSTEM_TABLE *ST, UINTN *Columns, UINTN *Rows) {
  *Columns = 80;
  *Rows = 25;
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *Out = ST->ConOut;
  if (Out->Mode != NULL) {
    Out->QueryMode(Out, (UINTN)Out->Mode->Mode, Columns, Rows);
  }
}

VOID PutLine(EFI_SYSTEM_TABLE *ST, UINTN Column, UINTN Row, CHAR16 Left, const CHAR16 *Text, CHAR16 Fill,
             CHAR16 Right, UINTN Width) {
  CHAR16 Line[kMaxBoxWidth + 3];
  UINTN Index = 0;
  Line[Index++] = Left;
  UINTN Length = Char16Length(Text);
  for (UINTN Position = 0; Position < Width; Position++) {
    Line[Index++] = Position < Length ? Text[Position] : Fill;
  }
  Line[Index++] = Right;
  Line[Index] = 0;
  ST->ConOut->SetCursorPosition(ST->ConOut, Column, Row);
  ST->ConOut->OutputString(ST->ConOut, Line);
}

// Draws the frame and Count text lines; returns where it went.
Box DrawBox(EFI_SYSTEM_TABLE *ST, const CHAR16 *const *Lines, UINTN Count, UINTN MinWidth) {
  UINTN Columns, Rows;
  ScreenSize(ST, &Columns, &Rows);
  UINTN Width = MinWidth;
  for (UINTN Index = 0; Index < Count; Index++) {
    UINTN Length = Char16Length(Lines[Index]) + 2;
    Width = Length > Width ? Length : Width;
  }
  if (Width > kMaxBoxWidth) {
    Width = kMaxBoxWidth;
  }
  Box Where;
  Where.Width = Width;
  Where.Column = Columns > Width + 2 ? (Columns - Width - 2) / 2 : 0;
  Where.Row = Rows > Count + 2 ? (Rows - Count - 2) / 2 : 0;
  ST->ConOut->SetAttribute(ST->ConOut, kBoxAttribute);
  ST->ConOut->EnableCursor(ST->ConOut, FALSE);
  PutLine(ST, Where.Column, Where.Row, kTopLeft, u"", kHorizontal, kTopRight, Width);
  for (UINTN Index = 0; Index < Count; Index++) {
    CHAR16 Padded[kMaxBoxWidth + 1];
    Padded[0] = u' ';
    Char16Copy(Padded + 1, kMaxBoxWidth, Lines[Index]);
    PutLine(ST, Where.Column, Where.Row + 1 + Index, kVertical, Padded, u' ', kVertical, Width);
  }
  PutLine(ST, Where.Column, Where.Row + 1 + Count, kBottomLeft, u"", kHorizontal, kBottomRight, Width);
  return Where;
}

}  // namespace

EFI_INPUT_KEY WaitForKey(EFI_SYSTEM_TABLE *ST) {
  EFI_INPUT_KEY Key = {0, 0};
  for (;;) {
    UINTN Index;
    ST->BootServices->WaitForEvent(1, &ST->ConIn->WaitForKey, &Index);
    if (!EFI_ERROR(ST->ConIn->ReadKeyStroke(ST->ConIn, &Key))) {
      return Key;
    }
  }
}

VOID ShowMessageBoxNoWait(EFI_SYSTEM_TABLE *ST, const CHAR16 *const *Lines, UINTN Count) {
  INT32 Saved = ST->ConOut->Mode != NULL ? ST->ConOut->Mode->Attribute : 0x07;
  DrawBox(ST, Lines, Count, 30);
  ST->ConOut->SetAttribute(ST->ConOut, (UINTN)Saved);
}

VOID ShowMessageBox(EFI_SYSTEM_TABLE *ST, const CHAR16 *const *Lines, UINTN Count) {
  INT32 Saved = ST->ConOut->Mode != NULL ? ST->ConOut->Mode->Attribute : 0x07;
  const CHAR16 *All[8];
  UINTN Used = 0;
  for (; Used < Count && Used < 6; Used++) {
    All[Used] = Lines[Used];
  }
  All[Used++] = u"";
  All[Used++] = u"Press any key to continue.";
  DrawBox(ST, All, Used, 30);
  WaitForKey(ST);
  ST->ConOut->SetAttribute(ST->ConOut, (UINTN)Saved);
}

EFI_STATUS ReadPassword(EFI_SYSTEM_TABLE *ST, const CHAR16 *Title, const CHAR16 *Prompt, CHAR16 *Buffer,
                        UINTN MaxChars) {
  INT32 Saved = ST->ConOut->Mode != NULL ? ST->ConOut->Mode->Attribute : 0x07;
  const CHAR16 *Lines[4] = {Title, u"", Prompt, u""};
  UINTN Width = MaxChars + 4 > 40 ? MaxChars + 4 : 40;
  Box Where = DrawBox(ST, Lines, 4, Width);
  UINTN Length = 0;
  Buffer[0] = 0;
  EFI_STATUS Status = EFI_SUCCESS;
  for (;;) {
    CHAR16 Echo[kMaxBoxWidth + 1];
    Echo[0] = u' ';
    for (UINTN Index = 0; Index < Length; Index++) {
      Echo[1 + Index] = u'*';
    }
    Echo[1 + Length] = u'_';
    Echo[2 + Length] = 0;
    PutLine(ST, Where.Column, Where.Row + 4, kVertical, Echo, u' ', kVertical, Where.Width);
    EFI_INPUT_KEY Key = WaitForKey(ST);
    if (Key.ScanCode == 0x17 /* ESC */ || Key.UnicodeChar == 0x1B) {
      Status = EFI_ABORTED;
      break;
    }
    if (Key.UnicodeChar == u'\r' || Key.UnicodeChar == u'\n') {
      break;
    }
    if (Key.UnicodeChar == 0x08) {
      if (Length > 0) {
        Buffer[--Length] = 0;
      }
      continue;
    }
    if (Key.UnicodeChar >= 0x20 && Key.UnicodeChar < 0x7F && Length < MaxChars) {
      Buffer[Length++] = Key.UnicodeChar;
      Buffer[Length] = 0;
    }
  }
  ST->ConOut->SetAttribute(ST->ConOut, (UINTN)Saved);
  if (EFI_ERROR(Status)) {
    for (UINTN Index = 0; Index <= MaxChars; Index++) {
      Buffer[Index] = 0;
    }
  }
  return Status;
}
