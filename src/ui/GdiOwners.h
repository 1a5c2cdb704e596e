#pragma once
// Owners for GDI and common-control handles used by the dialog's drawing.
#include <windows.h>
#include <commctrl.h>

#include "util/WinHandles.h"

struct GdiObjectTraits {  // bitmaps, brushes, pens, fonts
  static HGDIOBJ Invalid() { return nullptr; }
  static void Close(HGDIOBJ h) { ::DeleteObject(h); }
};
struct BitmapTraits {
  static HBITMAP Invalid() { return nullptr; }
  static void Close(HBITMAP h) { ::DeleteObject(h); }
};
struct MemoryDcTraits {
  static HDC Invalid() { return nullptr; }
  static void Close(HDC h) { ::DeleteDC(h); }
};
struct IconTraits {
  static HICON Invalid() { return nullptr; }
  static void Close(HICON h) { ::DestroyIcon(h); }
};
struct ImageListTraits {
  static HIMAGELIST Invalid() { return nullptr; }
  static void Close(HIMAGELIST h) { ::ImageList_Destroy(h); }
};

using UniqueGdiObject = UniqueWinHandle<HGDIOBJ, GdiObjectTraits>;
using UniqueBitmap = UniqueWinHandle<HBITMAP, BitmapTraits>;
using UniqueMemoryDc = UniqueWinHandle<HDC, MemoryDcTraits>;
using UniqueIcon = UniqueWinHandle<HICON, IconTraits>;
using UniqueImageList = UniqueWinHandle<HIMAGELIST, ImageListTraits>;

// Selects an object into a DC for one scope and puts the old one back.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(::SelectObject(dc, obj)) {}
  ~ScopedSelect() { ::SelectObject(m_dc, m_old); }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC m_dc;
  HGDIOBJ m_old;
};
