#include "ui/GradientProgress.h"

#include "ui/GdiDraw.h"
#include "ui/GdiplusApi.h"

int ComputeProgressFillWidth(int position, int lower, int upper, int innerWidth) {
  if (upper <= lower || innerWidth <= 0) return 0;
  if (position < lower) position = lower;
  if (position > upper) position = upper;
  const double share = static_cast<double>(position - lower) / static_cast<double>(upper - lower);
  return static_cast<int>(share * innerWidth);
}

void CGradientProgress::SetProgressRange(int lower, int upper) {
  m_nLower = lower;
  m_nPos = lower;
  m_nUpper = upper;
  RedrawAtDisplayRate();
}

void CGradientProgress::SetProgressPos(int position) {
  if (position == m_nPos) return;
  const int before = FillWidthOnScreen();
  // Kept as the paint keeps it: clamped into the range.
  m_nPos = m_nUpper > m_nLower ? (position < m_nLower ? m_nLower : position > m_nUpper ? m_nUpper : position)
                               : position;
  // A step that fills no further pixel looks the same: no paint.
  if (before >= 0 && FillWidthOnScreen() == before) return;
  RedrawAtDisplayRate();
}

int CGradientProgress::FillWidthOnScreen() const {
  if (!m_hWnd) return -1;
  RECT rc;
  if (!::GetClientRect(m_hWnd, &rc)) return -1;
  return ComputeProgressFillWidth(m_nPos, m_nLower, m_nUpper, rc.right - 4);
}

LRESULT CGradientProgress::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the paint covers everything
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(m_hWnd, &ps);
      RECT rc;
      ::GetClientRect(m_hWnd, &rc);
      PaintTo(dc, rc);
      ::EndPaint(m_hWnd, &ps);
      return 0;
    }
    case PBM_SETRANGE32:
      SetProgressRange(static_cast<int>(wParam), static_cast<int>(lParam));
      return 0;
    case PBM_SETPOS: {
      const int old = m_nPos;
      SetProgressPos(static_cast<int>(wParam));
      return old;
    }
    case PBM_GETPOS:
      return m_nPos;
    default:
      return DefaultProc(message, wParam, lParam);
  }
}

void CGradientProgress::PaintTo(HDC dc, const RECT& rc) {
  ++m_nPaintCount;
  CMemoryCanvas canvas(dc, rc.right, rc.bottom);
  FillSolid(canvas.dc(), rc, m_crBackground);
  if (m_nUpper > m_nLower) {
    if (m_nPos < m_nLower) m_nPos = m_nLower;
    if (m_nPos > m_nUpper) m_nPos = m_nUpper;
    const int innerLeft = 2, innerTop = 2;
    const int innerWidth = rc.right - 4, innerHeight = rc.bottom - 4;
    const int fill = ComputeProgressFillWidth(m_nPos, m_nLower, m_nUpper, innerWidth);
    if (fill > 0 && innerHeight > 0) {
      Gdiplus::Graphics g(canvas.dc());
      // The gradient spans the whole control, so a short bar shows only its left colours.
      Gdiplus::LinearGradientBrush brush(
          Gdiplus::Point(0, 0), Gdiplus::Point(rc.right, 0),
          Gdiplus::Color(255, GetRValue(m_crGradientStart), GetGValue(m_crGradientStart),
                         GetBValue(m_crGradientStart)),
          Gdiplus::Color(255, GetRValue(m_crGradientEnd), GetGValue(m_crGradientEnd), GetBValue(m_crGradientEnd)));
      g.FillRectangle(&brush, innerLeft, innerTop, fill, innerHeight);
    }
  }
  canvas.Present();
}
