#include "ui/GdiDraw.h"

CMemoryCanvas::CMemoryCanvas(HDC target, int width, int height)
    : m_target(target),
      m_width(width > 0 ? width : 1),
      m_height(height > 0 ? height : 1),
      m_dc(::CreateCompatibleDC(target)),
      m_bitmap(::CreateCompatibleBitmap(target, m_width, m_height)) {
  m_oldBitmap = ::SelectObject(m_dc.get(), m_bitmap.get());
}

void CMemoryCanvas::Present() {
  ::BitBlt(m_target, 0, 0, m_width, m_height, m_dc.get(), 0, 0, SRCCOPY);
  ::SelectObject(m_dc.get(), m_oldBitmap);
}

void DrawTransparentBitmap(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, int srcX, int srcY,
                           COLORREF transparent) {
  if (!bitmap || width <= 0 || height <= 0) return;
  UniqueMemoryDc source(::CreateCompatibleDC(dc));
  ScopedSelect selSource(source.get(), bitmap);

  // Mask: 1 where the source has the transparent colour, 0 elsewhere.
  UniqueBitmap maskBitmap(::CreateBitmap(width, height, 1, 1, nullptr));
  UniqueMemoryDc mask(::CreateCompatibleDC(dc));
  ScopedSelect selMask(mask.get(), maskBitmap.get());
  const COLORREF oldBk = ::SetBkColor(source.get(), transparent);
  ::BitBlt(mask.get(), 0, 0, width, height, source.get(), srcX, srcY, SRCCOPY);
  ::SetBkColor(source.get(), oldBk);

  // Image with the transparent pixels turned black, then destination with
  // the opaque pixels cleared; OR-ing both leaves the background around it.
  UniqueBitmap imageBitmap(::CreateCompatibleBitmap(dc, width, height));
  UniqueMemoryDc image(::CreateCompatibleDC(dc));
  ScopedSelect selImage(image.get(), imageBitmap.get());
  ::BitBlt(image.get(), 0, 0, width, height, source.get(), srcX, srcY, SRCCOPY);
  ::SetBkColor(image.get(), RGB(0, 0, 0));
  ::SetTextColor(image.get(), RGB(255, 255, 255));
  ::BitBlt(image.get(), 0, 0, width, height, mask.get(), 0, 0, SRCAND);

  const COLORREF oldDstBk = ::SetBkColor(dc, RGB(255, 255, 255));
  const COLORREF oldDstText = ::SetTextColor(dc, RGB(0, 0, 0));
  ::BitBlt(dc, x, y, width, height, mask.get(), 0, 0, SRCAND);
  ::BitBlt(dc, x, y, width, height, image.get(), 0, 0, SRCPAINT);
  ::SetBkColor(dc, oldDstBk);
  ::SetTextColor(dc, oldDstText);
}

SIZE GetBitmapSize(HBITMAP bitmap) {
  BITMAP bm{};
  if (!bitmap || !::GetObject(bitmap, sizeof(bm), &bm)) return SIZE{0, 0};
  return SIZE{bm.bmWidth, bm.bmHeight};
}

void FillSolid(HDC dc, const RECT& rc, COLORREF colour) {
  const COLORREF old = ::SetBkColor(dc, colour);
  ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
  ::SetBkColor(dc, old);
}
