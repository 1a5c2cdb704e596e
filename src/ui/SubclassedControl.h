#pragma once
// Base of the self-drawn controls: takes over an existing child window of a
// dialog (by subclassing it) and routes its messages to a member function.
#include <windows.h>

class CSubclassedControl {
 public:
  CSubclassedControl() = default;
  virtual ~CSubclassedControl();
  CSubclassedControl(const CSubclassedControl&) = delete;
  CSubclassedControl& operator=(const CSubclassedControl&) = delete;

  bool Attach(HWND window);
  void Detach();
  HWND GetHwnd() const { return m_hWnd; }

 protected:
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Repaints now: the run executes on this thread, so no later paint would come.
  void RedrawNow();
  // Repaints now, or, when the last repaint is younger than the display
  // interval, once that interval is over (a timer on the control, which the
  // run's message pumping dispatches): a burst of changes costs one paint
  // and the last state is always shown.
  void RedrawAtDisplayRate();
  // Called before each repaint that RedrawAtDisplayRate makes.
  virtual void BeforeRedraw() {}

  HWND m_hWnd = nullptr;

 private:
  void OnRedrawTimer();

  unsigned long long m_nLastRedrawMs = 0;
  bool m_bRedrawPending = false;

  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR data);
};
