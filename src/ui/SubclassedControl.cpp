#include "ui/SubclassedControl.h"

#include <commctrl.h>

namespace {
constexpr UINT_PTR kSubclassId = 0x56414E54;  // one id for all of them
constexpr UINT_PTR kRedrawTimerId = 0x56414E54;
// Least time between two repaints of one control while the run changes it:
// ten pictures a second follow a run well, and each repaint costs the
// window system a few dozen requests (measured under Wine: at 30 ms the
// repaints of the five lines and bars took a quarter of a run that fetches
// a thousand small files).
constexpr unsigned long long kDisplayIntervalMs = 100;
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
  if (m_hWnd && m_bRedrawPending) ::KillTimer(m_hWnd, kRedrawTimerId);
  m_bRedrawPending = false;
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
  m_nLastRedrawMs = ::GetTickCount64();
}

void CSubclassedControl::RedrawAtDisplayRate() {
  if (!m_hWnd) {
    BeforeRedraw();
    return;
  }
  const unsigned long long since = ::GetTickCount64() - m_nLastRedrawMs;
  if (since >= kDisplayIntervalMs) {
    if (m_bRedrawPending) ::KillTimer(m_hWnd, kRedrawTimerId);
    m_bRedrawPending = false;
    BeforeRedraw();
    RedrawNow();
  } else if (!m_bRedrawPending && ::SetTimer(m_hWnd, kRedrawTimerId, static_cast<UINT>(kDisplayIntervalMs - since),
                                             nullptr)) {
    m_bRedrawPending = true;
  } else if (!m_bRedrawPending) {
    BeforeRedraw();  // no timer to be had: paint now rather than never
    RedrawNow();
  }
}

void CSubclassedControl::OnRedrawTimer() {
  ::KillTimer(m_hWnd, kRedrawTimerId);
  if (!m_bRedrawPending) return;
  m_bRedrawPending = false;
  BeforeRedraw();
  RedrawNow();
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
  if (message == WM_TIMER && wParam == kRedrawTimerId) {
    self->OnRedrawTimer();
    return 0;
  }
  return self->WindowProc(message, wParam, lParam);
}
