#include "ui/DialogSkin.h"

#include "ui/GdiDraw.h"
#include "ui/GdiplusApi.h"
#include "ui/SkinArtwork.h"
#include "ui/UiResource.h"

namespace {
std::unique_ptr<Gdiplus::Bitmap> LoadImage(int id) {
  UniqueBitmap bitmap = CreateSkinBitmap(id);
  if (!bitmap) return nullptr;
  // The GDI+ image keeps its own copy of the pixels.
  return std::unique_ptr<Gdiplus::Bitmap>(Gdiplus::Bitmap::FromHBITMAP(bitmap.get(), nullptr));
}

Gdiplus::Color ToColor(COLORREF c) { return Gdiplus::Color(255, GetRValue(c), GetGValue(c), GetBValue(c)); }

void DrawStretched(Gdiplus::Graphics& g, Gdiplus::Bitmap* image, int x, int y, int w, int h) {
  if (!image || w <= 0 || h <= 0) return;
  // Flipped tiling keeps the stretched edges from fading into nothing.
  Gdiplus::ImageAttributes attributes;
  attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
  g.DrawImage(image, Gdiplus::Rect(x, y, w, h), 0, 0, static_cast<INT>(image->GetWidth()),
              static_cast<INT>(image->GetHeight()), Gdiplus::UnitPixel, &attributes);
}
}  // namespace

CDialogSkin::CDialogSkin() = default;
CDialogSkin::~CDialogSkin() = default;

void CDialogSkin::LoadImages() {
  m_top = LoadImage(IDB_SKIN_TOP);
  m_bottom = LoadImage(IDB_SKIN_BOTTOM);
  m_left = LoadImage(IDB_SKIN_LEFT);
  m_right = LoadImage(IDB_SKIN_RIGHT);
}

void CDialogSkin::ReleaseImages() {
  m_top.reset();
  m_bottom.reset();
  m_left.reset();
  m_right.reset();
}

void CDialogSkin::Paint(HDC dc, const RECT& client) const {
  const int w = client.right - client.left, h = client.bottom - client.top;
  CMemoryCanvas canvas(dc, w, h);
  const RECT all{0, 0, w, h};
  FillSolid(canvas.dc(), all, m_crBackground);
  {
    Gdiplus::Graphics g(canvas.dc());
    g.SetPageUnit(Gdiplus::UnitPixel);
    // Edges inside the one-pixel frame, each over the full width or height.
    DrawStretched(g, m_top.get(), 1, 1, w - 2, 15);
    DrawStretched(g, m_bottom.get(), 1, h - 16, w - 2, 15);
    DrawStretched(g, m_left.get(), 1, 1, 15, h - 2);
    DrawStretched(g, m_right.get(), w - 16, 1, 15, h - 2);

    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    const float x = static_cast<float>(m_nPanelInset), y = x;
    const float pw = static_cast<float>(w - 2 * m_nPanelInset - 1),
                ph = static_cast<float>(h - 2 * m_nPanelInset - 1);
    const float d = static_cast<float>(m_nPanelCorner * 2);
    Gdiplus::GraphicsPath panel;
    panel.AddArc(x, y, d, d, 180, 90);
    panel.AddArc(x + pw - d, y, d, d, 270, 90);
    panel.AddArc(x + pw - d, y + ph - d, d, d, 0, 90);
    panel.AddArc(x, y + ph - d, d, d, 90, 90);
    panel.CloseFigure();
    Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
    g.FillPath(&white, &panel);
    Gdiplus::Pen outline(ToColor(m_crPanelOutline), 1);
    g.DrawPath(&outline, &panel);
  }
  // The frame goes on last so that no edge image covers it.
  UniqueGdiObject frameBrush(::CreateSolidBrush(m_crFrame));
  ::FrameRect(canvas.dc(), &all, static_cast<HBRUSH>(frameBrush.get()));
  canvas.Present();
}
