#include <gtest/gtest.h>

#include "ui/ColorStatic.h"
#include "ui/DialogTemplate.h"
#include "ui/GdiDraw.h"
#include "ui/GdiplusSession.h"
#include "ui/GradientProgress.h"
#include "ui/SkinArtwork.h"
#include "ui/SkinButton.h"
#include "ui/UiResource.h"

namespace {
// A 24-bit memory surface whose pixels the test can read.
class Surface {
 public:
  Surface(int w, int h) : m_dc(::CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    m_bitmap.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    m_old = ::SelectObject(m_dc.get(), m_bitmap.get());
  }
  ~Surface() { ::SelectObject(m_dc.get(), m_old); }
  HDC dc() const { return m_dc.get(); }
  COLORREF At(int x, int y) const { return ::GetPixel(m_dc.get(), x, y); }

 private:
  UniqueMemoryDc m_dc;
  UniqueBitmap m_bitmap;
  HGDIOBJ m_old = nullptr;
};

class ControlsTest : public ::testing::Test {
 protected:
  CGdiplusSession gdiplus;
};

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
  UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  ScopedSelect select(dc.get(), bitmap);
  return ::GetPixel(dc.get(), x, y);
}
}  // namespace

TEST(SplitStaticLines, LineBreaksAndCarriageReturns) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(SplitStaticLines("one\r\ntwo"), (Lines{"one", "two"}));
  EXPECT_EQ(SplitStaticLines("a\n\nb"), (Lines{"a", "", "b"}));  // the empty line keeps its place
  EXPECT_EQ(SplitStaticLines("\"quoted\" text"), (Lines{"\"quoted\" text"}));
  EXPECT_EQ(SplitStaticLines("end\n"), (Lines{"end"}));
  EXPECT_TRUE(SplitStaticLines("").empty());
}

TEST(ComputeProgressFillWidth, ShareOfTheInnerWidth) {
  EXPECT_EQ(ComputeProgressFillWidth(0, 0, 100, 200), 0);
  EXPECT_EQ(ComputeProgressFillWidth(50, 0, 100, 200), 100);
  EXPECT_EQ(ComputeProgressFillWidth(1, 0, 3, 100), 33);  // truncated
  EXPECT_EQ(ComputeProgressFillWidth(150, 0, 100, 200), 200);
  EXPECT_EQ(ComputeProgressFillWidth(-5, 0, 100, 200), 0);
  EXPECT_EQ(ComputeProgressFillWidth(5, 0, 0, 200), 0);
  EXPECT_EQ(ComputeProgressFillWidth(15, 10, 20, 100), 50);
}

TEST(SelectSkinFrame, StatesToFrames) {
  EXPECT_EQ(SelectSkinFrame(0, 4), SKIN_FRAME_NORMAL);
  EXPECT_EQ(SelectSkinFrame(ODS_FOCUS, 4), SKIN_FRAME_FOCUS);
  EXPECT_EQ(SelectSkinFrame(ODS_SELECTED | ODS_FOCUS, 4), SKIN_FRAME_PRESSED);
  EXPECT_EQ(SelectSkinFrame(ODS_DISABLED | ODS_FOCUS, 4), SKIN_FRAME_DISABLED);
  EXPECT_EQ(SelectSkinFrame(ODS_DISABLED, 2), SKIN_FRAME_NORMAL);  // the strip has no such frame
}

TEST_F(ControlsTest, DrawnImagesHaveTheirSizesAndKeyColours) {
  const struct {
    int id, w, h;
  } sizes[] = {{IDB_SKIN_TOP, 410, 15},    {IDB_SKIN_BOTTOM, 410, 15}, {IDB_SKIN_LEFT, 15, 375},
               {IDB_SKIN_RIGHT, 15, 375},  {IDB_BUTTON_STRIP, 352, 21}, {IDB_LIST_ICONS, 32, 16}};
  for (const auto& s : sizes) {
    UniqueBitmap b = CreateSkinBitmap(s.id);
    ASSERT_TRUE(b) << s.id;
    const SIZE size = GetBitmapSize(b.get());
    EXPECT_EQ(size.cx, s.w) << s.id;
    EXPECT_EQ(size.cy, s.h) << s.id;
  }
  UniqueBitmap strip = CreateSkinBitmap(IDB_BUTTON_STRIP);
  EXPECT_EQ(PixelOf(strip.get(), 0, 0), kSkinTransparentColour);   // rounded corner
  EXPECT_NE(PixelOf(strip.get(), 44, 10), kSkinTransparentColour);  // face
  UniqueBitmap icons = CreateSkinBitmap(IDB_LIST_ICONS);
  EXPECT_EQ(PixelOf(icons.get(), 0, 0), kListIconTransparentColour);
  EXPECT_FALSE(CreateSkinBitmap(999));
}

