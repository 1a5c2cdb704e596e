#include "ui/SkinArtwork.h"

#include <functional>

#include "ui/GdiplusApi.h"
#include "ui/GdiplusShapes.h"
#include "ui/UiResource.h"

namespace {
using Gdiplus::Color;

Color FromRef(COLORREF c) { return Color(255, GetRValue(c), GetGValue(c), GetBValue(c)); }

// Draws into a fresh bitmap filled with the background colour. Anti-aliasing
// stays off for images with a transparent colour, so that their edges keep
// exact key-coloured pixels for the mask.
UniqueBitmap Render(int w, int h, COLORREF background, bool smooth,
                    const std::function<void(Gdiplus::Graphics&)>& draw) {
  // A 24-bit DIB: no alpha channel that could upset masks and image lists.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap out(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!out) return out;
  UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  ScopedSelect select(dc.get(), out.get());
  {
    Gdiplus::Graphics g(dc.get());
    g.Clear(FromRef(background));
    g.SetSmoothingMode(smooth ? Gdiplus::SmoothingModeAntiAlias : Gdiplus::SmoothingModeNone);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    draw(g);
  }
  ::GdiFlush();
  return out;
}

// Edge strips: the frame's green fading into the background towards the inside.
UniqueBitmap Edge(int w, int h, bool horizontal, bool outerFirst) {
  const Color outer(255, 158, 190, 128), inner(255, 230, 238, 217);
  return Render(w, h, RGB(230, 238, 217), false, [&](Gdiplus::Graphics& g) {
    Gdiplus::Point a(0, 0), b = horizontal ? Gdiplus::Point(0, h) : Gdiplus::Point(w, 0);
    Gdiplus::LinearGradientBrush brush(a, b, outerFirst ? outer : inner, outerFirst ? inner : outer);
    g.FillRectangle(&brush, 0, 0, w, h);
  });
}

struct ButtonLook {
  Color top, bottom, border;
};

UniqueBitmap ButtonStrip() {
  constexpr int kFrameW = 88, kFrameH = 21;
  // Frames: normal, focused, pressed, disabled.
  const ButtonLook looks[4] = {
      {Color(255, 255, 255, 255), Color(255, 206, 224, 184), Color(255, 116, 150, 92)},
      {Color(255, 255, 255, 246), Color(255, 188, 216, 150), Color(255, 84, 134, 52)},
      {Color(255, 186, 212, 152), Color(255, 236, 244, 226), Color(255, 72, 116, 44)},
      {Color(255, 240, 240, 240), Color(255, 214, 214, 214), Color(255, 168, 168, 168)},
  };
  return Render(kFrameW * 4, kFrameH, kSkinTransparentColour, false, [&](Gdiplus::Graphics& g) {
    for (int i = 0; i < 4; ++i) {
      const float x = static_cast<float>(i * kFrameW);
      Gdiplus::GraphicsPath path;
      AddRoundRect(path, x, 0, kFrameW - 1, kFrameH - 1, 3);
      Gdiplus::LinearGradientBrush brush(Gdiplus::PointF(0, 0), Gdiplus::PointF(0, kFrameH), looks[i].top,
                                         looks[i].bottom);
      g.FillPath(&brush, &path);
      Gdiplus::Pen pen(looks[i].border, 1);
      g.DrawPath(&pen, &path);
    }
  });
}

UniqueBitmap LabelMarker() {
  return Render(7, 7, kSkinTransparentColour, false, [](Gdiplus::Graphics& g) {
    Gdiplus::SolidBrush brush(Color(255, 104, 156, 64));
    g.FillRectangle(&brush, 1, 1, 5, 5);
  });
}

UniqueBitmap StepMarker() {
  return Render(11, 11, kSkinTransparentColour, false, [](Gdiplus::Graphics& g) {
    Gdiplus::SolidBrush brush(Color(255, 58, 122, 196));
    const Gdiplus::Point arrow[3] = {Gdiplus::Point(2, 1), Gdiplus::Point(9, 5), Gdiplus::Point(2, 9)};
    g.FillPolygon(&brush, arrow, 3);
  });
}

UniqueBitmap ListIcons() {
  return Render(32, 16, kListIconTransparentColour, false, [](Gdiplus::Graphics& g) {
    // 0: information, a blue disc with an "i".
    Gdiplus::SolidBrush blue(Color(255, 42, 112, 204)), red(Color(255, 206, 52, 40)),
        white(Color(255, 255, 255, 255));
    g.FillEllipse(&blue, 1, 1, 14, 14);
    g.FillRectangle(&white, 7, 3, 2, 2);
    g.FillRectangle(&white, 7, 6, 2, 7);
    // 1: error, a red disc with a cross.
    g.FillEllipse(&red, 17, 1, 14, 14);
    Gdiplus::Pen cross(Color(255, 255, 255, 255), 2);
    g.DrawLine(&cross, 21, 5, 27, 11);
    g.DrawLine(&cross, 27, 5, 21, 11);
  });
}
}  // namespace

UniqueBitmap CreateSkinBitmap(int id) {
  switch (id) {
    case IDB_SKIN_TOP: return Edge(410, 15, true, true);
    case IDB_SKIN_BOTTOM: return Edge(410, 15, true, false);
    case IDB_SKIN_LEFT: return Edge(15, 375, false, true);
    case IDB_SKIN_RIGHT: return Edge(15, 375, false, false);
    case IDB_BUTTON_STRIP: return ButtonStrip();
    case IDB_LABEL_MARKER: return LabelMarker();
    case IDB_STEP_MARKER: return StepMarker();
    case IDB_LIST_ICONS: return ListIcons();
    default: return UniqueBitmap();
  }
}

UniqueIcon LoadAppIcon(int size) {
  return UniqueIcon(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MAINFRAME),
                                                    IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}
