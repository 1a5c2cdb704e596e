#pragma once
// Small path helpers shared by the skin artwork and the icon exporter.
#include "ui/GdiplusApi.h"

// A rectangle with quarter-circle corners of radius r, as one closed figure.
inline void AddRoundRect(Gdiplus::GraphicsPath& path, float x, float y, float w, float h, float r) {
  const float d = r * 2;
  path.AddArc(x, y, d, d, 180, 90);
  path.AddArc(x + w - d, y, d, d, 270, 90);
  path.AddArc(x + w - d, y + h - d, d, d, 0, 90);
  path.AddArc(x, y + h - d, d, d, 90, 90);
  path.CloseFigure();
}
