#include "ui/GdiplusSession.h"

#include "ui/GdiplusApi.h"

CGdiplusSession::CGdiplusSession() {
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&m_token, &input, nullptr) != Gdiplus::Ok) m_token = 0;
}

CGdiplusSession::~CGdiplusSession() {
  if (m_token != 0) Gdiplus::GdiplusShutdown(m_token);
}
