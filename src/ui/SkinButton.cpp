#include "ui/SkinButton.h"

#include <vector>

#include "ui/GdiDraw.h"
#include "ui/SkinArtwork.h"
#include "ui/UiResource.h"

int SelectSkinFrame(UINT itemState, int frameCount) {
  int frame = SKIN_FRAME_NORMAL;
  if (itemState & ODS_DISABLED)
    frame = SKIN_FRAME_DISABLED;
  else if (itemState & ODS_SELECTED)
    frame = SKIN_FRAME_PRESSED;
  else if (itemState & ODS_FOCUS)
    frame = SKIN_FRAME_FOCUS;
  return frame < frameCount ? frame : 0;
}

bool CSkinButton::SetSkin(int bitmapId, int drawMode, int frameCount, bool resize) {
  m_strip = CreateSkinBitmap(bitmapId);
  if (!m_strip || frameCount <= 0) return false;
  const SIZE size = GetBitmapSize(m_strip.get());
  m_nFrameCount = frameCount;
  m_nFrameWidth = size.cx / frameCount;
  m_nFrameHeight = size.cy;
  m_nDrawMode = drawMode;
  if (m_hWnd) {
    // Owner-drawn from now on; the dialog keeps track of the default button.
    LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    style = (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, style);
    if (resize)
      ::SetWindowPos(m_hWnd, nullptr, 0, 0, m_nFrameWidth, m_nFrameHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
  }
  return true;
}

void CSkinButton::DrawItem(const DRAWITEMSTRUCT& item) {
  const RECT rc = item.rcItem;
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  CMemoryCanvas canvas(item.hDC, w, h);
  HDC dc = canvas.dc();
  const RECT local{0, 0, w, h};
  FillSolid(dc, local, m_crPanel);
  if (m_strip) {
    const int frame = SelectSkinFrame(item.itemState, m_nFrameCount);
    DrawTransparentBitmap(dc, 0, 0, w < m_nFrameWidth ? w : m_nFrameWidth, h < m_nFrameHeight ? h : m_nFrameHeight,
                          m_strip.get(), frame * m_nFrameWidth, 0, kSkinTransparentColour);
  }
  const int length = ::GetWindowTextLengthW(item.hwndItem);
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
  ::GetWindowTextW(item.hwndItem, text.data(), length + 1);
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(item.hwndItem, WM_GETFONT, 0, 0));
  HGDIOBJ oldFont = font ? ::SelectObject(dc, font) : nullptr;
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, (item.itemState & ODS_DISABLED) ? RGB(150, 150, 150) : RGB(32, 48, 24));
  RECT textRect = local;
  if (item.itemState & ODS_SELECTED) ::OffsetRect(&textRect, 1, 1);
  ::DrawTextW(dc, text.data(), length, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (oldFont) ::SelectObject(dc, oldFont);
  canvas.Present();
}
