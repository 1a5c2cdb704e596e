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

  HWND m_hWnd = nullptr;

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR data);
};
