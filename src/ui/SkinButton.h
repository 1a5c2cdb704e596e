#pragma once
// Push button drawn from a strip of equal frames (normal, focused, pressed,
// disabled) with its text centred on top.
#include "ui/GdiOwners.h"
#include "ui/SubclassedControl.h"

enum SkinFrame : int { SKIN_FRAME_NORMAL = 0, SKIN_FRAME_FOCUS = 1, SKIN_FRAME_PRESSED = 2, SKIN_FRAME_DISABLED = 3 };

// Frame of the strip for an owner-draw state (ODS_* bits), limited to the
// frames the strip has.
int SelectSkinFrame(UINT itemState, int frameCount);

class CSkinButton : public CSubclassedControl {
 public:
  // Takes the strip image by id; with resize the button becomes one frame
  // large without moving. Draw mode 0 is the only mode: frame then text.
  bool SetSkin(int bitmapId, int drawMode, int frameCount, bool resize);
  // Called by the parent for WM_DRAWITEM.
  void DrawItem(const DRAWITEMSTRUCT& item);
  int GetFrameWidth() const { return m_nFrameWidth; }

  COLORREF m_crPanel = RGB(255, 255, 255);  // what shows through the corners

 private:
  UniqueBitmap m_strip;
  int m_nFrameCount = 1;
  int m_nFrameWidth = 0;
  int m_nFrameHeight = 0;
  int m_nDrawMode = 0;
};