TEST_F(ControlsTest, TransparentColourLeavesTheBackground) {
  Surface s(100, 30);
  const RECT all{0, 0, 100, 30};
  FillSolid(s.dc(), all, RGB(255, 255, 255));
  UniqueBitmap strip = CreateSkinBitmap(IDB_BUTTON_STRIP);
  DrawTransparentBitmap(s.dc(), 0, 0, 88, 21, strip.get(), 0, 0, kSkinTransparentColour);
  EXPECT_EQ(s.At(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(s.At(44, 10), PixelOf(strip.get(), 44, 10));
}

TEST_F(ControlsTest, ProgressBarPaintsGradientOverBackground) {
  CGradientProgress bar;
  Surface s(200, 12);
  const RECT rc{0, 0, 200, 12};
  bar.SetProgressRange(0, 100);
  bar.SetProgressPos(50);
  bar.PaintTo(s.dc(), rc);
  EXPECT_EQ(s.At(0, 0), RGB(233, 236, 239));   // border of background
  EXPECT_EQ(s.At(150, 6), RGB(233, 236, 239)); // beyond the fill
  const COLORREF left = s.At(3, 6);
  EXPECT_NEAR(GetRValue(left), 91, 6);
  EXPECT_NEAR(GetGValue(left), 164, 6);
  EXPECT_NEAR(GetBValue(left), 213, 6);
  // The gradient spans the control: half way it is half way between the colours.
  const COLORREF mid = s.At(97, 6);
  EXPECT_NEAR(GetRValue(mid), (91 + 195) / 2, 12);
}

TEST_F(ControlsTest, ProgressBarEdgeCases) {
  CGradientProgress bar;
  Surface s(100, 12);
  const RECT rc{0, 0, 100, 12};
  bar.SetProgressRange(0, 0);
  bar.PaintTo(s.dc(), rc);
  EXPECT_EQ(s.At(50, 6), RGB(233, 236, 239));
  bar.SetProgressRange(0, 100);
  bar.SetProgressPos(250);
  bar.PaintTo(s.dc(), rc);
  EXPECT_EQ(bar.GetPos(), 100);  // stored clamped
  EXPECT_NE(s.At(96, 6), RGB(233, 236, 239));
  EXPECT_EQ(s.At(98, 6), RGB(233, 236, 239));  // the 2-pixel inner margin
  bar.SetProgressRange(5, 10);
  EXPECT_EQ(bar.GetPos(), 5);
  EXPECT_EQ(bar.GetLower(), 5);
  EXPECT_EQ(bar.GetUpper(), 10);
}

TEST_F(ControlsTest, ColourStaticCentresItsLinesAsABlock) {
  CColorStatic line;
  line.SetBackgroundColour(RGB(255, 255, 255));
  Surface one(200, 60), two(200, 60);
  const RECT rc{0, 0, 200, 60};
  line.SetStaticText("MMMM");
  line.PaintTo(one.dc(), rc);
  line.SetStaticText("MMMM\r\nMMMM");
  EXPECT_EQ(line.GetLines().size(), 2u);
  line.PaintTo(two.dc(), rc);
  auto inkRows = [](const Surface& s) {
    int top = -1, bottom = -1;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 60; ++x)
        if (s.At(x, y) != RGB(255, 255, 255)) {
          if (top < 0) top = y;
          bottom = y;
        }
    return std::make_pair(top, bottom);
  };
  const auto a = inkRows(one), b = inkRows(two);
  ASSERT_GE(a.first, 0);
  ASSERT_GE(b.first, 0);
  EXPECT_LT(b.first, a.first);    // the block grew upwards ...
  EXPECT_GT(b.second, a.second);  // ... and downwards
  EXPECT_EQ(one.At(199, 59), RGB(255, 255, 255));
}

TEST(DialogTemplate, ExtendedHeaderAndItems) {
  DialogSpec spec{};
  spec.style = WS_POPUP;
  spec.cx = 240;
  spec.cy = 238;
  spec.fontName = L"F";
  spec.pointSize = 9;
  spec.charSet = 129;
  spec.controls = {{1002, L"Static", L"x", WS_CHILD, 0, 7, 13, 226, 8}};
  CDialogTemplate t(spec);
  const WORD* w = reinterpret_cast<const WORD*>(t.Get());
  EXPECT_EQ(w[0], 1);
  EXPECT_EQ(w[1], 0xFFFF);
  const DWORD style = w[6] | (static_cast<DWORD>(w[7]) << 16);
  EXPECT_TRUE(style & DS_SETFONT);
  EXPECT_EQ(w[8], 1);    // one control
  EXPECT_EQ(w[11], 240);
  EXPECT_EQ(w[12], 238);
  EXPECT_EQ(t.SizeInBytes() % 2, 0u);
}
