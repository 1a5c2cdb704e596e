#pragma once
// The two dialog templates of the program: the progress dialog (102) and
// the about box (100).
#include "ui/DialogTemplate.h"

// Window class of the progress dialog: a dialog class of its own, so that
// tools tell it apart from the program's message boxes.
extern const wchar_t* const kVantoExeDialogClass;
bool RegisterVantoExeDialogClass();

DialogSpec MakeVantoExeDialogSpec();
DialogSpec MakeAboutDialogSpec();
