#include "ui/SubclassedControl.h"

#include <commctrl.h>

namespace {
constexpr UINT_PTR kSubclassId = 0x56414E54;  // one id for all of them
}

CSubclassedControl::~CSubclassedControl() { Detach(); }

bool CSubclassedControl::Attach(HWND window) {
  Detach();
  if (!window) return false;
  if (!::SetWindowSubclass(window, &CSubclassedControl::SubclassProc, kSubclassId,
                           reinterpret_cast<DWORD_PTR>(this)))
    return false;
  m_hWnd = window;
  return true;
}

void CSubclassedControl::Detach() {
  if (m_hWnd) {
    ::RemoveWindowSubclass(m_hWnd, &CSubclassedControl::SubclassProc, kSubclassId);
    m_hWnd = nullptr;
  }
}

LRESULT CSubclassedControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefaultProc(message, wParam, lParam);
}

LRESULT CSubclassedControl::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefSubclassProc(m_hWnd, message, wParam, lParam);
}

void CSubclassedControl::RedrawNow() {
  if (!m_hWnd) return;
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
  ::UpdateWindow(m_hWnd);
}

LRESULT CALLBACK CSubclassedControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                  UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<CSubclassedControl*>(data);
  if (message == WM_NCDESTROY) {
    const LRESULT r = ::DefSubclassProc(window, message, wParam, lParam);
    ::RemoveWindowSubclass(window, &CSubclassedControl::SubclassProc, kSubclassId);
    self->m_hWnd = nullptr;
    return r;
  }
  return self->WindowProc(message, wParam, lParam);
}
