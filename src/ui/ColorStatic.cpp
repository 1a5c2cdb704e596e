#include "ui/ColorStatic.h"

#include "ui/GdiDraw.h"
#include "ui/SkinArtwork.h"
#include "ui/UiResource.h"
#include "util/TextConv.h"

std::vector<std::string> SplitStaticLines(const std::string& text) {
  std::string clean;
  clean.reserve(text.size());
  for (char c : text)
    if (c != '\r') clean.push_back(c);
  std::vector<std::string> lines;
  if (clean.empty()) return lines;
  size_t start = 0;
  for (;;) {
    const size_t nl = clean.find('\n', start);
    if (nl == std::string::npos) {
      lines.push_back(clean.substr(start));
      break;
    }
    lines.push_back(clean.substr(start, nl - start));
    start = nl + 1;
  }
  // A closing line break ends the text; it does not open another line.
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

void CColorStatic::SetStaticText(const std::string& text) {
  m_strText = text;
  m_lines = SplitStaticLines(text);
  m_bWindowTextStale = true;
  RedrawAtDisplayRate();
}

void CColorStatic::BeforeRedraw() {
  // The window's own text follows what is painted.
  if (!m_bWindowTextStale || !m_hWnd) return;
  m_bWindowTextStale = false;
  ::SetWindowTextW(m_hWnd, Cp949ToWide(m_strText).c_str());
}

void CColorStatic::SetBackgroundColour(COLORREF colour) {
  m_bBackgroundSet = true;
  m_crBackground = colour;
  if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CColorStatic::SetMarkerBitmap(int bitmapId) {
  m_marker = CreateSkinBitmap(bitmapId);
  if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

LRESULT CColorStatic::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(m_hWnd, &ps);
      RECT rc;
      ::GetClientRect(m_hWnd, &rc);
      PaintTo(dc, rc);
      ::EndPaint(m_hWnd, &ps);
      return 0;
    }
    case WM_SETTEXT: {
      // The static's own text drawing would flash over ours.
      const LRESULT r = DefaultProc(message, wParam, lParam);
      ::InvalidateRect(m_hWnd, nullptr, FALSE);
      return r;
    }
    default:
      return DefaultProc(message, wParam, lParam);
  }
}

void CColorStatic::PaintTo(HDC dc, const RECT& rc) {
  ++m_nPaintCount;
  CMemoryCanvas canvas(dc, rc.right, rc.bottom);
  HDC mdc = canvas.dc();
  FillSolid(mdc, rc, m_bBackgroundSet ? m_crBackground : ::GetSysColor(COLOR_BTNFACE));
  int markerWidth = 0;
  if (m_marker) {
    const SIZE size = GetBitmapSize(m_marker.get());
    markerWidth = size.cx;
    DrawTransparentBitmap(mdc, rc.left, (rc.bottom - size.cy) / 2, size.cx, size.cy,
                          m_marker.get(), 0, 0, kSkinTransparentColour);
  }
  if (!m_lines.empty()) {
    HFONT font = m_hWnd ? reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)) : nullptr;
    HGDIOBJ oldFont = font ? ::SelectObject(mdc, font) : nullptr;
    ::SetBkMode(mdc, TRANSPARENT);
    ::SetTextColor(mdc, RGB(0, 0, 0));
    SIZE blank{0, 0};
    ::GetTextExtentPoint32W(mdc, L" ", 1, &blank);
    const int count = static_cast<int>(m_lines.size());
    const int lineHeight = blank.cy;
    const int block = count * lineHeight;
    int y = (rc.bottom - block) / 2;
    const int x = rc.left + markerWidth + 3;
    for (const std::string& line : m_lines) {
      if (!line.empty()) {
        const std::wstring wide = Cp949ToWide(line);
        ::TextOutW(mdc, x, y, wide.c_str(), static_cast<int>(wide.size()));
      }
      y += lineHeight;
    }
    if (oldFont) ::SelectObject(mdc, oldFont);
  }
  canvas.Present();
}
