// Draws the application icon (a green rounded square with a white "V" that
// also reads as a downward arrow) and writes it as an icon file with 16, 32
// and 48 pixel images. The program carries the written file as icon 128
// (src/ui/VantoExe.ico); run this after changing the drawing:
//   vanto_icon_export PATH.ico
#include <cstdint>
#include <cstdio>
#include <vector>

#include "ui/GdiplusApi.h"
#include "ui/GdiplusShapes.h"
#include "ui/GdiplusSession.h"

namespace {
using Gdiplus::Color;

void DrawAppIcon(Gdiplus::Graphics& g, float s) {
  g.Clear(Color(0, 0, 0, 0));
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  Gdiplus::GraphicsPath body;
  AddRoundRect(body, s * 0.06f, s * 0.06f, s * 0.88f, s * 0.88f, s * 0.16f);
  Gdiplus::LinearGradientBrush fill(Gdiplus::PointF(0, 0), Gdiplus::PointF(0, s), Color(255, 124, 184, 84),
                                    Color(255, 62, 126, 44));
  g.FillPath(&fill, &body);
  Gdiplus::Pen pen(Color(255, 255, 255, 255), s * 0.12f);
  pen.SetLineJoin(Gdiplus::LineJoinRound);
  pen.SetStartCap(Gdiplus::LineCapRound);
  pen.SetEndCap(Gdiplus::LineCapRound);
  const Gdiplus::PointF v[3] = {Gdiplus::PointF(s * 0.28f, s * 0.3f), Gdiplus::PointF(s * 0.5f, s * 0.72f),
                                Gdiplus::PointF(s * 0.72f, s * 0.3f)};
  g.DrawLines(&pen, v, 3);
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// One icon image: BITMAPINFOHEADER (double height), 32-bit BGRA rows bottom
// up, then the 1-bit mask (set where fully transparent), rows of 4-byte units.
std::vector<uint8_t> IconImage(int size) {
  Gdiplus::Bitmap bitmap(size, size, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics g(&bitmap);
    DrawAppIcon(g, static_cast<float>(size));
  }
  Gdiplus::BitmapData data{};
  Gdiplus::Rect all(0, 0, size, size);
  bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data);
  const int maskStride = ((size + 31) / 32) * 4;
  std::vector<uint8_t> out;
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(size));
  Put32(out, static_cast<uint32_t>(size * 2));
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);
  Put32(out, static_cast<uint32_t>(size * size * 4 + maskStride * size));
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  std::vector<uint8_t> mask(static_cast<size_t>(maskStride * size), 0);
  for (int y = size - 1; y >= 0; --y) {
    const uint8_t* row = static_cast<const uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
    const int maskRow = size - 1 - y;
    for (int x = 0; x < size; ++x) {
      out.insert(out.end(), row + x * 4, row + x * 4 + 4);
      if (row[x * 4 + 3] == 0) mask[static_cast<size_t>(maskRow * maskStride + x / 8)] |= 0x80 >> (x % 8);
    }
  }
  bitmap.UnlockBits(&data);
  out.insert(out.end(), mask.begin(), mask.end());
  return out;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vanto_icon_export PATH.ico\n");
    return 2;
  }
  CGdiplusSession gdiplus;
  const int sizes[] = {16, 32, 48};
  std::vector<std::vector<uint8_t>> images;
  for (int size : sizes) images.push_back(IconImage(size));
  std::vector<uint8_t> file;
  Put16(file, 0);
  Put16(file, 1);  // icon
  Put16(file, static_cast<uint32_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    file.push_back(static_cast<uint8_t>(sizes[i]));
    file.push_back(static_cast<uint8_t>(sizes[i]));
    file.push_back(0);  // no palette
    file.push_back(0);
    Put16(file, 1);   // planes
    Put16(file, 32);  // bits per pixel
    Put32(file, static_cast<uint32_t>(images[i].size()));
    Put32(file, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());
  FILE* out = std::fopen(argv[1], "wb");
  if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size() || std::fclose(out) != 0) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
