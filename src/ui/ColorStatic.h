#pragma once
// Text line with its own background, an optional marker image at the left
// and several lines of CP949 text centred as a block.
#include <string>
#include <vector>

#include "ui/GdiOwners.h"
#include "ui/SubclassedControl.h"

// The lines a text shows: "\r" removed, split at "\n". Empty lines are kept
// (they keep their height) and quotes are ordinary characters.
std::vector<std::string> SplitStaticLines(const std::string& text);

class CColorStatic : public CSubclassedControl {
 public:
  // Shown at the display rate (see RedrawAtDisplayRate): a run that sets a
  // line for each of thousands of entries paints it about ten times a
  // second, and always with its last text.
  void SetStaticText(const std::string& text);
  const std::string& GetText() const { return m_strText; }
  // Number of paints so far.
  int GetPaintCount() const { return m_nPaintCount; }
  const std::vector<std::string>& GetLines() const { return m_lines; }
  void SetBackgroundColour(COLORREF colour);
  void SetMarkerBitmap(int bitmapId);
  // Renders the line for a client rectangle (double-buffered onto dc).
  void PaintTo(HDC dc, const RECT& client);

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void BeforeRedraw() override;

 private:
  std::string m_strText;
  bool m_bWindowTextStale = false;
  int m_nPaintCount = 0;
  std::vector<std::string> m_lines;
  bool m_bBackgroundSet = false;
  COLORREF m_crBackground = ::GetSysColor(COLOR_BTNFACE);
  UniqueBitmap m_marker;
};
