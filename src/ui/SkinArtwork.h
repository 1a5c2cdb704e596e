#pragma once
// The dialog's images. The program ships no artwork: each image is drawn
// here, in the size and with the transparent colour its users expect.
#include "ui/GdiOwners.h"

// One of IDB_LIST_ICONS, IDB_STEP_MARKER, IDB_SKIN_TOP/BOTTOM/LEFT/RIGHT,
// IDB_BUTTON_STRIP, IDB_LABEL_MARKER; null for any other id.
UniqueBitmap CreateSkinBitmap(int id);
// The application icon (IDI_MAINFRAME) in the given square size.
UniqueIcon CreateAppIcon(int size);
