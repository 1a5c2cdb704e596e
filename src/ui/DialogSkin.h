#pragma once
// The dialog's own background: a pale green field with a thin frame, four
// edge images stretched along the sides and a white rounded panel on top.
#include <windows.h>

#include <memory>

namespace Gdiplus {
class Bitmap;
}

class CDialogSkin {
 public:
  CDialogSkin();
  ~CDialogSkin();
  CDialogSkin(const CDialogSkin&) = delete;
  CDialogSkin& operator=(const CDialogSkin&) = delete;

  // Loads the four edge images once (bitmaps 147 to 150).
  void LoadImages();
  void ReleaseImages();
  // Renders the whole client area into a memory bitmap and copies it to dc.
  void Paint(HDC dc, const RECT& client) const;

  COLORREF m_crBackground = RGB(230, 238, 217);
  COLORREF m_crFrame = RGB(149, 152, 145);
  COLORREF m_crPanelOutline = RGB(196, 206, 184);
  int m_nPanelInset = 6;
  int m_nPanelCorner = 4;

 private:
  std::unique_ptr<Gdiplus::Bitmap> m_top, m_bottom, m_left, m_right;
};
