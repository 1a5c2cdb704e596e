#pragma once
// Identifiers of the dialog templates, controls and drawn images.
#include <windows.h>

#include "util/RunDisplay.h"

enum VantoUiId : int {
  IDD_ABOUTBOX = 100,
  IDS_ABOUTBOX = 101,
  IDD_VANTOEXE_DIALOG = 102,
  IDI_MAINFRAME = 128,
  IDB_LIST_ICONS = 129,      // two 16 x 16 row icons, magenta transparent
  IDB_STEP_MARKER = 142,     // marker of the step line
  IDB_SKIN_TOP = 147,        // 410 x 15
  IDB_SKIN_BOTTOM = 148,     // 410 x 15
  IDB_SKIN_LEFT = 149,       // 15 x 375
  IDB_SKIN_RIGHT = 150,      // 15 x 375
  IDB_BUTTON_STRIP = 152,    // four 88 x 21 frames
  IDB_LABEL_MARKER = 153,    // marker of the two label lines
  IDC_BUTTON_START = 1003,
  IDC_BUTTON_STOP = 1004,
  IDC_LIST_MESSAGE = 1005,
  IDC_STATIC_TOTAL_LABEL = 1009,
  IDC_STATIC_FILE_LABEL = 1010,
  IDC_ABOUT_ICON = 1100,
  IDC_ABOUT_VERSION = 1101,
  IDC_ABOUT_NOTE = 1102,
};

// System menu command of the about box.
constexpr unsigned IDM_ABOUTBOX = 0x0010;

// Colour of the drawn images that stands for "transparent".
constexpr COLORREF kSkinTransparentColour = RGB(0, 128, 128);
constexpr COLORREF kListIconTransparentColour = RGB(255, 0, 255);
