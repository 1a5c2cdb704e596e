#pragma once
// The two dialog templates of the program: the progress dialog (102) and
// the about box (100).
#include "ui/DialogTemplate.h"

DialogSpec MakeVantoExeDialogSpec();
DialogSpec MakeAboutDialogSpec();
