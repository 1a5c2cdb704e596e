#pragma once
// The kinds of message box the program shows and the answer it tests for.
// The values are those of the Windows message box, so that the portable core
// needs no Windows headers and the dialog passes them on unchanged.
enum MessageBoxKind : unsigned {
  BOX_OK = 0x00000000,                // MB_OK
  BOX_YESNO = 0x00000004,             // MB_YESNO
  BOX_ICON_ERROR = 0x00000010,        // MB_ICONERROR
  BOX_ICON_QUESTION = 0x00000020,     // MB_ICONQUESTION
  BOX_ICON_EXCLAMATION = 0x00000030,  // MB_ICONEXCLAMATION
};
constexpr int BOX_ANSWER_YES = 6;  // IDYES
