#pragma once
// Starts GDI+ for the life of the object (the program does this once).
#include <windows.h>

class CGdiplusSession {
 public:
  CGdiplusSession();
  ~CGdiplusSession();
  CGdiplusSession(const CGdiplusSession&) = delete;
  CGdiplusSession& operator=(const CGdiplusSession&) = delete;
  bool IsStarted() const { return m_token != 0; }

 private:
  ULONG_PTR m_token = 0;
};
