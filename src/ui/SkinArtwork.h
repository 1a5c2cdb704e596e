#pragma once
// The dialog's images, each drawn here in the size and with the transparent
// colour its users expect. (The application icon is a resource: icon 128.)
#include "ui/GdiOwners.h"

// One of IDB_LIST_ICONS, IDB_STEP_MARKER, IDB_SKIN_TOP/BOTTOM/LEFT/RIGHT,
// IDB_BUTTON_STRIP, IDB_LABEL_MARKER; null for any other id.
UniqueBitmap CreateSkinBitmap(int id);
// The application icon (resource IDI_MAINFRAME of the program file) in the
// given square size; null when the program carries none.
UniqueIcon LoadAppIcon(int size);
