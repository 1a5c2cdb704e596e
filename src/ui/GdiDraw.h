#pragma once
// Drawing helpers shared by the self-drawn controls.
#include <windows.h>

#include "ui/GdiOwners.h"

// An off-screen copy of a window area: paint into dc(), then Present() copies
// it to the target in one BitBlt, so repaints during a run do not flicker.
class CMemoryCanvas {
 public:
  CMemoryCanvas(HDC target, int width, int height);
  HDC dc() const { return m_dc.get(); }
  int width() const { return m_width; }
  int height() const { return m_height; }
  void Present();

 private:
  HDC m_target;
  int m_width;
  int m_height;
  UniqueMemoryDc m_dc;
  UniqueBitmap m_bitmap;
  HGDIOBJ m_oldBitmap = nullptr;
};

// Copies a part of a bitmap, leaving out the pixels of the transparent
// colour (through a monochrome mask built from that colour).
void DrawTransparentBitmap(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, int srcX, int srcY,
                           COLORREF transparent);

SIZE GetBitmapSize(HBITMAP bitmap);
void FillSolid(HDC dc, const RECT& rc, COLORREF colour);
