#pragma once
// Progress bar drawn as a horizontal colour gradient over a flat background.
#include "ui/SubclassedControl.h"

// Pixels of the inner width that a position fills (0 when the range is empty).
int ComputeProgressFillWidth(int position, int lower, int upper, int innerWidth);

class CGradientProgress : public CSubclassedControl {
 public:
  // Both repaint at the display rate (see RedrawAtDisplayRate).
  void SetProgressRange(int lower, int upper);
  // Repaints only when the filled part changes its width on screen: with
  // thousands of steps most positions look alike.
  void SetProgressPos(int position);
  int GetPos() const { return m_nPos; }
  int GetLower() const { return m_nLower; }
  int GetUpper() const { return m_nUpper; }
  // Number of paints so far (lets tests see that an unchanged position skips one).
  int GetPaintCount() const { return m_nPaintCount; }
  // Renders the bar for a client rectangle (double-buffered onto dc).
  void PaintTo(HDC dc, const RECT& client);

  COLORREF m_crBackground = RGB(233, 236, 239);
  COLORREF m_crGradientStart = RGB(91, 164, 213);
  COLORREF m_crGradientEnd = RGB(195, 133, 232);

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // Filled pixels at the current position; -1 without a window.
  int FillWidthOnScreen() const;

  int m_nPos = 0;
  int m_nLower = 0;
  int m_nUpper = 100;
  int m_nPaintCount = 0;
};
